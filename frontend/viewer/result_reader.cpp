#include "viewer/result_reader.h"

#include <QFile>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

namespace tessaray {

namespace {

// A cursor over the bytes of a result file.
class FieldScanner {
public:
    explicit FieldScanner(QByteArray bytes) : bytes_(std::move(bytes)) {}

    bool atEnd() const { return pos_ >= bytes_.size(); }

    // One whole line without its line end (CR LF, LF or a lone CR); false at
    // the end of the file.
    bool readLine(QString& line) {
        if (atEnd()) return false;
        const qsizetype start = pos_;
        while (pos_ < bytes_.size() && bytes_[pos_] != '\n' && bytes_[pos_] != '\r') ++pos_;
        line = QString::fromUtf8(bytes_.constData() + start, pos_ - start);
        skipLineEnd();
        return true;
    }

    // The next field as a number; false when the file has ended or the field
    // is not a number.
    bool readNumberField(double& value) {
        if (atEnd()) return false;
        const qsizetype start = pos_;
        while (pos_ < bytes_.size() && bytes_[pos_] != ',' && bytes_[pos_] != '\n' && bytes_[pos_] != '\r') ++pos_;
        const QByteArray field = bytes_.mid(start, pos_ - start).trimmed();
        if (pos_ < bytes_.size()) {
            if (bytes_[pos_] == ',') ++pos_;
            else skipLineEnd();
        }
        return parseNumber(field, value);
    }

private:
    void skipLineEnd() {
        if (pos_ < bytes_.size() && bytes_[pos_] == '\r') ++pos_;
        if (pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
    }

    // [sign] digits [. digits] or [sign] . digits, then an optional exponent
    // E or D with an optional sign and digits; nothing else.
    static bool parseNumber(const QByteArray& field, double& value) {
        std::string text = field.toStdString();
        std::size_t i = 0;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        bool digits = false;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) { ++i; digits = true; }
        if (i < text.size() && text[i] == '.') {
            ++i;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) { ++i; digits = true; }
        }
        if (!digits) return false;
        if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
            text[i] = 'e';
            ++i;
            if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
            bool exponentDigits = false;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) { ++i; exponentDigits = true; }
            if (!exponentDigits) return false;
        }
        if (i != text.size()) return false;
        value = std::strtod(text.c_str(), nullptr);
        return std::isfinite(value);
    }

    QByteArray bytes_;
    qsizetype pos_ = 0;
};

}  // namespace

ResultReadOutcome readResultFile(const QString& path, Module1& state) {
    ResultReadOutcome outcome;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return outcome;
    // A result file has at most 311 lines of about 230 bytes; anything far
    // larger cannot be one, so it is refused before it is read into memory.
    if (file.size() > 4 * 1024 * 1024) return outcome;
    FieldScanner scanner(file.readAll());
    file.close();

    QStringList header;
    for (int line = 1; line <= kHeaderLines; ++line) {
        QString text;
        if (!scanner.readLine(text)) return outcome;
        header << text;
    }

    // The tables are built in a copy and take effect only when the whole
    // read, factors included, has succeeded.
    const auto copy = std::make_unique<Module1>(state);
    Module1& next = *copy;
    next.ResultRowCount = 0;
    next.ResultEnergy.fill(0.0);
    next.ResultIncident.fill(0.0);
    for (auto& depth : next.DepthSpectra)
        for (auto& component : depth) component.fill(0.0);
    next.LargestTotal = 0.0;

    while (!scanner.atEnd()) {
        const int row = next.ResultRowCount + 1;
        if (row > kBins) return outcome;
        next.ResultRowCount = row;
        if (!scanner.readNumberField(next.ResultEnergy[row])) return outcome;
        if (!scanner.readNumberField(next.ResultIncident[row])) return outcome;
        for (int depth = 1; depth <= kDepths; ++depth) {
            for (int component = 1; component <= 3; ++component) {
                if (!scanner.readNumberField(next.DepthSpectra[depth][component][row])) return outcome;
            }
            if (next.DepthSpectra[depth][3][row] > next.LargestTotal)
                next.LargestTotal = next.DepthSpectra[depth][3][row];
        }
    }

    const std::optional<ConversionFactors> factors = computeConversionFactors(next);
    if (!factors) return outcome;

    state.ResultRowCount = next.ResultRowCount;
    state.ResultEnergy = next.ResultEnergy;
    state.ResultIncident = next.ResultIncident;
    state.DepthSpectra = next.DepthSpectra;
    state.LargestTotal = next.LargestTotal;
    state.ConversionFactor = factors->MeanOfRatios;
    outcome.ok = true;
    outcome.headerLines = header;
    outcome.factors = *factors;
    return outcome;
}

QStringList readLeadingLines(const QString& path, int count) {
    QStringList lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return lines;
    while (lines.size() < count && !file.atEnd()) {
        QByteArray line = file.readLine(64 * 1024);
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        lines << QString::fromUtf8(line);
    }
    return lines;
}

}  // namespace tessaray
