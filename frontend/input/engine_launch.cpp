#include "input/engine_launch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace tessaray {

namespace {

QString executableIn(const QString& folder) {
    if (folder.isEmpty()) return QString();
    const QFileInfo info(QDir(folder).filePath(kEngineProgramName));
    if (info.isFile() && info.isExecutable()) return info.absoluteFilePath();
    return QString();
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
                           "printf '\\n%s\\n' \"Corvane ended with exit status $status. "
                           "Press Enter to close this window.\"; read reply; fi"),
            enginePath};
}

QList<TerminalCommand> terminalCommands(const QString& enginePath, const QString& workingDirectory) {
    const QStringList command = engineCommand(enginePath);
    return {
        // Plain xterm shows Japanese as blank cells unless it has a font for
        // the double-width characters (-fd).
        {QStringLiteral("xterm"),
         QStringList{QStringLiteral("-maximized"), QStringLiteral("-title"), kEngineProgramName, QStringLiteral("-fa"),
                     QStringLiteral("DejaVu Sans Mono"), QStringLiteral("-fd"), QStringLiteral("IPAGothic"),
                     QStringLiteral("-fs"), QStringLiteral("12"), QStringLiteral("-e")} +
             command},
        {QStringLiteral("x-terminal-emulator"), QStringList{QStringLiteral("-e")} + command},
        {QStringLiteral("gnome-terminal"),
         QStringList{QStringLiteral("--maximize"), QStringLiteral("--working-directory=") + workingDirectory,
                     QStringLiteral("--")} +
             command},
        {QStringLiteral("konsole"),
         QStringList{QStringLiteral("--workdir"), workingDirectory, QStringLiteral("-e")} + command},
        {QStringLiteral("xfce4-terminal"),
         QStringList{QStringLiteral("--maximize"), QStringLiteral("--working-directory=") + workingDirectory,
                     QStringLiteral("-x")} +
             command},
    };
}

bool startEngine(QString* error) {
    const QString engine = findEngineExecutable();
    if (engine.isEmpty()) {
        *error = QStringLiteral("%1: program not found (looked in %2, in %3 and on the PATH)")
                     .arg(kEngineProgramName, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()),
                          QDir::toNativeSeparators(QDir::currentPath()));
        return false;
    }
    const QString workingDirectory = QDir::currentPath();
    QStringList tried;
    QString failures;
    for (const TerminalCommand& command : terminalCommands(engine, workingDirectory)) {
        tried << command.program;
        const QString terminal = QStandardPaths::findExecutable(command.program);
        if (terminal.isEmpty()) continue;
        QProcess process;
        process.setProgram(terminal);
        process.setArguments(command.arguments);
        process.setWorkingDirectory(workingDirectory);
        // Detached children must not hold the front-end's streams open: a
        // caller reading Tessaray's output through a pipe would never see it end.
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        if (process.startDetached()) return true;
        failures += QStringLiteral("; %1: %2").arg(terminal, process.errorString());
    }
    if (failures.isEmpty()) {
        *error = QStringLiteral("%1: no terminal program found on the PATH to run it in (tried %2)")
                     .arg(kEngineProgramName, tried.join(QStringLiteral(", ")));
    } else {
        *error = QStringLiteral("%1: the terminal could not be started%2").arg(kEngineProgramName, failures);
    }
    return false;
}

}  // namespace tessaray
