#pragma once
// Loading of the air and soft-tissue columns of the coefficient table into the
// shared state.

#include <QDir>
#include <QString>

#include "shell/module1.h"

namespace tessaray {

// The name under which the front-end opens the coefficient table; the file on
// disk is spelt "Att_Coeff2023.dat" and is found whatever the letter case.
inline const QString kCoefficientTableName = QStringLiteral("Att_coeff2023.dat");

// Reads 300 rows of eight numbers from the coefficient table in `folder`,
// counting numbers separated by blanks, tabs, commas and line ends alike
// (line boundaries are not checked). The 5th number of row r goes to
// AirCoefficient[r], the 6th to TissueCoefficient[r]. On failure (file
// missing or unreadable, fewer than 2400 numbers, a field that is not a
// finite number) returns false with a message naming the file and the problem
// in `error`, and leaves `state` unchanged. A zero air coefficient is loaded;
// the conversion factors of every result read then fail on it.
bool loadCoefficientTable(Module1& state, QString* error, const QDir& folder = QDir::current());

}  // namespace tessaray
