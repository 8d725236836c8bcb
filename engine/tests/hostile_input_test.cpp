// Runs the built Corvane against files and surroundings a careless or
// malicious user could give it: device nodes, FIFOs and sockets where files
// belong, bytes that would act on a terminal, broken line ends, values just
// past a limit, a console that stops taking output and a file-size limit. For
// each case it checks the exit status and the report, and that the working
// folder holds afterwards exactly what it held before (plus the result where
// one is due): no existing file changed, no temporary file left.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core_test_support.h"
#include "files/companion_file.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::ScratchFolder;
using testing::readFile;
using testing::runParameterText;
using testing::writeFile;

// Where the engine's standard output goes.
enum class Output {
    File,        // a file outside the working folder
    ClosedPipe,  // a pipe whose reader stops after 10 bytes, as `| head -c 10`
    FullDevice,  // /dev/full: every write fails with ENOSPC
    Discard,     // /dev/null
};

struct Launch {
    std::string input = "\n\n";
    Output output = Output::File;
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

struct Outcome {
    int status = -1;  // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

void writeAllTo(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;  // the engine ended without reading it all
        done += static_cast<std::size_t>(n);
    }
}

// Runs Corvane in `folder` in a UTF-8 locale; gives up after a minute.
Outcome launchCorvane(const fs::path& folder, const fs::path& scratch, const Launch& launch) {
    // The engine may end before it reads its input: a write to its closed
    // pipe must fail here, not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    int inPipe[2], outPipe[2] = {-1, -1};
    if (::pipe(inPipe) != 0) throw std::runtime_error("pipe");
    if (launch.output == Output::ClosedPipe && ::pipe(outPipe) != 0) throw std::runtime_error("pipe");
    const fs::path outFile = scratch / "stdout", errFile = scratch / "stderr";
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(inPipe[0], 0);
        int out = -1;
        switch (launch.output) {
            case Output::File: out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644); break;
            case Output::ClosedPipe: out = outPipe[1]; break;
            case Output::FullDevice: out = ::open("/dev/full", O_WRONLY); break;
            case Output::Discard: out = ::open("/dev/null", O_WRONLY); break;
        }
        ::dup2(out, 1);
        ::dup2(::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        for (int fd = 3; fd < 64; ++fd) ::close(fd);
        const rlimit limit{launch.fileSizeLimit, launch.fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        // What the engine does with these signals must be its own doing.
        std::signal(SIGPIPE, SIG_DFL);
        std::signal(SIGXFSZ, SIG_DFL);
        if (::chdir(folder.c_str()) != 0) ::_exit(120);
        ::setenv("LC_ALL", "C.UTF-8", 1);
        ::execl(CORVANE_EXE, CORVANE_EXE, static_cast<char*>(nullptr));
        ::_exit(121);
    }
    ::close(inPipe[0]);
    Outcome outcome;
    if (launch.output == Output::ClosedPipe) {
        ::close(outPipe[1]);
        // Read the first 10 bytes (the engine is waiting for Enter by then),
        // then stop reading for good.
        char buffer[10];
        std::size_t got = 0;
        pollfd readable{outPipe[0], POLLIN, 0};
        while (got < sizeof buffer && ::poll(&readable, 1, 60000) > 0) {
            const ssize_t n = ::read(outPipe[0], buffer + got, sizeof buffer - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        outcome.out.assign(buffer, got);
        ::close(outPipe[0]);
    }
    writeAllTo(inPipe[1], launch.input);
    ::close(inPipe[1]);

    int raw = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (::waitpid(child, &raw, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &raw, 0);
            ADD_FAILURE() << "Corvane did not end within a minute";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    if (launch.output == Output::File) outcome.out = readFile(outFile);
    outcome.err = readFile(errFile);
    return outcome;
}

// What a folder holds: every entry by name with its type, permission bits and
// content (or link target).
struct Entry {
    fs::file_type type;
    fs::perms perms;
    std::string content;
    bool operator==(const Entry&) const = default;
};
using Snapshot = std::map<std::string, Entry>;

Snapshot snapshot(const fs::path& folder) {
    Snapshot entries;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const fs::file_status status = entry.symlink_status();
        std::string content;
        if (status.type() == fs::file_type::regular) content = readFile(entry.path());
        if (status.type() == fs::file_type::symlink) content = fs::read_symlink(entry.path()).string();
        entries[entry.path().filename().string()] = {status.type(), status.permissions(), content};
    }
    return entries;
}

// "B2F.dat" of a header-only run (0.4 kV: no energy bin) into "r.csv", with
// `line` replaced by `value` where given (1-based).
std::string runParameters(int line = 0, const std::string& value = "") {
    std::string lines[11] = {"0000.4", "12.000", "01.000", "00.000", "00.100", "0010.0",
                             "0001000000.", "01", "01", "01", "r.csv"};
    if (line > 0) lines[line - 1] = value;
    return runParameterText(lines[0], lines[1], lines[2], lines[3], lines[4], lines[5], lines[6], lines[7],
                            lines[8], lines[9], lines[10]);
}

// The coefficient table with `field` (1-based, of 8) of row `row` rewritten.
std::string coefficientTableWith(int row, int field, const std::string& text) {
    std::string table = testing::coefficientTableText(testing::smoothRow);
    const int lineLength = 117;  // 115 columns and CR LF
    const int first = field == 1 ? 0 : 10 + 15 * (field - 2);
    const int width = field == 1 ? 10 : 15;
    const std::string padded = std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
    table.replace(static_cast<std::size_t>((row - 1) * lineLength + first), static_cast<std::size_t>(width), padded);
    return table;
}

// An empty file system node of the given kind at `path`; the reason when this
// environment cannot make one.
std::string makeNode(const fs::path& path, mode_t kind) {
    if (kind == S_IFSOCK) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.string().size() >= sizeof address.sun_path) return "socket path too long";
        std::strcpy(address.sun_path, path.c_str());
        const int rc = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::close(fd);
        return rc == 0 ? "" : std::string("cannot bind a socket: ") + std::strerror(errno);
    }
    // A private copy of /dev/null (major 1, minor 3) for a character device.
    const dev_t device = kind == S_IFCHR ? makedev(1, 3) : 0;
    if (::mknod(path.c_str(), kind | 0666, device) != 0) {
        return std::string("cannot make a device node or FIFO here: ") + std::strerror(errno);
    }
    return "";
}

struct HostileCase {
    const char* name;
    // Changes the working folder of a valid header-only run; returns why the
    // case cannot be set up here, or nothing.
    std::function<std::string(const fs::path&)> setUp;
    Launch launch;
    int status;
    std::vector<std::string> reportMentions;  // in the standard error text
    const char* result;                       // the one entry allowed to change, or nullptr
    std::function<void(const fs::path&, const Outcome&)> alsoCheck;
};

const std::string kCsvHeaderEnd = "20cm S,20cm P+S\r\n";

void resultIsWhole(const fs::path& file) {
    ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(file))) << file;
    const std::string text = readFile(file);
    EXPECT_EQ(text.rfind(" Constant potential rectification\r\n", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - kCsvHeaderEnd.size()), kCsvHeaderEnd) << text;
}

