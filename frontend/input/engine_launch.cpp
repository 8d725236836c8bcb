#include "input/engine_launch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

namespace tessaray {

namespace {

const QString kEngineMissing = QStringLiteral("計算プログラム Corvane が見つかりません");
const QString kTerminalMissing = QStringLiteral("Corvane を実行する端末プログラムが見つかりません");
const QString kTerminalFailed = QStringLiteral("端末プログラムを起動できません");

QString executableIn(const QString& folder) {
    if (folder.isEmpty()) return QString();
    const QFileInfo info(QDir(folder).filePath(kEngineProgramName));
    if (info.isFile() && info.isExecutable()) return info.absoluteFilePath();
    return QString();
}

// Debian installs some terminals behind a ".wrapper" script that speaks the
// xterm options; the terminal itself lies beside it without the suffix.
const QString kWrapperSuffix = QStringLiteral(".wrapper");

QRect availableScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

}  // namespace

QString findEngineExecutable() {
    QString path = executableIn(QCoreApplication::applicationDirPath());
    if (path.isEmpty()) path = executableIn(QDir::currentPath());
    if (path.isEmpty()) path = QStandardPaths::findExecutable(kEngineProgramName);
    return path;
}

QStringList engineCommand(const QString& enginePath) {
    return {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
            QStringLiteral("\"$0\"; status=$?; if [ \"$status\" -ne 0 ]; then "
                           "printf '\\n%s\\n%s\\n' \"計算が異常終了しました。Enter キーを押すとこの画面を閉じます。\" "
                           "\"Corvane: exit status $status\"; read reply; fi"),
            enginePath};
}

TerminalKind terminalKindOf(const QString& programPath) {
    const QString name = QFileInfo(programPath).fileName();
    // uxterm, lxterm and koi8rxterm are scripts that start xterm with their
    // arguments.
    if (name == QStringLiteral("xterm") || name == QStringLiteral("uxterm") || name == QStringLiteral("lxterm") ||
        name == QStringLiteral("koi8rxterm"))
        return TerminalKind::Xterm;
    if (name == QStringLiteral("gnome-terminal")) return TerminalKind::GnomeTerminal;
    if (name == QStringLiteral("konsole")) return TerminalKind::Konsole;
    if (name == QStringLiteral("xfce4-terminal")) return TerminalKind::Xfce4Terminal;
    return TerminalKind::Generic;
}

QStringList terminalArguments(TerminalKind kind, const QString& workingDirectory, const QStringList& command,
                              const QRect& screen) {
    const QString& title = kEngineProgramName;
    switch (kind) {
        case TerminalKind::Xterm:
            // Plain xterm shows Japanese as blank cells unless it has a font
            // for the double-width characters (-fd).
            return QStringList{QStringLiteral("-maximized"), QStringLiteral("-title"), title, QStringLiteral("-fa"),
                               QStringLiteral("DejaVu Sans Mono"), QStringLiteral("-fd"), QStringLiteral("IPAGothic"),
                               QStringLiteral("-fs"), QStringLiteral("12"), QStringLiteral("-e")} +
                   command;
        case TerminalKind::GnomeTerminal:
            return QStringList{QStringLiteral("--maximize"), QStringLiteral("--title=") + title,
                               QStringLiteral("--working-directory=") + workingDirectory, QStringLiteral("--")} +
                   command;
        case TerminalKind::Konsole: {
            // Konsole has no maximise option: its window is given the free
            // area of the screen through the option every Qt program takes,
            // and its tab title (which the window shows) is set.
            QStringList arguments{QStringLiteral("--workdir"), workingDirectory, QStringLiteral("-p"),
                                  QStringLiteral("tabtitle=") + title, QStringLiteral("-qwindowtitle"), title};
            if (screen.isValid())
                arguments << QStringLiteral("-qwindowgeometry")
                          << QStringLiteral("%1x%2+%3+%4").arg(screen.width()).arg(screen.height()).arg(screen.x()).arg(screen.y());
            return arguments + QStringList{QStringLiteral("-e")} + command;
        }
        case TerminalKind::Xfce4Terminal:
            return QStringList{QStringLiteral("--maximize"), QStringLiteral("--title=") + title,
                               QStringLiteral("--working-directory=") + workingDirectory, QStringLiteral("-x")} +
                   command;
        case TerminalKind::Generic:
            // What every terminal behind "x-terminal-emulator" must accept.
            return QStringList{QStringLiteral("-T"), title, QStringLiteral("-e")} + command;
    }
    return {};
}

QStringList terminalNames() {
    return {QStringLiteral("xterm"), QStringLiteral("x-terminal-emulator"), QStringLiteral("gnome-terminal"),
            QStringLiteral("konsole"), QStringLiteral("xfce4-terminal")};
}

std::optional<TerminalCommand> terminalCommand(const QString& name, const QString& path, const QString& enginePath,
                                               const QString& workingDirectory, const QRect& screen) {
    QString program = path;
    if (name == QStringLiteral("x-terminal-emulator")) {
        // The alternatives link names the terminal that really opens.
        std::error_code failure;
        const std::filesystem::path real = std::filesystem::canonical(QFile::encodeName(path).toStdString(), failure);
        if (failure) return std::nullopt;
        program = QFile::decodeName(QByteArray::fromStdString(real.string()));
        if (program.endsWith(kWrapperSuffix)) {
            const QFileInfo wrapped(program.chopped(kWrapperSuffix.size()));
            if (wrapped.isFile() && wrapped.isExecutable()) program = wrapped.filePath();
        }
    }
    // A wrapper that could not be replaced takes the options of Debian's
    // terminal interface.
    const TerminalKind kind = program.endsWith(kWrapperSuffix) ? TerminalKind::Generic : terminalKindOf(program);
    return TerminalCommand{program, terminalArguments(kind, workingDirectory, engineCommand(enginePath), screen)};
}

bool startEngine(QString* error) {
    const QString engine = findEngineExecutable();
    if (engine.isEmpty()) {
        *error = kEngineMissing + u'\n' +
                 QStringLiteral("%1: program not found (looked in %2, in %3 and on the PATH)")
                     .arg(kEngineProgramName, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()),
                          QDir::toNativeSeparators(QDir::currentPath()));
        return false;
    }
    const QString workingDirectory = QDir::currentPath();
    const QRect screen = availableScreen();
    QString failures;
    for (const QString& name : terminalNames()) {
        const QString found = QStandardPaths::findExecutable(name);
        if (found.isEmpty()) continue;
        const std::optional<TerminalCommand> command = terminalCommand(name, found, engine, workingDirectory, screen);
        if (!command) {
            failures += QStringLiteral("; %1: the link does not lead to a program").arg(found);
            continue;
        }
        QProcess process;
        process.setProgram(command->program);
        process.setArguments(command->arguments);
        process.setWorkingDirectory(workingDirectory);
        // Detached children must not hold the front-end's streams open: a
        // caller reading Tessaray's output through a pipe would never see it end.
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        if (process.startDetached()) return true;
        failures += QStringLiteral("; %1: %2").arg(command->program, process.errorString());
    }
    if (failures.isEmpty()) {
        *error = kTerminalMissing + u'\n' +
                 QStringLiteral("%1: no terminal program found on the PATH to run it in (tried %2)")
                     .arg(kEngineProgramName, terminalNames().join(QStringLiteral(", ")));
    } else {
        *error = kTerminalFailed + u'\n' + QStringLiteral("%1: the terminal could not be started%2").arg(kEngineProgramName, failures);
    }
    return false;
}

}  // namespace tessaray
