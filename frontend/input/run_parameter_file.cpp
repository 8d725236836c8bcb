#include "input/run_parameter_file.h"

#include <QFile>
#include <QSaveFile>

#include "shell/number_format.h"

namespace tessaray {

namespace {
// The error box when "B2F.dat" cannot be written: Japanese first, then the
// file and the reason.
const QString kCannotWrite = QStringLiteral("条件ファイル B2F.dat を書き込めません");
}  // namespace

QByteArray formatRunParameters(const RunConditions& c) {
    const QStringList lines = {
        formatMask(c.tubePotential, QStringLiteral("0000.0")),
        formatMask(c.targetAngle, QStringLiteral("00.000")),
        formatMask(c.inherentFiltration, QStringLiteral("00.000")),
        formatMask(c.aluminiumFilter, QStringLiteral("00.000")),
        formatMask(c.copperFilter, QStringLiteral("00.000")),
        formatMask(c.fieldDiameter, QStringLiteral("0000.0")),
        formatMask(c.incidentFluence, QStringLiteral("0000000000.")),
        formatMask(c.formulaCode, QStringLiteral("00")),
        formatMask(c.rectificationCode, QStringLiteral("00")),
        formatMask(c.materialCode, QStringLiteral("00")),
        c.resultFileName,
    };
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

bool saveRunParameterFile(const QDir& folder, const RunConditions& conditions, QString* error) {
    const QString path = folder.filePath(kRunParameterFileName);
    QSaveFile file(path);
    // The engine of an earlier launch may be reading the old file: it keeps
    // its open copy, the new one takes its name.
    if (!file.open(QIODevice::WriteOnly)) {
        *error = kCannotWrite + u'\n' + QStringLiteral("%1: cannot create the file: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    const QByteArray bytes = formatRunParameters(conditions);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = kCannotWrite + u'\n' + QStringLiteral("%1: cannot write the file: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

void deleteRunParameterFile(const QDir& folder) {
    QFile::remove(folder.filePath(kRunParameterFileName));
}

}  // namespace tessaray