std::function<std::string(const fs::path&)> writes(const std::string& file, const std::string& bytes) {
    return [=](const fs::path& dir) {
        writeFile(dir / file, bytes);
        return std::string();
    };
}

std::function<std::string(const fs::path&)> replacesWithNode(const std::string& file, mode_t kind) {
    return [=](const fs::path& dir) {
        fs::remove(dir / file);
        return makeNode(dir / file, kind);
    };
}

const std::string kTerminalControl = "\x1B[2J\x1B]0;owned\x07";

const HostileCase kCases[] = {
    // The result name names something that is not a file: refused before the
    // first Enter, nothing created or renamed.
    {"ResultNamesACharacterDevice", replacesWithNode("r.csv", S_IFCHR), {}, 4,
     {"resultFileName \"r.csv\" points at a character device"}, nullptr, {}},
    {"ResultNamesAFifo", replacesWithNode("r.csv", S_IFIFO), {}, 4, {"\"r.csv\" points at a FIFO"}, nullptr, {}},
    {"ResultNamesASocket", replacesWithNode("r.csv", S_IFSOCK), {}, 4, {"\"r.csv\" points at a socket"}, nullptr, {}},
    {"CompanionNamesAFifo", replacesWithNode("r.json", S_IFIFO), {}, 4,
     {"the companion file \"r.json\" of resultFileName \"r.csv\" points at a FIFO"}, nullptr, {}},
    {"ResultInAFolderThatTakesNoFile", writes("B2F.dat", runParameters(11, "/proc/self/fd/1")), {"\n\n"},
     4, {"resultFileName \"/proc/self/fd/1\": the folder \"/proc/self/fd\"", "could not be created"}, nullptr, {}},
    // A symbolic link is replaced by the result; its target stays as it was.
    {"ResultNamesASymbolicLink",
     [](const fs::path& dir) {
         writeFile(dir / "target.csv", "kept\r\n");
         fs::create_symlink("target.csv", dir / "r.csv");
         return std::string();
     },
     {}, 0, {}, "r.csv", [](const fs::path& dir, const Outcome&) { resultIsWhole(dir / "r.csv"); }},
    {"ReplacedResultKeepsItsPermissions",
     [](const fs::path& dir) {
         writeFile(dir / "r.csv", "old\r\n");
         fs::permissions(dir / "r.csv", fs::perms::owner_read | fs::perms::owner_write);
         return std::string();
     },
     {}, 0, {}, "r.csv",
     [](const fs::path& dir, const Outcome&) {
         resultIsWhole(dir / "r.csv");
         EXPECT_EQ(fs::status(dir / "r.csv").permissions(), fs::perms::owner_read | fs::perms::owner_write);
     }},

    // Input files that are not regular files: refused at once, without
    // waiting for a writer or reading without end.
    {"RunParameterFileIsAFifo", replacesWithNode("B2F.dat", S_IFIFO), {}, 2,
     {"open error: B2F.dat: the name points at a FIFO"}, nullptr, {}},
    {"CoefficientTableLinksToAnEndlessDevice",
     [](const fs::path& dir) {
         fs::remove(dir / "Att_Coeff2023.dat");
         fs::create_symlink("/dev/zero", dir / "Att_Coeff2023.dat");
         return std::string();
     },
     {}, 2, {"open error: Att_Coeff2023.dat: the name points at a character device"}, nullptr, {}},
    {"MaterialTableIsAFolder",
     [](const fs::path& dir) {
         fs::remove(dir / "water.dat");
         fs::create_directory(dir / "water.dat");
         return std::string();
     },
     {}, 2, {"open error: water.dat: the name points at a folder"}, nullptr, {}},
    {"CoefficientTableLineWithoutEnd", writes("Att_Coeff2023.dat", std::string(200000, '7')), {}, 3,
     {"read error: Att_Coeff2023.dat: line 1 is longer than 65536 bytes"}, nullptr, {}},

    // Bytes echoed from a file are shown whole and safely.
    {"NulByteInAValue", writes("B2F.dat", runParameters(1, std::string("8\0" "0", 3))), {}, 3,
     {"line 1: \"8\\x000\" is not a real number (tubePotential)"}, nullptr, {}},
    {"TerminalControlInAValue", writes("B2F.dat", runParameters(2, kTerminalControl)), {}, 3,
     {"line 2: \"\\x1B[2J\\x1B]0;owned\\x07\" is not a real number (targetAngle)"}, nullptr,
     [](const fs::path&, const Outcome& outcome) {
         EXPECT_EQ(outcome.err.find('\x1B'), std::string::npos);
         EXPECT_EQ(outcome.err.find('\x07'), std::string::npos);
     }},
    {"TerminalControlInTheResultName", writes("B2F.dat", runParameters(11, "\x1B]0;t\x07r.csv")), {}, 0, {},
     "\x1B]0;t\x07r.csv",
     [](const fs::path& dir, const Outcome& outcome) {
         resultIsWhole(dir / "\x1B]0;t\x07r.csv");
         EXPECT_NE(outcome.out.find("---  計算結果は ?]0;t?r.csv"), std::string::npos) << outcome.out;
         EXPECT_EQ(outcome.out.find('\x1B'), std::string::npos);
     }},
    {"InvalidUtf8InAValue", writes("B2F.dat", runParameters(3, "a\xFF\xC0\xAF\xC2\x9B" "b")), {}, 3,
     {"\"a\\xFF\\xC0\\xAF\\xC2\\x9Bb\" is not a real number"}, nullptr, {}},
    {"LongValueIsCut", writes("B2F.dat", runParameters(4, std::string(50000, 'x'))), {}, 3,
     {"line 4: \"" + std::string(40, 'x') + "\"... (50000 bytes) is not a real number (aluminiumFilter)"}, nullptr,
     [](const fs::path&, const Outcome& outcome) { EXPECT_LT(outcome.err.size(), 300u); }},

    // Line ends and marks of other systems' editors.
    {"ByteOrderMarkIsSkipped", writes("B2F.dat", "\xEF\xBB\xBF" + runParameters()), {}, 0, {}, "r.csv",
     [](const fs::path& dir, const Outcome&) { resultIsWhole(dir / "r.csv"); }},
    {"LoneCarriageReturnsEndLines",
     writes("B2F.dat", "0000.4\r12\r1\r0\r0.1\r10\r1000000\r1\r1\r1\rr.csv\r\r\r"), {}, 0, {}, "r.csv",
     [](const fs::path& dir, const Outcome&) { resultIsWhole(dir / "r.csv"); }},
    {"NameOfCarriageReturnsIsBlank", writes("B2F.dat", runParameters(11, "\r\r\r")), {}, 4,
     {"resultFileName (line 11) is blank"}, nullptr, {}},
    {"EmptyLineIsReportedAsEmpty", writes("B2F.dat", runParameters(3, "")), {}, 3,
     {"read error: B2F.dat: line 3 is empty; it must hold the value of inherentFiltration"}, nullptr, {}},

    // Values, tables and names that break a limit say so truthfully.
    {"VoltageJustAboveTheLimit", writes("B2F.dat", runParameters(1, "150.00002")), {}, 4,
     {"tubePotential = 150.00002 kV is above the limit of 150 kV"}, nullptr, {}},
    {"NegativeCoefficient", writes("Att_Coeff2023.dat", coefficientTableWith(50, 4, "-0.100000E+01")), {}, 5,
     {"data error: Att_Coeff2023.dat: row 50, columns 41-55 (copper coefficient): \"  -0.100000E+01\" is negative"},
     nullptr, {}},
    {"NanCoefficient", writes("Att_Coeff2023.dat", coefficientTableWith(7, 3, "NaN")), {}, 5,
     {"data error: Att_Coeff2023.dat: row 7, columns 26-40 (aluminium coefficient)",
      "is not a finite single-precision number"},
     nullptr, {}},
    {"TargetAngleTooCloseToZero",
     writes("B2F.dat", runParameterText("0010.0", "1e-45", "0", "0", "0", "0", "0", "01", "01", "01", "r.csv")), {},
     4, {"the spectrum cannot be computed at tubePotential = 10 kV, targetAngle = 1e-45 degrees"}, nullptr,
     [](const fs::path&, const Outcome& outcome) { EXPECT_EQ(outcome.err.find("nan"), std::string::npos); }},
    {"NamesThatDifferInCaseOnly",
     [](const fs::path& dir) {
         fs::rename(dir / "B2F.dat", dir / "b2f.dat");
         fs::copy_file(dir / "b2f.dat", dir / "B2F.DAT");
         return std::string();
     },
     {}, 2, {"open error: B2F.dat: the name is ambiguous: \"B2F.DAT\" and \"b2f.dat\" both match"}, nullptr, {}},

    // A console that stops taking output loses nothing of the run.
    {"ConsolePipeClosedEarly", {}, {"\n\n", Output::ClosedPipe}, 8, {"write error: standard output"}, "r.csv",
     [](const fs::path& dir, const Outcome& outcome) {
         resultIsWhole(dir / "r.csv");
         EXPECT_EQ(outcome.out.size(), 10u);  // what was read before the reader stopped
     }},
    {"ConsoleDeviceFull",
     [](const fs::path&) { return fs::exists("/dev/full") ? "" : std::string("no /dev/full here"); },
     {"\n\n", Output::FullDevice}, 8, {"write error: standard output: No space left on device"}, "r.csv",
     [](const fs::path& dir, const Outcome&) { resultIsWhole(dir / "r.csv"); }},

    // A file-size limit makes the result write fail; the old result stays.
    {"FileSizeLimitDuringTheWrite", writes("r.csv", "old result\r\n"), {"\n\n", Output::Discard, 200}, 6,
     {"write error: r.csv: File too large"}, nullptr, {}},
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.name; }

