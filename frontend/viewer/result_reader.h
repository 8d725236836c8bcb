#pragma once
// Reading a result file of the engine into the viewer's tables.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

#include "shell/module1.h"
#include "viewer/conversion_factors.h"

namespace tessaray {

inline constexpr int kHeaderLines = 11;
inline constexpr int kFieldsPerRow = 20;
// A result file has at most 311 lines of about 230 bytes; anything far larger
// cannot be one and is refused before it is read into memory.
inline constexpr qint64 kResultFileLimit = 4 * 1024 * 1024;

// The whole content of a regular file of at most `limit` bytes. Anything that
// is not a regular file (a device, a pipe, a folder, also behind a link), a
// file that cannot be opened or read, or one longer than `limit` gives
// nothing; never more than `limit` + 1 bytes are read, whatever size the file
// claims.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit);

struct ResultReadOutcome {
    bool ok = false;
    QStringList headerLines;    // lines 1..11 as text (filled only on success)
    ConversionFactors factors;  // both forms (meaningful only on success)
};

// Reads a result file: 11 header lines taken whole, then data rows of 20
// numbers each up to the end of the file, at most 300 rows; row r fills bin r.
// A comma and a line end (CR LF or LF) both end a field, so the reader does
// not care where the lines break; leading and trailing blanks of a field are
// ignored; every field must be a plain decimal or exponent number. The last
// row must end the file (nothing but its own line end may follow it). Then the
// conversion factors are computed from the new tables.
//
// On success the tables of `state` (ResultRowCount, ResultEnergy,
// ResultIncident, DepthSpectra, LargestTotal) hold the file, bins beyond the
// last row are zero, and ConversionFactor holds the mean-of-ratios factors.
// On any failure (cannot open, fewer than 11 lines, the file ends inside a
// row, more than 300 rows, a field that is not a number, a division by zero in
// the factors) `state` is left exactly as it was, so an earlier file stays
// drawable.
ResultReadOutcome readResultFile(const QString& path, Module1& state);

// The first lines of a file (at most `count`), without their line ends, split
// as the reader splits them (CR LF, LF or a lone CR); for the preview of the
// selected file. A file the reader would refuse to open gives nothing.
QStringList readLeadingLines(const QString& path, int count);

}  // namespace tessaray
