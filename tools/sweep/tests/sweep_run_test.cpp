// corvane-sweep end to end on three tiny conditions, one of them refused by
// the engine: the summary's rows and statuses, resumption, the GNU parallel
// executor, the SLURM array's tasks, and the RQR preset through real runs.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cmath>

#include "analysis/result_analysis.h"
#include "conditions.h"
#include "rqr.h"
#include "sweep_support.h"

namespace sweep {
namespace {

using testing::ScratchFolder;
using testing::csvRows;
using testing::readFile;
using testing::writeFile;

// Two runs of a few thousand histories and one the engine refuses (200 kV).
const std::string kConditions = std::string(kConditionsHeader) +
                                "\r\n"
                                "w40,40,12,1,0,0,4,200,birch,constant,water\r\n"
                                "t60,60,15,1,0.5,0.05,3,300,tucker,3phase,tissue\r\n"
                                "over,200,12,1,0,0,4,200,birch,constant,water\r\n";

struct Outcome {
    int status;
    std::string out, err;
};

Outcome sweepCommand(const std::filesystem::path& folder, const std::string& arguments) {
    const std::string command = "cd '" + folder.string() + "' && '" SWEEP_EXE "' " + arguments +
                                " < /dev/null > .sweep-out 2> .sweep-err";
    const int raw = std::system(command.c_str());
    Outcome o{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(folder / ".sweep-out"), readFile(folder / ".sweep-err")};
    std::filesystem::remove(folder / ".sweep-out");
    std::filesystem::remove(folder / ".sweep-err");
    return o;
}

// A summary figure as written: empty where the figure could not be formed.
double figure(const std::string& text) { return text.empty() ? NAN : std::stod(text); }

// Equal numbers, or both not formed.
::testing::AssertionResult sameFigure(const std::string& text, double value) {
    const double written = figure(text);
    if (written == value || (std::isnan(written) && std::isnan(value))) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "written \"" << text << "\", computed " << value;
}

// Checks the summary of kConditions in `out` and returns its rows.
std::vector<std::map<std::string, std::string>> checkedSummary(const std::filesystem::path& out) {
    const std::string text = readFile(out / "summary.csv");
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    const auto rows = csvRows(text);
    EXPECT_EQ(rows.size(), 3u);
    if (rows.size() != 3u) return rows;
    const char* names[] = {"w40", "t60", "over"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i].at("name"), names[i]);
        EXPECT_EQ(rows[i].at("#fields"), "26");
    }
    for (const auto& ok : {rows[0], rows[1]}) {
        EXPECT_EQ(ok.at("status"), "ok") << ok.at("message");
        EXPECT_EQ(ok.at("exit_status"), "0");
        EXPECT_EQ(ok.at("result_file"), ok.at("name") + "/result.csv");
        // The figures are those of the analysis library on the row's files.
        const std::filesystem::path result = out / ok.at("result_file");
        const analysis::ResultAnalysis a =
            analysis::analyseResult(result, analysis::readCoefficientTable(result.parent_path() / "Att_Coeff2023.dat"));
        const char* depths[] = {"incident", "0cm", "2cm", "5cm", "10cm", "15cm", "20cm"};
        for (std::size_t d = 0; d < 7; ++d) {
            EXPECT_TRUE(sameFigure(ok.at(std::string("factor_") + depths[d]), a.counted[d].ratioOfSums.value))
                << depths[d];
            EXPECT_TRUE(sameFigure(ok.at(std::string("u_factor_") + depths[d]), a.counted[d].ratioOfSums.uncertainty))
                << depths[d];
        }
        EXPECT_NE(ok.at("factor_5cm"), "");
        EXPECT_GT(a.counted[0].ratioOfSums.value, 1.0);
        EXPECT_GT(a.counted[0].ratioOfSums.uncertainty, 0.0);  // batches of a real run differ
        EXPECT_TRUE(sameFigure(ok.at("hvl1_mm_al"), a.incidentBeam.hvl1MmAl));
        EXPECT_TRUE(sameFigure(ok.at("hvl2_mm_al"), a.incidentBeam.hvl2MmAl));
        EXPECT_TRUE(sameFigure(ok.at("mean_energy_kev"), a.incidentBeam.meanEnergyKeV));
        EXPECT_TRUE(a.surfaceRatio());
        if (a.surfaceRatio()) {
            EXPECT_TRUE(sameFigure(ok.at("surface_ratio"), a.surfaceRatio()->value));
            EXPECT_TRUE(sameFigure(ok.at("u_surface_ratio"), a.surfaceRatio()->uncertainty));
            EXPECT_GT(a.surfaceRatio()->value, 1.0);  // scatter adds to the primary at the surface
        }
    }
    EXPECT_EQ(rows[0].at("kV"), "40");
    EXPECT_EQ(rows[2].at("status"), "refused");
    EXPECT_EQ(rows[2].at("exit_status"), "4");
    EXPECT_NE(rows[2].at("message").find("tubePotential = 200 kV is above the limit of 150 kV"), std::string::npos)
        << rows[2].at("message");
    EXPECT_EQ(rows[2].at("factor_incident"), "");
    EXPECT_EQ(rows[2].at("result_file"), "");
    return rows;
}

