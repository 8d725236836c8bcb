// Corvane for scripts: the command line, the processors a run may take, the
// progress line in place, and a batch run against the interactive one.

#include "run/command_line.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <sstream>

#include "core_test_support.h"
#include "run/progress_line.h"
#include "run/run_sequence.h"
#include "transport/allowed_cores.h"

namespace corvane {
namespace {

using testing::ScratchFolder;
using testing::readFile;
using testing::runParameterText;
using testing::writeFile;

TEST(CommandLine, ReadsTheOptions) {
    using A = CommandLine::Action;
    const struct {
        std::vector<std::string_view> arguments;
        A action;
        bool batch;
        int threads;
        const char* refusal;  // part of the reason, for refused lines
    } cases[] = {
        {{}, A::Run, false, 0, ""},
        {{"--batch"}, A::Run, true, 0, ""},
        {{"--threads", "3"}, A::Run, false, 3, ""},
        {{"--batch", "--threads=12"}, A::Run, true, 12, ""},
        {{"--threads", "1", "--batch"}, A::Run, true, 1, ""},
        {{"--batch", "--help"}, A::Help, true, 0, ""},
        {{"-h"}, A::Help, false, 0, ""},
        {{"--version", "--bogus"}, A::Version, false, 0, ""},
        {{"--threads"}, A::Refused, false, 0, "--threads needs a number"},
        {{"--threads", "0"}, A::Refused, false, 0, "\"0\" is not a whole number from 1 to 4096"},
        {{"--threads", "4097"}, A::Refused, false, 0, "\"4097\""},
        {{"--threads", "2x"}, A::Refused, false, 0, "\"2x\""},
        {{"--threads="}, A::Refused, false, 0, "\"\" is not"},
        {{"--threads", "-2"}, A::Refused, false, 0, "\"-2\""},
        {{"batch"}, A::Refused, false, 0, "unknown argument \"batch\""},
        {{"--bat\x1b[2J"}, A::Refused, false, 0, "unknown argument \"--bat\\x1B[2J\""},
    };
    for (const auto& c : cases) {
        const CommandLine line = parseCommandLine(c.arguments);
        const std::string label = c.arguments.empty() ? "(none)" : std::string(c.arguments.front());
        EXPECT_EQ(line.action, c.action) << label;
        if (c.action == A::Refused) {
            EXPECT_NE(line.refusal.find(c.refusal), std::string::npos) << label << ": " << line.refusal;
        } else {
            EXPECT_EQ(line.batch, c.batch) << label;
            EXPECT_EQ(line.threads, c.threads) << label;
        }
    }
}

TEST(AllowedCores, ReadsTheQuotaFiles) {
    const struct {
        std::string_view cpuMax;
        std::optional<double> quota;
    } v2[] = {{"max 100000\n", std::nullopt}, {"200000 100000\n", 2.0}, {"150000 100000", 1.5},
              {"50000 100000\n", 0.5},         {"garbage", std::nullopt},  {"", std::nullopt},
              {"100000 0\n", std::nullopt}};
    for (const auto& c : v2) EXPECT_EQ(quotaFromCpuMax(c.cpuMax), c.quota) << c.cpuMax;
    EXPECT_EQ(quotaFromCfs("-1\n", "100000\n"), std::nullopt);
    EXPECT_EQ(quotaFromCfs("400000\n", "100000\n"), 4.0);
    EXPECT_EQ(quotaFromCfs("x", "100000"), std::nullopt);

    const struct {
        int affinity;
        std::optional<double> quota;
        int cores;
    } cores[] = {{8, std::nullopt, 8}, {8, 2.0, 2}, {8, 1.5, 2}, {8, 0.5, 1}, {2, 16.0, 2}, {0, std::nullopt, 1},
                 {64, 48.0, 48}};
    for (const auto& c : cores) EXPECT_EQ(allowedCores(c.affinity, c.quota), c.cores) << c.affinity;
}

TEST(AllowedCores, TakesTheTightestQuotaUpTheGroupTree) {
    ScratchFolder root;
    // cgroup v2: a job's group under a limited slice; the tighter limit counts.
    std::filesystem::create_directories(root / "slurm/job_7/step_0");
    writeFile(root / "cpu.max", "max 100000\n");
    writeFile(root / "slurm/cpu.max", "300000 100000\n");
    writeFile(root / "slurm/job_7/cpu.max", "max 100000\n");
    EXPECT_EQ(cgroupCpuQuota(root.path(), "0::/slurm/job_7/step_0\n"), 3.0);
    writeFile(root / "slurm/job_7/step_0/cpu.max", "120000 100000\n");
    EXPECT_EQ(cgroupCpuQuota(root.path(), "0::/slurm/job_7/step_0\n"), 1.2);
    EXPECT_EQ(cgroupCpuQuota(root.path(), "0::/\n"), std::nullopt);

    // cgroup v1: the "cpu" controller mounted jointly with "cpuacct".
    ScratchFolder v1;
    std::filesystem::create_directories(v1 / "cpu,cpuacct/docker/abc");
    writeFile(v1 / "cpu,cpuacct/docker/abc/cpu.cfs_quota_us", "200000\n");
    writeFile(v1 / "cpu,cpuacct/docker/abc/cpu.cfs_period_us", "100000\n");
    EXPECT_EQ(cgroupCpuQuota(v1.path(), "5:memory:/docker/abc\n4:cpu,cpuacct:/docker/abc\n"), 2.0);
    EXPECT_EQ(cgroupCpuQuota(v1.path(), "5:memory:/docker/abc\n"), std::nullopt);

    EXPECT_GE(allowedCoresOfThisProcess(), 1);
}

TEST(InPlaceProgress, RedrawsOneLineWithTheShareDoneAndTheTimeLeft) {
    std::ostringstream terminal;
    double now = 100;
    // Bins 1..4 of 0, 100, 300 and 600 histories.
    InPlaceProgress progress(terminal, ConsoleEncoding::Utf8, {0, 0, 100, 300, 600}, [&now] { return now; });
    progress.binLines() << " --- 1 / 4\n" << std::flush;
    progress.binLines() << " --- 2 / 4\n" << std::flush;
    now = 110;
    progress.binLines() << " --- 3 / 4\n";  // 100 of 1000 begun after 10 s
    now = 140;
    progress.binLines() << " --- 4 / 4\n";  // 400 after 40 s
    progress.finish();
    const std::string tail = "  (progress, time left)";
    EXPECT_EQ(terminal.str(),
              "\r  進捗   0.0 %  残り時間 --:--:--" + tail +
              "\r  進捗   0.0 %  残り時間 --:--:--" + tail +
              "\r  進捗  10.0 %  残り時間 0:01:30" + tail + " " +  // blank over the longer line before
              "\r  進捗  40.0 %  残り時間 0:01:00" + tail +
              "\r  進捗 100.0 %  残り時間 0:00:00" + tail + "\n");
    EXPECT_EQ(terminal.str().find(" --- "), std::string::npos);
}

// 30 kV through a 4 cm field at 3000 photons per cm2: about 38 000 histories,
// enough for every thread to run pieces that are joined.
std::string smallRunParameters() {
    return runParameterText("30.0", "12.0", "1.0", "0.5", "0.0", "4.0", "3000", "1", "1", "1", "small.csv");
}

struct InProcessRun {
    int status;
    std::string out;
    std::string err;
    std::string result;
};

InProcessRun runInProcess(const std::string& input, bool batch, int threads, std::ostream* terminal = nullptr) {
    ScratchFolder folder;
    testing::writeRunFiles(folder.path(), smallRunParameters());
    std::istringstream in(input);
    std::ostringstream out, err;
    RunOptions options;
    options.folder = folder.path();
    options.clock = [] { return ClockTime{12, 0, 0}; };
    options.batch = batch;
    options.threads = threads;
    options.progressTerminal = terminal;
    const int status = runEngine(in, out, err, options);
    return {status, out.str(), err.str(), readFile(folder / "small.csv")};
}

TEST(BatchRun, SameDialogueAndResultAsTheInteractiveRunOnAnyThreads) {
    const InProcessRun interactive = runInProcess("\n\n", false, 1);
    ASSERT_EQ(interactive.status, 0) << interactive.err;
    ASSERT_GT(interactive.result.size(), 1000u);
    for (const int threads : {1, 2, 3, 5}) {
        const InProcessRun batch = runInProcess("", true, threads);
        EXPECT_EQ(batch.status, 0) << threads << ": " << batch.err;
        EXPECT_EQ(batch.out, interactive.out) << threads;
        EXPECT_EQ(batch.result, interactive.result) << threads;
    }
    // Without --batch, closed input still ends the run at the first wait.
    EXPECT_EQ(runInProcess("", false, 2).status, 7);
}

TEST(BatchRun, ProgressInPlaceReplacesTheBinLines) {
    std::ostringstream terminal;
    const InProcessRun batch = runInProcess("", true, 2, &terminal);
    ASSERT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(batch.out.find(" --- 1 / 60"), std::string::npos);
    EXPECT_NE(batch.out.find("計算終了時刻"), std::string::npos);
    const std::string shown = terminal.str();
    EXPECT_EQ(shown.front(), '\r');
    EXPECT_NE(shown.find("\r  進捗 100.0 %"), std::string::npos) << shown;
    EXPECT_EQ(shown.back(), '\n');
    EXPECT_EQ(batch.result, runInProcess("\n\n", false, 1).result);
}

using testing::ProgramRun;

ProgramRun runCorvane(const std::filesystem::path& folder, const std::string& arguments, const std::string& input) {
    return testing::runCorvaneProgram(folder, &input, arguments);
}

TEST(CorvaneProgram, BatchAndThreadsWriteTheInteractiveResult) {
    ScratchFolder folder;
    testing::writeRunFiles(folder.path(), smallRunParameters());
    const ProgramRun interactive = runCorvane(folder.path(), "", "\n\n");
    ASSERT_EQ(interactive.status, 0) << interactive.err;
    const std::string result = readFile(folder / "small.csv");
    std::filesystem::remove(folder / "small.csv");

    const ProgramRun batch = runCorvane(folder.path(), "--batch --threads 3", "");
    ASSERT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(readFile(folder / "small.csv"), result);
    // Standard error is no terminal here: the usual bin lines, the same dialogue.
    EXPECT_NE(batch.out.find(" --- 60 / 60\n"), std::string::npos);
    EXPECT_EQ(batch.err, "");
}

TEST(CorvaneProgram, HelpVersionAndRefusedOptions) {
    ScratchFolder folder;
    const ProgramRun help = runCorvane(folder.path(), "--help", "");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: Corvane [--batch] [--threads N]"), std::string::npos) << help.out;
    const ProgramRun version = runCorvane(folder.path(), "--version", "");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("Corvane ", 0), 0u) << version.out;

    const ProgramRun refused = runCorvane(folder.path(), "--threads 0", "");
    EXPECT_EQ(refused.status, kUsageStatus);
    EXPECT_NE(refused.err.find("--threads \"0\" is not a whole number"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, "");
    // Nothing was run: no banner, no file.
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

}  // namespace
}  // namespace corvane
