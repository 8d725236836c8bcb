#include "viewer/result_reader.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit) {
    // Opened without blocking, so that a named pipe cannot hold the window
    // still; the kind of file is then taken from the open descriptor itself,
    // so that a link swapped between a check and the open changes nothing.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    // The reported size is not trusted: at most one byte past the limit is
    // read, which is enough to tell that the file is too large.
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > limit) return std::nullopt;
    return bytes;
}

ResultReadOutcome readResultFile(const QString& path, Module1& state) {
    ResultReadOutcome outcome;
    std::optional<QByteArray> bytes = readRegularFile(path, kResultFileLimit);
    if (!bytes) return outcome;
    FieldScanner scanner(std::move(*bytes));

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
    std::optional<QByteArray> bytes = readRegularFile(path, kResultFileLimit);
    if (!bytes) return lines;
    // The same line splitting as the reader's, so that the preview shows the
    // lines the reader takes as the header.
    FieldScanner scanner(std::move(*bytes));
    QString line;
    while (lines.size() < count && scanner.readLine(line)) lines << line;
    return lines;
}

}  // namespace tessaray