TEST(SweepRun, LocalRunsEveryRowReportsTheRefusedOneAndResumes) {
    ScratchFolder folder;
    writeFile(folder / "conditions.csv", kConditions);
    const Outcome first = sweepCommand(folder.path(), "--threads 2 conditions.csv out");
    EXPECT_EQ(first.status, 1) << first.err;  // one row is not ok
    EXPECT_NE(first.out.find("2 ok, 1 refused"), std::string::npos) << first.out;
    // Standard error is no terminal: one progress line per condition done.
    EXPECT_NE(first.err.find("corvane-sweep: 3 / 3 conditions done, time left 0:00:00\n"), std::string::npos)
        << first.err;
    checkedSummary(folder / "out");
    const std::string summary = readFile(folder / "out/summary.csv");

    // Each row ran in its own folder with its own run-parameter file.
    EXPECT_EQ(readFile(folder / "out/t60/B2F.dat"),
              "60\r\n15\r\n1\r\n0.5\r\n0.05\r\n3\r\n300\r\n2\r\n2\r\n2\r\nresult.csv\r\n");
    EXPECT_TRUE(std::filesystem::is_regular_file(folder / "out/w40/result.json"));

    // Delete one row's result: only that row runs again, to the same bytes.
    const std::string t60 = readFile(folder / "out/t60/result.csv");
    struct stat before {};
    ASSERT_EQ(::stat((folder / "out/w40/result.csv").c_str(), &before), 0);
    std::filesystem::remove(folder / "out/t60/result.csv");
    const Outcome second = sweepCommand(folder.path(), "--threads 1 conditions.csv out");
    EXPECT_EQ(second.status, 1) << second.err;
    EXPECT_NE(second.out.find("1 condition(s) already complete, not run again"), std::string::npos) << second.out;
    EXPECT_NE(second.err.find("2 / 2 conditions done"), std::string::npos) << second.err;  // t60 and over
    struct stat after {};
    ASSERT_EQ(::stat((folder / "out/w40/result.csv").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(readFile(folder / "out/t60/result.csv"), t60);
    EXPECT_EQ(readFile(folder / "out/summary.csv"), summary);
}

TEST(SweepRun, GnuParallelGivesTheSameSummary) {
    ScratchFolder folder;
    writeFile(folder / "conditions.csv", kConditions);
    const Outcome local = sweepCommand(folder.path(), "--threads 1 conditions.csv local");
    ASSERT_EQ(local.status, 1) << local.err;
    const Outcome parallel = sweepCommand(folder.path(), "--executor parallel --jobs 2 conditions.csv par");
    ASSERT_EQ(parallel.status, 1) << parallel.err;
    checkedSummary(folder / "par");
    // The results are the same to the bit, so is the summary.
    EXPECT_EQ(readFile(folder / "par/summary.csv"), readFile(folder / "local/summary.csv"));
    EXPECT_EQ(readFile(folder / "par/w40/result.json"), readFile(folder / "local/w40/result.json"));
}

TEST(SweepRun, EachSlurmArrayTaskRunsItsRow) {
    ScratchFolder folder;
    writeFile(folder / "conditions.csv", kConditions);
    const Outcome planned = sweepCommand(folder.path(), "--executor slurm --cpus-per-task 2 conditions.csv out");
    ASSERT_EQ(planned.status, 0) << planned.err;
    EXPECT_NE(planned.out.find("sbatch '" + (folder / "out/sweep.sbatch").string() + "'"), std::string::npos)
        << planned.out;
    EXPECT_EQ(readFile(folder / "out/.sweep/tasks.txt"), "w40\nt60\nover\n");
    const std::string script = readFile(folder / "out/sweep.sbatch");
    EXPECT_NE(script.find("#SBATCH --array=0-2\n#SBATCH --cpus-per-task=2\n"), std::string::npos) << script;
    // Nothing ran yet: every row is pending.
    for (const auto& row : csvRows(readFile(folder / "out/summary.csv"))) EXPECT_EQ(row.at("status"), "pending");

    // Array task 1 as SLURM would start it: the second row, and only that.
    const std::string task = "cd / && SLURM_ARRAY_TASK_ID=1 SLURM_CPUS_PER_TASK=2 bash '" +
                             (folder / "out/sweep.sbatch").string() + "' > /dev/null 2>&1";
    EXPECT_EQ(std::system(task.c_str()), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "out/t60/result.json"));
    EXPECT_FALSE(std::filesystem::exists(folder / "out/w40/exit-status"));
    EXPECT_FALSE(std::filesystem::exists(folder / "out/over/exit-status"));

    const Outcome collected = sweepCommand(folder.path(), "--collect out");
    EXPECT_EQ(collected.status, 1);
    const auto rows = csvRows(readFile(folder / "out/summary.csv"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].at("status"), "pending");
    EXPECT_EQ(rows[1].at("status"), "ok");
    EXPECT_EQ(rows[2].at("status"), "pending");
}

TEST(SweepRun, CommandLineAndTableErrors) {
    ScratchFolder folder;
    writeFile(folder / "bad.csv", "name,kV\nx,80\n");
    const struct {
        const char* arguments;
        int status;
        const char* err;
    } cases[] = {
        {"", 64, "expected 2 folder or file arguments, got 0"},
        {"--executor pbs c.csv out", 64, "--executor \"pbs\" is not one of local, parallel, slurm"},
        {"--preset rqr --formula kramers out", 64, "--formula \"kramers\" is not one of birch, tucker"},
        {"--threads 0 c.csv out", 64, "--threads \"0\" is not a whole number from 1 to 4096"},
        {"--transfer --executor parallel c.csv out", 64, "--transfer needs --sshloginfile"},
        {"missing.csv out", 2, "missing.csv: no such file"},
        {"bad.csv out", 2, "bad.csv: line 1: the header \"name,kV\" is not"},
        {"--collect nowhere", 2, "no sweep plan"},
    };
    for (const auto& c : cases) {
        const Outcome o = sweepCommand(folder.path(), c.arguments);
        EXPECT_EQ(o.status, c.status) << c.arguments;
        EXPECT_NE(o.err.find(c.err), std::string::npos) << c.arguments << ": " << o.err;
    }
    const Outcome help = sweepCommand(folder.path(), "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: corvane-sweep", 0), 0u);
}

