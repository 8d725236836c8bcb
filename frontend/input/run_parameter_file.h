#pragma once
// Writing of the run-parameter file "B2F.dat" that the engine reads at start.

#include <QByteArray>
#include <QDir>
#include <QString>

namespace tessaray {

inline const QString kRunParameterFileName = QStringLiteral("B2F.dat");

// The conditions of one run as the condition input window read them.
struct RunConditions {
    double tubePotential = 0;       // kV
    double targetAngle = 0;         // degrees
    double inherentFiltration = 0;  // mm Al equivalent
    double aluminiumFilter = 0;     // mm
    double copperFilter = 0;        // mm
    double fieldDiameter = 0;       // cm
    double incidentFluence = 0;     // photons per cm2
    int formulaCode = 0;
    int rectificationCode = 0;
    int materialCode = 0;
    QString resultFileName;         // written as it stands, in UTF-8
};

// The eleven lines of the file, each ended by CR LF, numbers written with the
// masks "0000.0", "00.000" (x4), "0000.0", "0000000000.", "00" (x3).
QByteArray formatRunParameters(const RunConditions& conditions);

// Replaces "B2F.dat" in `folder` as a whole: the lines go to a temporary file
// that is renamed over the old one, so the engine never reads half a file.
// On failure returns false with a message naming the file and the reason.
bool saveRunParameterFile(const QDir& folder, const RunConditions& conditions, QString* error);

// Deletes "B2F.dat" in `folder`; a missing file or any other failure is ignored.
void deleteRunParameterFile(const QDir& folder);

}  // namespace tessaray
