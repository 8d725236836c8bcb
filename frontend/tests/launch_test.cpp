// Starting the engine: where the program is looked for, which terminal runs
// it, in which folder, and what happens when either is missing. Stand-in
// scripts take the place of the engine and the terminals on the PATH.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QScreen>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "input/engine_launch.h"
#include "input/form1.h"
#include "input_support.h"

using namespace tessaray;
using namespace tessaray_test;

namespace {

// Records the folder it was started in; a real engine would read "B2F.dat" there.
const QByteArray kEngineScript = "#!/bin/sh\npwd > engine_started_in.txt\n";

// A terminal that records its arguments and folder, then runs the command
// after its "-e", "-x" or "--" as real terminals do.
const QByteArray kTerminalScript =
    "#!/bin/sh\n"
    "printf '%s\\n' \"$0\" \"$@\" > terminal_arguments.txt\n"
    "while [ $# -gt 0 ]; do\n"
    "  case \"$1\" in -e|-x|--) shift; exec \"$@\";; esac\n"
    "  shift\n"
    "done\n"
    "exit 1\n";

bool writeScript(const QString& path, const QByteArray& text) {
    if (!writeFile(path, text)) return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                           QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

// Waits up to ten seconds for a file the detached stand-ins write.
QByteArray waitForFile(const QString& path) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray text = file.readAll();
            if (text.endsWith('\n')) return text;
        }
        QTest::qWait(20);
    }
    return QByteArray();
}

}  // namespace

class LaunchTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void findsTheEngineInTheWorkingDirectoryBeforeThePath();
    void commandLineOfEachTerminalKind_data();
    void commandLineOfEachTerminalKind();
    void xTerminalEmulatorIsFollowedToTheRealTerminal_data();
    void xTerminalEmulatorIsFollowedToTheRealTerminal();
    void startsTheEngineInEachTerminal_data();
    void startsTheEngineInEachTerminal();
    void startFailureEndsTheProgram_data();
    void startFailureEndsTheProgram();
    void terminalStaysOpenOnlyAfterAFailedRun_data();
    void terminalStaysOpenOnlyAfterAFailedRun();

private:
    QString work() const { return QFileInfo(work_->path()).canonicalFilePath(); }
    QString bin() const { return QFileInfo(bin_->path()).canonicalFilePath(); }

    QByteArray savedPath_;
    QString previousDir_;
    std::unique_ptr<QTemporaryDir> work_;
    std::unique_ptr<QTemporaryDir> bin_;
};

void LaunchTest::initTestCase() {
    if (QFileInfo::exists(QDir(QCoreApplication::applicationDirPath()).filePath(kEngineProgramName)))
        QSKIP("an engine lies beside the test program; the stand-ins would not be used");
}

void LaunchTest::init() {
    savedPath_ = qgetenv("PATH");
    previousDir_ = QDir::currentPath();
    work_ = std::make_unique<QTemporaryDir>();
    bin_ = std::make_unique<QTemporaryDir>();
    QVERIFY(work_->isValid() && bin_->isValid());
    QVERIFY(QDir::setCurrent(work_->path()));
    // Only the stand-ins are on the PATH: no real terminal can open.
    qputenv("PATH", bin().toLocal8Bit());
}

void LaunchTest::cleanup() {
    qputenv("PATH", savedPath_);
    QDir::setCurrent(previousDir_);
    work_.reset();
    bin_.reset();
}

void LaunchTest::findsTheEngineInTheWorkingDirectoryBeforeThePath() {
    QCOMPARE(findEngineExecutable(), QString());
    QVERIFY(writeScript(QDir(bin()).filePath(kEngineProgramName), kEngineScript));
    QCOMPARE(findEngineExecutable(), QDir(bin()).filePath(kEngineProgramName));
    // A file of that name that cannot be run does not count.
    QVERIFY(writeFile(QDir(work()).filePath(kEngineProgramName), kEngineScript));
    QCOMPARE(findEngineExecutable(), QDir(bin()).filePath(kEngineProgramName));
    QVERIFY(writeScript(QDir(work()).filePath(kEngineProgramName), kEngineScript));
    QCOMPARE(findEngineExecutable(), QDir(work()).filePath(kEngineProgramName));
}

