#pragma once
// Starting the engine Corvane in a terminal window of its own, in the
// front-end's current working directory, without waiting for it.

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

namespace tessaray {

inline const QString kEngineProgramName = QStringLiteral("Corvane");

// The terminal programs whose options are known; any other terminal behind
// "x-terminal-emulator" gets the options every Debian terminal accepts.
enum class TerminalKind { Xterm, GnomeTerminal, Konsole, Xfce4Terminal, Generic };

struct TerminalCommand {
    QString program;  // a name looked up on the PATH, or a path
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

// The kind of a terminal program by its file name ("konsole", "uxterm", ...);
// Generic for any other name.
TerminalKind terminalKindOf(const QString& programPath);

// The arguments that make a terminal of `kind` run `command` in
// `workingDirectory` in a window titled "Corvane", maximised, or as large as
// `screen` (the screen's free area) where the terminal has no maximise option.
QStringList terminalArguments(TerminalKind kind, const QString& workingDirectory, const QStringList& command,
                              const QRect& screen);

// The terminals tried, in order: xterm, x-terminal-emulator, gnome-terminal,
// konsole, xfce4-terminal.
QStringList terminalNames();

// How a terminal found at `path` under the name `name` is started: for
// "x-terminal-emulator" the link is followed to the real terminal, whose own
// options are used (a Debian ".wrapper" script is replaced by the terminal it
// wraps when that lies beside it). Nothing when `path` does not resolve.
std::optional<TerminalCommand> terminalCommand(const QString& name, const QString& path, const QString& enginePath,
                                               const QString& workingDirectory, const QRect& screen);

// Starts the engine detached in the first terminal found, with the current
// working directory and null standard streams; keeps no handle. Returns false
// with a message, Japanese first line then the detail, saying what is missing
// (the engine, a terminal) or why the start failed.
bool startEngine(QString* error);

}  // namespace tessaray
