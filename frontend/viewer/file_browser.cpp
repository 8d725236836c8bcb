#include "viewer/file_browser.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QStorageInfo>
#include <QStyle>

#include <algorithm>

#include "shell/ui_style.h"

namespace tessaray {

namespace {

const QStringList kPseudoFileSystems = {
    "proc",     "sysfs",     "devtmpfs", "devpts",     "tmpfs",      "cgroup",    "cgroup2",
    "securityfs", "pstore",  "debugfs",  "tracefs",    "mqueue",     "hugetlbfs", "configfs",
    "fusectl",  "bpf",       "autofs",   "binfmt_misc", "nsfs",      "rpc_pipefs", "efivarfs",
    "ramfs",    "squashfs",  "overlay",  "fuse.gvfsd-fuse", "fuse.portal", "nfsd",
};

bool isSystemArea(const QString& root) {
    static const QStringList kAreas = {"/proc", "/sys", "/dev", "/run", "/snap", "/boot", "/var/lib"};
    if (root.startsWith("/run/media/")) return false;
    for (const QString& area : kAreas)
        if (root == area || root.startsWith(area + "/")) return true;
    return false;
}

bool lies_under(const QString& path, const QString& root) {
    if (root == "/") return path.startsWith('/');
    return path == root || path.startsWith(root + "/");
}

}  // namespace

// ---------------------------------------------------------------- DriveList

DriveList::DriveList(QWidget* parent) : QComboBox(parent) { refresh(); }

QStringList DriveList::mountedRoots() {
    QStringList roots{"/"};
    const QString home = QDir::cleanPath(QDir::homePath());
    if (home != "/" && QFileInfo(home).isDir()) roots << home;
    QStringList others;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) continue;
        const QString root = QDir::cleanPath(volume.rootPath());
        if (roots.contains(root) || others.contains(root)) continue;
        if (kPseudoFileSystems.contains(QString::fromLatin1(volume.fileSystemType()))) continue;
        if (isSystemArea(root) || !QFileInfo(root).isDir()) continue;
        others << root;
    }
    std::sort(others.begin(), others.end());
    return roots + others;
}

void DriveList::refresh() {
    const QString chosen = drivePath();
    QSignalBlocker blocker(this);
    clear();
    for (const QString& root : mountedRoots()) addItem(root, root);
    const int index = findData(chosen);
    setCurrentIndex(index >= 0 ? index : 0);
}

QString DriveList::drivePath() const {
    const QVariant data = currentData();
    return data.isValid() ? data.toString() : QStringLiteral("/");
}

void DriveList::selectDrive(const QString& root) {
    const QString clean = QDir::cleanPath(root);
    int index = findData(clean);
    if (index < 0) {
        addItem(clean, clean);
        index = count() - 1;
    }
    setCurrentIndex(index);
}

QString DriveList::currentFolderOf(const QString& root) const {
    const QString current = QDir::cleanPath(QDir::currentPath());
    if (!lies_under(current, root)) return root;
    // The current folder belongs to the most specific entry that holds it.
    for (int i = 0; i < count(); ++i) {
        const QString other = itemData(i).toString();
        if (other.size() > root.size() && lies_under(other, root) && lies_under(current, other)) return root;
    }
    return current;
}

// --------------------------------------------------------------- FolderList

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        setPath(item->data(Qt::UserRole).toString());
    });
}

void FolderList::setPath(const QString& folder) {
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    const bool changed = clean != path_;
    path_ = clean;
    fill();
    if (changed) emit pathChanged(path_);
}

QString FolderList::folderAt(int row) const {
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(Qt::UserRole).toString() : QString();
}

void FolderList::fill() {
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    QStringList chain;  // "/" down to the folder itself
    QString walk = path_;
    while (true) {
        chain.prepend(walk);
        if (walk == "/" || walk.isEmpty()) break;
        const QString parent = QFileInfo(walk).path();
        if (parent == walk) break;
        walk = parent;
    }
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name = folder == "/" ? QStringLiteral("/") : QFileInfo(folder).fileName();
        auto* entry = new QListWidgetItem(open, QString(depth * 2, u' ') + name, this);
        entry->setData(Qt::UserRole, folder);
        ++depth;
    }
    setCurrentRow(count() - 1);

    const QDir dir(path_);
    const QStringList children =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children) {
        auto* entry = new QListWidgetItem(closed, QString(depth * 2, u' ') + child, this);
        entry->setData(Qt::UserRole, QDir::cleanPath(dir.filePath(child)));
    }
}

// ----------------------------------------------------------------- FileList

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileList::setDirectory(const QString& folder) {
    directory_ = folder;
    refresh();
}

void FileList::refresh() {
    const bool hadSelection = !selectedItems().isEmpty();
    {
        const QSignalBlocker blocker(this);
        fill();
    }
    if (hadSelection) emit itemSelectionChanged();
}

void FileList::reload() {
    const QString chosen = selectedFileName();
    {
        const QSignalBlocker blocker(this);
        fill();
        if (!chosen.isEmpty() && selectFile(chosen)) return;
    }
    if (!chosen.isEmpty()) emit itemSelectionChanged();
}

void FileList::fill() {
    clear();
    if (directory_.isEmpty()) return;
    QDir dir(directory_);
    dir.setNameFilters({QStringLiteral("*.csv")});
    dir.setFilter(QDir::Files | QDir::Hidden);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    // Name filters of QDir ignore case by default, so "RESULT.CSV" is listed too.
    addItems(dir.entryList());
    setCurrentRow(-1);
}

QString FileList::selectedFileName() const {
    const QList<QListWidgetItem*> chosen = selectedItems();
    return chosen.isEmpty() ? QString() : chosen.first()->text();
}

bool FileList::selectFile(const QString& name) {
    const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    setCurrentItem(found.first());
    found.first()->setSelected(true);
    return true;
}

// --------------------------------------------------------------- PreviewBox

PreviewBox::PreviewBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kLightYellow);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
}

void PreviewBox::clear() {
    lines_.clear();
    update();
}

void PreviewBox::printLines(const QStringList& lines) {
    lines_ = lines;
    update();
}

void PreviewBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setClipRect(contentsRect());
    const QFontMetrics metrics(font());
    int baseline = contentsRect().top() + metrics.ascent();
    for (const QString& line : lines_) {
        painter.drawText(contentsRect().left(), baseline, line);
        baseline += metrics.height();
    }
}

}  // namespace tessaray
