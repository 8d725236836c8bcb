#include "shell/file_lookup.h"

#include <QFileInfo>

namespace tessaray {

QString findFileIgnoringCase(const QDir& folder, const QString& name) {
    const QFileInfo exact(folder.filePath(name));
    if (exact.exists() && !exact.isDir()) return exact.filePath();
    QString found;
    const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) != 0) continue;
        if (!found.isEmpty()) return QString();  // ambiguous
        found = folder.filePath(entry);
    }
    return found;
}

}  // namespace tessaray