// Every terminal opens the engine titled "Corvane", maximised or as large as
// the screen's free area, in the working directory.
void LaunchTest::commandLineOfEachTerminalKind_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("expected");
    const QStringList cmd{"/bin/sh", "-c", "script", "/e/Corvane"};
    QTest::newRow("xterm") << int(TerminalKind::Xterm)
                           << QStringList{"-maximized", "-title", "Corvane", "-fa", "DejaVu Sans Mono", "-fd", "IPAGothic",
                                          "-fs", "12", "-e"} + cmd;
    QTest::newRow("gnome-terminal") << int(TerminalKind::GnomeTerminal)
                                    << QStringList{"--maximize", "--title=Corvane", "--working-directory=/w d", "--"} + cmd;
    QTest::newRow("konsole") << int(TerminalKind::Konsole)
                             << QStringList{"--workdir", "/w d", "-p", "tabtitle=Corvane", "-qwindowtitle", "Corvane",
                                            "-qwindowgeometry", "1920x1040+0+40", "-e"} + cmd;
    QTest::newRow("xfce4-terminal") << int(TerminalKind::Xfce4Terminal)
                                    << QStringList{"--maximize", "--title=Corvane", "--working-directory=/w d", "-x"} + cmd;
    QTest::newRow("any other terminal") << int(TerminalKind::Generic) << QStringList{"-T", "Corvane", "-e"} + cmd;
}

void LaunchTest::commandLineOfEachTerminalKind() {
    QFETCH(int, kind);
    QFETCH(QStringList, expected);
    const QStringList cmd{"/bin/sh", "-c", "script", "/e/Corvane"};
    QCOMPARE(terminalArguments(TerminalKind(kind), QStringLiteral("/w d"), cmd, QRect(0, 40, 1920, 1040)), expected);
}

// "x-terminal-emulator" is a chain of links (the alternatives system); the
// terminal at its end is started with that terminal's own options.
void LaunchTest::xTerminalEmulatorIsFollowedToTheRealTerminal_data() {
    QTest::addColumn<QString>("target");      // the real terminal's file name; empty: a dangling link
    QTest::addColumn<QStringList>("beside");  // other programs in the real terminal's folder
    QTest::addColumn<QString>("started");     // the program started
    QTest::addColumn<int>("kind");
    QTest::newRow("konsole") << "konsole" << QStringList{} << "konsole" << int(TerminalKind::Konsole);
    QTest::newRow("xterm through uxterm") << "uxterm" << QStringList{} << "uxterm" << int(TerminalKind::Xterm);
    QTest::newRow("gnome-terminal wrapper") << "gnome-terminal.wrapper" << QStringList{"gnome-terminal"} << "gnome-terminal"
                                            << int(TerminalKind::GnomeTerminal);
    QTest::newRow("wrapper alone") << "xfce4-terminal.wrapper" << QStringList{} << "xfce4-terminal.wrapper"
                                   << int(TerminalKind::Generic);
    QTest::newRow("another terminal") << "lxterminal" << QStringList{} << "lxterminal" << int(TerminalKind::Generic);
    QTest::newRow("dangling link") << QString() << QStringList{} << QString() << 0;
}

void LaunchTest::xTerminalEmulatorIsFollowedToTheRealTerminal() {
    QFETCH(QString, target);
    QFETCH(QStringList, beside);
    QFETCH(QString, started);
    QFETCH(int, kind);
    const QDir root(work());
    QVERIFY(root.mkpath(QStringLiteral("alternatives")) && root.mkpath(QStringLiteral("real")));
    const QString real = root.filePath(QStringLiteral("real/") + (target.isEmpty() ? QStringLiteral("gone") : target));
    if (!target.isEmpty()) QVERIFY(writeScript(real, kTerminalScript));
    for (const QString& other : beside) QVERIFY(writeScript(root.filePath(QStringLiteral("real/") + other), kTerminalScript));
    const QString alternative = root.filePath(QStringLiteral("alternatives/x-terminal-emulator"));
    const QString link = QDir(bin()).filePath(QStringLiteral("x-terminal-emulator"));
    QVERIFY(QFile::link(real, alternative) && QFile::link(alternative, link));

    const QRect screen(0, 0, 1280, 1000);
    const auto command = terminalCommand(QStringLiteral("x-terminal-emulator"), link, QStringLiteral("/e/Corvane"), work(), screen);
    if (started.isEmpty()) {
        QVERIFY(!command.has_value());
        return;
    }
    QVERIFY(command.has_value());
    QCOMPARE(command->program, root.filePath(QStringLiteral("real/") + started));
    QCOMPARE(command->arguments, terminalArguments(TerminalKind(kind), work(), engineCommand(QStringLiteral("/e/Corvane")), screen));
    QVERIFY(command->arguments.contains(QStringLiteral("Corvane")) ||
            command->arguments.contains(QStringLiteral("--title=Corvane")));
}

