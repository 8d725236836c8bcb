#pragma once
// File names of the system are matched without regard to letter case, as on
// the platform the programs were first written for: "Att_coeff2023.dat" and
// "Att_Coeff2023.dat" name one file.

#include <QDir>
#include <QString>

namespace tessaray {

// The path of the file `name` in `folder`: the exact name when such a file
// exists, otherwise the single file whose name equals it ignoring case.
// Empty when there is none, or when several files match and none exactly.
QString findFileIgnoringCase(const QDir& folder, const QString& name);

}  // namespace tessaray
