#pragma once
// Helpers of the result viewer's tests: result files written the way the
// engine writes them, coefficient columns, and a message sink that records.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "shell/message_sink.h"
#include "shell/module1.h"

namespace viewer_test {

// One data row: energy, incident, then primary, scatter, total for six depths.
using Row = std::array<double, 20>;

inline Row makeRow(int bin, double incident, const std::array<double, 7>& primary,
                   const std::array<double, 7>& scatter) {
    Row row{};
    row[0] = 0.5 * bin;
    row[1] = incident;
    for (int d = 1; d <= 6; ++d) {
        row[static_cast<std::size_t>(2 + 3 * (d - 1))] = primary[static_cast<std::size_t>(d)];
        row[static_cast<std::size_t>(3 + 3 * (d - 1))] = scatter[static_cast<std::size_t>(d)];
        row[static_cast<std::size_t>(4 + 3 * (d - 1))] = primary[static_cast<std::size_t>(d)] + scatter[static_cast<std::size_t>(d)];
    }
    return row;
}

// A smooth spectrum of n rows with a single peak: incident peaks at `peak`,
// depth d's primary is the incident shape divided by d, its scatter a third of
// its primary (so each depth's total peaks at `peak` too).
inline std::vector<Row> peakedRows(int n, int peak) {
    std::vector<Row> rows;
    for (int k = 1; k <= n; ++k) {
        const double distance = k <= peak ? peak - k : 2 * (k - peak);
        const double incident = std::max(0.0, 1000.0 - 4.0 * distance) * 10.0;
        std::array<double, 7> primary{}, scatter{};
        for (int d = 1; d <= 6; ++d) {
            primary[static_cast<std::size_t>(d)] = std::floor(incident / d);
            scatter[static_cast<std::size_t>(d)] = std::floor(primary[static_cast<std::size_t>(d)] / 3.0);
        }
        rows.push_back(makeRow(k, incident, primary, scatter));
    }
    return rows;
}

inline QByteArray headerText(const char* eol = "\r\n") {
    const char* lines[11] = {
        " Constant potential rectification",
        " Tube potential =   80.0 [kV]",
        " Target angle   =   12.0 [deg]",
        " Inherent filtration =  1.000 [mmAl eq.]",
        " Aliminum filter =  0.000 [mm]",
        " Copper filter   =  0.100 [mm]",
        " Field diameter  =   10.0 [cm]",
        " Incident photons/cm2  =      10000.",
        " by Birch formula",
        " in water phantom",
        " keV,incident,0cm P,0cm S,0cm P+S,2cm P,2cm S,2cm P+S,  5cm P,5cm S,5cm P+S,10cm P,10cm S,10cm P+S,"
        "15cm P,15cm S,15cm P+S,20cm P,20cm S,20cm P+S",
    };
    QByteArray text;
    for (const char* line : lines) text += QByteArray(line) + eol;
    return text;
}

// A data line in the engine's layout: F6.1, then nineteen F10.0 fields.
inline QByteArray rowText(const Row& row, const char* eol = "\r\n") {
    QByteArray line = QString::asprintf("%6.1f", row[0]).toLatin1();
    for (std::size_t f = 1; f < row.size(); ++f) line += "," + QString::asprintf("%9.0f.", row[f]).toLatin1();
    return line + eol;
}

inline QByteArray resultText(const std::vector<Row>& rows, const char* eol = "\r\n") {
    QByteArray text = headerText(eol);
    for (const Row& row : rows) text += rowText(row, eol);
    return text;
}

inline QString writeFile(const QDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return QString();
    file.write(content);
    return path;
}

// Air 1 and soft tissue 1.1 in every bin unless a test says otherwise.
inline void fillCoefficients(tessaray::Module1& state, double air = 1.0, double tissue = 1.1) {
    for (int i = 1; i <= tessaray::kBins; ++i) {
        state.AirCoefficient[static_cast<std::size_t>(i)] = air;
        state.TissueCoefficient[static_cast<std::size_t>(i)] = tissue;
    }
}

class RecordingSink : public tessaray::MessageSink {
public:
    void warning(QWidget*, const QString& text) override { warnings << text; }
    bool confirm(QWidget*, const QString& text) override {
        questions << text;
        return answer;
    }
    bool ask(QWidget*, const QString& text) override {
        questions << text;
        return answer;
    }
    void fatal(QWidget*, const QString& text) override { fatals << text; }

    QStringList warnings;
    QStringList questions;
    QStringList fatals;
    bool answer = true;
};

}  // namespace viewer_test