void LaunchTest::startsTheEngineInEachTerminal_data() {
    QTest::addColumn<QString>("terminal");
    QTest::addColumn<QString>("linkTo");         // for a link: the terminal it leads to, in another folder
    QTest::addColumn<QStringList>("arguments");  // %E: the engine's command, %W: the working directory, %G: the screen
    QTest::newRow("xterm") << "xterm" << QString()
                           << QStringList{"-maximized", "-title", "Corvane", "-fa", "DejaVu Sans Mono", "-fd", "IPAGothic",
                                          "-fs", "12", "-e", "%E"};
    QTest::newRow("x-terminal-emulator") << "x-terminal-emulator" << QString() << QStringList{"-T", "Corvane", "-e", "%E"};
    QTest::newRow("x-terminal-emulator to xfce4-terminal")
        << "x-terminal-emulator" << "xfce4-terminal"
        << QStringList{"--maximize", "--title=Corvane", "--working-directory=%W", "-x", "%E"};
    QTest::newRow("gnome-terminal") << "gnome-terminal" << QString()
                                    << QStringList{"--maximize", "--title=Corvane", "--working-directory=%W", "--", "%E"};
    QTest::newRow("konsole") << "konsole" << QString()
                             << QStringList{"--workdir", "%W", "-p", "tabtitle=Corvane", "-qwindowtitle", "Corvane",
                                            "-qwindowgeometry", "%G", "-e", "%E"};
    QTest::newRow("xfce4-terminal") << "xfce4-terminal" << QString()
                                    << QStringList{"--maximize", "--title=Corvane", "--working-directory=%W", "-x", "%E"};
}

void LaunchTest::startsTheEngineInEachTerminal() {
    QFETCH(QString, terminal);
    QFETCH(QString, linkTo);
    QFETCH(QStringList, arguments);
    const QString engine = QDir(bin()).filePath(kEngineProgramName);
    QVERIFY(writeScript(engine, kEngineScript));
    QString started = QDir(bin()).filePath(terminal);
    if (linkTo.isEmpty()) {
        QVERIFY(writeScript(started, kTerminalScript));
    } else {
        QVERIFY(QDir(work()).mkdir(QStringLiteral("real")));
        started = QDir(work()).filePath(QStringLiteral("real/") + linkTo);
        QVERIFY(writeScript(started, kTerminalScript));
        QVERIFY(QFile::link(started, QDir(bin()).filePath(terminal)));
    }
    // The terminals that come later in the order are there too, and must not be used.
    if (terminal == QStringLiteral("xterm")) QVERIFY(writeScript(QDir(bin()).filePath(QStringLiteral("konsole")), "#!/bin/sh\nexit 1\n"));

    Module1 state;
    RecordingSink messages;
    EndRecorder ends;
    Form1 form(state, messages, ends.function());
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto* go = form.findChild<QPushButton*>(QStringLiteral("Command2"));
    form.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    QVERIFY(go->isEnabled());
    QCOMPARE(QApplication::focusWidget(), go);
    go->click();
    QVERIFY(!go->isEnabled());
    // The focus rests on "計算結果を見る", not on "終了", where a stray Enter
    // meant for the engine's terminal would end the program.
    QCOMPARE(QApplication::focusWidget(), form.findChild<QPushButton*>(QStringLiteral("Command4")));
    QVERIFY(messages.messages.empty());
    QVERIFY(ends.statuses.empty());

    // The engine ran in the front-end's working directory.
    QCOMPARE(waitForFile(QDir(work()).filePath(QStringLiteral("engine_started_in.txt"))), (work() + QStringLiteral("\n")).toLocal8Bit());
    // The terminal was started there too, with its arguments.
    const QByteArray recorded = waitForFile(QDir(work()).filePath(QStringLiteral("terminal_arguments.txt")));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QStringList expected{started};
    for (QString a : arguments) {
        if (a == QStringLiteral("%E")) expected << engineCommand(engine);
        else if (a == QStringLiteral("%G"))
            expected << QStringLiteral("%1x%2+%3+%4").arg(screen.width()).arg(screen.height()).arg(screen.x()).arg(screen.y());
        else expected << a.replace(QStringLiteral("%W"), work());
    }
    QCOMPARE(QString::fromLocal8Bit(recorded).split(u'\n', Qt::SkipEmptyParts), expected);
    QVERIFY(QFile::exists(QDir(work()).filePath(QStringLiteral("B2F.dat"))));
}