class HostileInput : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInput, IsRefusedOrSurvivedWithoutDamage) {
    const HostileCase& c = GetParam();
    ScratchFolder work, scratch;
    const fs::path dir = work.path() / "run";
    fs::create_directory(dir);
    testing::writeRunFiles(dir, runParameters());
    if (c.setUp) {
        const std::string unavailable = c.setUp(dir);
        if (!unavailable.empty()) GTEST_SKIP() << unavailable;
    }
    Snapshot before = snapshot(dir);
    const Outcome outcome = launchCorvane(dir, scratch.path(), c.launch);

    EXPECT_EQ(outcome.status, c.status) << outcome.err;
    for (const std::string& mention : c.reportMentions) {
        EXPECT_NE(outcome.err.find(mention), std::string::npos)
            << "missing: " << mention << "\nreport: " << outcome.err;
    }
    Snapshot after = snapshot(dir);
    if (c.result) {
        // The result and, beside it, its companion file are what a run writes.
        const std::string companion = companionFileName(c.result);
        EXPECT_TRUE(after.count(c.result)) << "no result " << c.result;
        EXPECT_TRUE(after.count(companion)) << "no companion " << companion;
        for (Snapshot* folder : {&before, &after}) {
            folder->erase(c.result);
            folder->erase(companion);
        }
    }
    // Nothing else changed, and no temporary file stayed.
    EXPECT_EQ(after.size(), before.size());
    for (const auto& [name, entry] : after) {
        const auto old = before.find(name);
        if (old == before.end()) {
            ADD_FAILURE() << "left behind: " << name;
        } else {
            EXPECT_TRUE(entry == old->second) << "changed: " << name;
        }
    }
    if (c.alsoCheck) c.alsoCheck(dir, outcome);
}

INSTANTIATE_TEST_SUITE_P(Corvane, HostileInput, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