TEST(SweepRun, RqrPresetRunsEachQualityAtItsFirstHvl) {
    ScratchFolder folder;
    // One photon per cm2: about 80 histories a quality, the beam quality
    // comes from the run's own incident spectrum.
    const Outcome o = sweepCommand(folder.path(), "--preset rqr --formula tucker --photons 1 --threads 1 rqr");
    const auto rows = csvRows(readFile(folder / "rqr/summary.csv"));
    ASSERT_EQ(rows.size(), 9u) << o.err;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const RqrQuality& q = rqrQualities()[i];
        EXPECT_EQ(rows[i].at("name"), q.name);
        ASSERT_NE(rows[i].at("hvl1_mm_al"), "") << q.name << ": " << rows[i].at("status") << " " << rows[i].at("message");
        EXPECT_NEAR(std::stod(rows[i].at("hvl1_mm_al")), q.hvl1, 0.01) << q.name;
        EXPECT_EQ(std::stod(rows[i].at("kV")), q.kV);
        EXPECT_EQ(readFile(folder / "rqr" / q.name / "B2F.dat"),
                  rows[i].at("kV") + "\r\n12\r\n1\r\n" + rows[i].at("al_mm") + "\r\n0\r\n10\r\n1\r\n2\r\n1\r\n1\r\nresult.csv\r\n");
    }
}

}  // namespace
}  // namespace sweep