void LaunchTest::startFailureEndsTheProgram_data() {
    QTest::addColumn<QString>("present");      // the one stand-in script on the PATH
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("reported");  // the error's Japanese first line, then parts of the detail
    QTest::addColumn<QString>("neverWritten");  // what shows that nothing was started
    QTest::newRow("missing engine") << QStringLiteral("xterm") << kTerminalScript
                                    << QStringList{QStringLiteral("計算プログラム Corvane が見つかりません"),
                                                   QStringLiteral("Corvane: program not found")}
                                    << QStringLiteral("terminal_arguments.txt");
    QTest::newRow("missing terminal")
        << kEngineProgramName << kEngineScript
        << QStringList{QStringLiteral("Corvane を実行する端末プログラムが見つかりません"),
                       QStringLiteral("Corvane: no terminal program found"),
                       QStringLiteral("xterm, x-terminal-emulator, gnome-terminal, konsole, xfce4-terminal")}
        << QStringLiteral("engine_started_in.txt");
}

// Without the engine, or without a terminal to run it in, "シミュレーション Go"
// shows the error and ends the program; no terminal and no engine is started.
void LaunchTest::startFailureEndsTheProgram() {
    QFETCH(QString, present);
    QFETCH(QByteArray, script);
    QFETCH(QStringList, reported);
    QFETCH(QString, neverWritten);
    QVERIFY(writeScript(QDir(bin()).filePath(present), script));
    Module1 state;
    RecordingSink messages;
    EndRecorder ends;
    Form1 form(state, messages, ends.function());
    form.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    form.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
    QCOMPARE(int(messages.messages.size()), 1);
    QCOMPARE(messages.messages[0].kind, QStringLiteral("fatal"));
    const QString& text = messages.messages[0].text;
    QCOMPARE(text.section(u'\n', 0, 0), reported.first());
    for (const QString& part : reported) QVERIFY2(text.contains(part), qPrintable(text));
    QCOMPARE(ends.statuses, std::vector<int>{1});
    QTest::qWait(300);
    QVERIFY(!QFile::exists(QDir(work()).filePath(neverWritten)));
}

void LaunchTest::terminalStaysOpenOnlyAfterAFailedRun_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("notice");
    QTest::newRow("normal end") << 0 << QString();
    QTest::newRow("refused conditions")
        << 4 << QStringLiteral("\n計算が異常終了しました。Enter キーを押すとこの画面を閉じます。\nCorvane: exit status 4\n");
}

// The terminal runs the engine through engineCommand: after a failed run the
// window must wait for Enter, so that the engine's error report can be read.
void LaunchTest::terminalStaysOpenOnlyAfterAFailedRun() {
    QFETCH(int, status);
    QFETCH(QString, notice);
    const QString engine = QDir(bin()).filePath(kEngineProgramName);
    QVERIFY(writeScript(engine, QByteArray("#!/bin/sh\necho engine output\nexit ") + QByteArray::number(status) + "\n"));
    const QStringList command = engineCommand(engine);
    QProcess shell;
    shell.setProgram(command.first());
    shell.setArguments(command.mid(1));
    shell.start();
    QVERIFY(shell.waitForStarted());
    // Enter pressed in the terminal: the wait reads one line, then the window may close.
    shell.write("\n");
    shell.closeWriteChannel();
    QVERIFY(shell.waitForFinished(5000));
    QCOMPARE(QString::fromLocal8Bit(shell.readAllStandardOutput()), QStringLiteral("engine output\n") + notice);
}

QTEST_MAIN(LaunchTest)
#include "launch_test.moc"
