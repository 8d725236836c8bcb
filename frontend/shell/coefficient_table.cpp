#include "shell/coefficient_table.h"

#include <QFile>
#include <QLocale>

#include <cmath>

#include "shell/file_lookup.h"

namespace tessaray {

namespace {

constexpr int kNumbersPerRow = 8;
constexpr int kAirField = 5;
constexpr int kTissueField = 6;

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n'; }

// A whole field as a number: sign, digits, point, exponent with E or D.
bool parseNumber(QByteArray token, double* value) {
    for (char& c : token)
        if (c == 'D' || c == 'd') c = 'E';
    bool ok = false;
    const double v = QLocale::c().toDouble(QLatin1StringView(token), &ok);
    if (!ok || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

// The error box of a table that cannot be loaded: a Japanese first line, the
// file, place and reason on the second.
const QString kTableMissing = QStringLiteral("係数ファイル %1 が見つかりません");
const QString kTableUnreadable = QStringLiteral("係数ファイル %1 を正しく読み込めません");

bool fail(QString* error, const QString& heading, const QString& detail) {
    *error = heading.arg(kCoefficientTableName) + u'\n' + detail;
    return false;
}

}  // namespace

bool loadCoefficientTable(Module1& state, QString* error, const QDir& folder) {
    const QString path = findFileIgnoringCase(folder, kCoefficientTableName);
    if (path.isEmpty()) {
        return fail(error, kTableMissing,
                    QStringLiteral("%1: file not found in %2")
                        .arg(kCoefficientTableName, QDir::toNativeSeparators(folder.absolutePath())));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(error, kTableUnreadable,
                    QStringLiteral("%1: cannot open: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return fail(error, kTableUnreadable,
                    QStringLiteral("%1: read error: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    }

    std::array<double, kBins + 1> air{};
    std::array<double, kBins + 1> tissue{};
    const qsizetype size = text.size();
    qsizetype pos = 0;
    const int needed = kBins * kNumbersPerRow;
    for (int n = 0; n < needed; ++n) {
        while (pos < size && isSeparator(text[pos])) ++pos;
        if (pos >= size) {
            return fail(error, kTableUnreadable,
                        QStringLiteral("%1: input past end of file: %2 of %3 numbers read (row %4 of %5 incomplete)")
                            .arg(QDir::toNativeSeparators(path)).arg(n).arg(needed).arg(n / kNumbersPerRow + 1).arg(kBins));
        }
        const qsizetype start = pos;
        while (pos < size && !isSeparator(text[pos])) ++pos;
        const QByteArray token = text.mid(start, pos - start);
        const int row = n / kNumbersPerRow + 1;
        const int field = n % kNumbersPerRow + 1;
        double value = 0;
        if (!parseNumber(token, &value)) {
            return fail(error, kTableUnreadable,
                        QStringLiteral("%1: row %2, number %3: \"%4\" is not a number")
                            .arg(QDir::toNativeSeparators(path)).arg(row).arg(field).arg(QString::fromLatin1(token.left(40))));
        }
        // An air coefficient of zero is stored as it stands: the table loads,
        // and every later result read fails on its division.
        if (field == kAirField) {
            air[static_cast<std::size_t>(row)] = value;
        } else if (field == kTissueField) {
            tissue[static_cast<std::size_t>(row)] = value;
        }
    }
    for (int r = 1; r <= kBins; ++r) {
        state.AirCoefficient[static_cast<std::size_t>(r)] = air[static_cast<std::size_t>(r)];
        state.TissueCoefficient[static_cast<std::size_t>(r)] = tissue[static_cast<std::size_t>(r)];
    }
    return true;
}

}  // namespace tessaray
