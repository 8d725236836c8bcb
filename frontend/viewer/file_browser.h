#pragma once
// The drive, folder and file lists of the result viewer, and the preview box
// that shows the first lines of a clicked file.

#include <QComboBox>
#include <QFrame>
#include <QListWidget>
#include <QStringList>

namespace tessaray {

// Drive1: the mounted file systems, "/" first, then the user's home folder
// and the other real file systems (removable media, network shares), without
// the kernel's pseudo file systems.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);
    // Reads the mounted file systems again, keeping the choice when it is still there.
    void refresh();
    // The root folder of the chosen entry.
    QString drivePath() const;
    // Selects the entry whose root is `root` (added when missing); for tests
    // and for starting on a known file system.
    void selectDrive(const QString& root);
    // The folder a drive starts in: the program's current folder when it lies
    // on that drive, else the drive's root.
    QString currentFolderOf(const QString& root) const;

    static QStringList mountedRoots();
};

// Dir1: the chosen folder with the folders above it and the folders inside it.
// Double-click (or Enter) on a folder opens it.
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);
    QString path() const { return path_; }
    // Shows `folder`; emits pathChanged when the folder differs from the shown one.
    void setPath(const QString& folder);
    // The folder of a row (ancestors, the folder itself, then its subfolders).
    QString folderAt(int row) const;

signals:
    void pathChanged(const QString& folder);

private:
    void fill();
    QString path_;
};

// File1: the files of one folder whose names end in ".csv", ignoring case.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);
    QString directory() const { return directory_; }
    void setDirectory(const QString& folder);
    // Lists the folder again; nothing is selected afterwards.
    void refresh();
    // Lists the folder again keeping the chosen file selected while it is
    // still there; the selection signals fire only when it is gone.
    void reload();
    // The selected file name, empty when none.
    QString selectedFileName() const;
    // Selects a file by name; false when it is not listed.
    bool selectFile(const QString& name);

private:
    void fill();
    QString directory_;
};

// Picture2: text lines printed from the top-left corner down.
class PreviewBox : public QFrame {
    Q_OBJECT
public:
    explicit PreviewBox(QWidget* parent = nullptr);
    void clear();
    void printLines(const QStringList& lines);
    const QStringList& lines() const { return lines_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList lines_;
};

}  // namespace tessaray
