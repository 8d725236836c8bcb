#pragma once
// Starting the engine Corvane in a terminal window of its own, in the
// front-end's current working directory, without waiting for it.

#include <QList>
#include <QString>
#include <QStringList>

namespace tessaray {

inline const QString kEngineProgramName = QStringLiteral("Corvane");

struct TerminalCommand {
    QString program;  // looked up on the PATH
    QStringList arguments;
};

// The engine executable: in the front-end's own folder, then in the current
// working directory, then on the PATH. Empty when it is nowhere.
QString findEngineExecutable();

// The command a terminal runs: the engine itself, followed, when it ends with a
// failure, by a notice of its exit status and a wait for Enter. The engine
// reports a failed run on its console and ends at once; without the wait the
// terminal window would close before the report could be read.
QStringList engineCommand(const QString& enginePath);

// The terminal programs tried, in order, each told to run `enginePath` in
// `workingDirectory`, maximised where the terminal offers it.
QList<TerminalCommand> terminalCommands(const QString& enginePath, const QString& workingDirectory);

// Starts the engine detached in the first terminal found, with the current
// working directory and null standard streams; keeps no handle. Returns false
// with a message saying what is missing (the engine, a terminal) or why the
// start failed.
bool startEngine(QString* error);

}  // namespace tessaray
