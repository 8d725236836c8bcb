// The sweep's pieces without a run: the conditions table, the row folders,
// the summary's text and statuses, the commands of GNU parallel and SLURM.

#include <gtest/gtest.h>

#include <sstream>

#include "conditions.h"
#include "executors.h"
#include "rows.h"
#include "summary.h"
#include "sweep_support.h"

namespace sweep {
namespace {

using testing::ScratchFolder;
using testing::readFile;
using testing::writeFile;

const std::string kHeader = std::string(kConditionsHeader) + "\r\n";

TEST(Conditions, ReadsRowsAndKeepsRefusedOnesWithTheirReason) {
    const std::string text = kHeader +
                             "w80, 80,12,1.0,0,0.1,10,1e4,birch,constant,water\r\n"
                             "\r\n"
                             "t100,100,12,2.5,1,0,20,3000,Tucker,3phase,TISSUE\n"
                             "short,80,12\n"
                             "bad-kv,80kV,12,1,0,0,10,1000,birch,constant,water\n"
                             "bad-formula,80,12,1,0,0,10,1000,kramers,constant,water\n"
                             "bad-rect,80,12,1,0,0,10,1000,birch,2phase,water\n"
                             "bad-material,80,12,1,0,0,10,1000,birch,constant,bone\n"
                             "../up,80,12,1,0,0,10,1000,birch,constant,water\n"
                             ".hidden,80,12,1,0,0,10,1000,birch,constant,water\n"
                             "W80,80,12,1,0,0,10,1000,birch,constant,water\n"
                             "Summary.csv,80,12,1,0,0,10,1000,birch,constant,water\n";
    const std::vector<ConditionRow> rows = parseConditions(text, "c.csv");
    ASSERT_EQ(rows.size(), 11u);
    ASSERT_TRUE(rows[0].condition);
    EXPECT_EQ(rows[0].name, "w80");
    EXPECT_EQ(rows[0].condition->kV, "80");
    EXPECT_EQ(rows[0].condition->photons, "1e4");
    ASSERT_TRUE(rows[1].condition);
    EXPECT_EQ(rows[1].condition->formula, "tucker");
    EXPECT_EQ(rows[1].condition->material, "tissue");
    const struct {
        std::size_t row;
        const char* reason;
    } refused[] = {
        {2, "c.csv: line 5: 3 fields where the header has 11"},
        {3, "c.csv: line 6: kV \"80kV\" is not a number"},
        {4, "formula \"kramers\" is not one of birch, tucker"},
        {5, "rectification \"2phase\" is not one of constant, 3phase, 1phase"},
        {6, "material \"bone\" is not one of water, tissue"},
        {7, "the name \"../up\" is not a folder name"},
        {8, "the name \".hidden\" is not a folder name"},
        {9, "the name \"W80\" is used by an earlier row"},
        {10, "the name \"Summary.csv\" is the summary's own"},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(rows[r.row].condition) << r.row;
        EXPECT_NE(rows[r.row].refusal.find(r.reason), std::string::npos) << rows[r.row].refusal;
    }
}

TEST(Conditions, RefusesATableWithoutItsHeaderOrRows) {
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {"name,kV\nx,80\n", "c.csv: line 1: the header \"name,kV\" is not"},
        {"", "c.csv: no header"},
        {kHeader + "\n\n", "c.csv: no condition rows"},
    };
    for (const auto& c : cases) {
        try {
            parseConditions(c.text, "c.csv");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const SweepError& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(parseConditions("\xEF\xBB\xBF" + kHeader + "a,1,2,3,4,5,6,7,birch,constant,water\n", "c").size(), 1u);
    ScratchFolder folder;
    EXPECT_THROW(readConditions(folder / "missing.csv"), SweepError);
    EXPECT_THROW(readConditions(folder.path()), SweepError);
}

TEST(Conditions, RunParameterTextHasTheElevenLinesOfTheEngine) {
    const Condition c{"80", "12", "1.0", "0.25", "0.1", "10", "1e4", "tucker", "1phase", "tissue"};
    EXPECT_EQ(runParameterText(c), "80\r\n12\r\n1.0\r\n0.25\r\n0.1\r\n10\r\n1e4\r\n2\r\n3\r\n2\r\nresult.csv\r\n");
    const Condition d{"80", "12", "1.0", "0.25", "0.1", "10", "1e4", "birch", "3phase", "water"};
    EXPECT_EQ(runParameterText(d).substr(runParameterText(d).size() - 21), "1\r\n2\r\n1\r\nresult.csv\r\n");
}

TEST(Summary, HeaderAndQuotedRows) {
    EXPECT_EQ(summaryHeader(),
              "name,status,message,kV,hvl1_mm_al,hvl2_mm_al,mean_energy_kev,factor_incident,factor_0cm,factor_2cm,"
              "factor_5cm,factor_10cm,factor_15cm,factor_20cm,u_factor_incident,u_factor_0cm,u_factor_2cm,"
              "u_factor_5cm,u_factor_10cm,u_factor_15cm,u_factor_20cm,surface_ratio,u_surface_ratio,result_file,"
              "exit_status,al_mm");
    SummaryRow ok;
    ok.name = "a";
    ok.status = "ok";
    ok.kV = "80";
    ok.al = "1.25";
    ok.exitStatus = 0;
    ok.resultFile = "a/result.csv";
    ok.figures.hvl1 = 3.01;
    ok.figures.factor = {1.05, 1.06, 1.07, 1.08, 1.09, 1.1, 1.11};
    ok.figures.uFactor[6] = 0.002;
    SummaryRow bad;
    bad.name = "b";
    bad.status = "refused";
    bad.message = "invalid conditions: B2F.dat: tubePotential = 200 kV is above the limit, \"sic\"";
    bad.exitStatus = 4;
    const std::string text = summaryText({ok, bad});
    EXPECT_EQ(text, summaryHeader() + "\r\n" +
                        "a,ok,,80,3.01,,,1.05,1.06,1.07,1.08,1.09,1.1,1.11,,,,,,,0.002,,,a/result.csv,0,1.25\r\n"
                        "b,refused,\"invalid conditions: B2F.dat: tubePotential = 200 kV is above the limit, "
                        "\"\"sic\"\"\",,,,,,,,,,,,,,,,,,,,,,4,\r\n");
}

// An output folder whose row "r" has what a run leaves.
struct RowFixture {
    ScratchFolder outdir;
    PlannedRow row{"r", Condition{"80", "12", "1", "0", "0", "10", "1000", "birch", "constant", "water"}, "", ""};
    std::filesystem::path folder() const { return outdir / "r"; }
    void ran(int status, const std::string& err, bool result, bool companion) {
        writeFile(folder() / "B2F.dat", runParameterText(*row.condition));
        if (result) writeFile(folder() / "result.csv", "counts\r\n");
        if (companion) writeFile(folder() / "result.json", R"({"format": "corvane-spectra/1"})");
        writeFile(folder() / "corvane.err", err);
        writeFile(folder() / "exit-status", std::to_string(status) + "\n");
    }
};

TEST(Summary, StatusOfEachKindOfRow) {
    int analysed = 0;
    const Analyser analyse = [&analysed](const std::filesystem::path& file) {
        ++analysed;
        if (file.filename() != "result.csv") throw std::runtime_error("wrong file");
        RunFigures f;
        f.factor[0] = 1.25;
        return f;
    };
    const struct {
        int status;  // -1: the run has not ended
        const char* err;
        bool result, companion;
        const char* expected;
        const char* message;
    } cases[] = {
        {0, "", true, true, "ok", ""},
        {4, "\ainvalid conditions: B2F.dat: tubePotential = 200 kV\r\n", false, false, "refused",
         "invalid conditions: B2F.dat: tubePotential = 200 kV"},
        {3, "read error: B2F.dat: line 1\n", false, false, "refused", "read error: B2F.dat: line 1"},
        {6, "write error: result.csv: No space left on device\n", false, false, "failed",
         "write error: result.csv: No space left on device"},
        {137, "", false, false, "failed", "Corvane ended with status 137"},
        {0, "", true, false, "failed", "the run ended without a complete result.csv and result.json"},
        {-1, "", false, false, "pending", "the run has not ended"},
    };
    for (const auto& c : cases) {
        RowFixture f;
        if (c.status >= 0) f.ran(c.status, c.err, c.result, c.companion);
        const SummaryRow s = summaryRow(f.outdir.path(), f.row, analyse);
        EXPECT_EQ(s.status, c.expected) << c.status;
        EXPECT_EQ(s.message, c.message) << c.status;
        EXPECT_EQ(s.kV, "80");
        if (s.status == "ok") {
            EXPECT_EQ(s.figures.factor[0], 1.25);
            EXPECT_EQ(s.resultFile, "r/result.csv");
        } else {
            EXPECT_EQ(s.resultFile, "");
        }
    }
    EXPECT_EQ(analysed, 1);

    // A figure that cannot be formed fails the row with the analysis' reason.
    RowFixture f;
    f.ran(0, "", true, true);
    const SummaryRow s = summaryRow(f.outdir.path(), f.row, [](const std::filesystem::path&) -> RunFigures {
        throw std::runtime_error("result.csv: line 12: not a number");
    });
    EXPECT_EQ(s.status, "failed");
    EXPECT_EQ(s.message, "analysis: result.csv: line 12: not a number");
    // Rows never run keep the plan's reason.
    PlannedRow unreachable{"RQR2", f.row.condition, "unreachable", "cannot be reached"};
    unreachable.condition->al = "";
    const SummaryRow u = summaryRow(f.outdir.path(), unreachable, analyse);
    EXPECT_EQ(u.status, "unreachable");
    EXPECT_EQ(u.message, "cannot be reached");
}

TEST(Rows, CompleteOnlyWithTheSameConditionsAndAValidCompanion) {
    RowFixture f;
    f.ran(0, "", true, true);
    EXPECT_TRUE(rowComplete(f.outdir.path(), f.row));
    PlannedRow changed = f.row;
    changed.condition->kV = "81";
    EXPECT_FALSE(rowComplete(f.outdir.path(), changed));
    writeFile(f.folder() / "result.json", "{\"format\": \"corvane-spectra/1\"");  // cut short
    EXPECT_FALSE(rowComplete(f.outdir.path(), f.row));
    writeFile(f.folder() / "result.json", "{\"format\": \"other\"}");
    EXPECT_FALSE(rowComplete(f.outdir.path(), f.row));
}

TEST(Rows, PrepareLaysOutTheFolderAndDropsTheResultOfOldConditions) {
    RowFixture f;
    ScratchFolder data;
    for (const char* name : kDataFiles) writeFile(data / name, std::string("data of ") + name);
    f.ran(0, "", true, true);
    prepareRow(f.outdir.path(), f.row, data.path());  // same conditions: the result stays
    EXPECT_TRUE(std::filesystem::exists(f.folder() / "result.csv"));
    EXPECT_EQ(readFile(f.folder() / "water.dat"), "data of water.dat");

    PlannedRow changed = f.row;
    changed.condition->cu = "0.5";
    prepareRow(f.outdir.path(), changed, data.path());
    EXPECT_EQ(readFile(f.folder() / "B2F.dat"), runParameterText(*changed.condition));
    for (const char* gone : {"result.csv", "result.json", "exit-status"}) {
        EXPECT_FALSE(std::filesystem::exists(f.folder() / gone)) << gone;
    }

    // What is not of its kind is refused and left as it is.
    writeFile(f.outdir / "file", "x");
    PlannedRow onFile = f.row;
    onFile.name = "file";
    EXPECT_THROW(prepareRow(f.outdir.path(), onFile, data.path()), SweepError);
    EXPECT_EQ(readFile(f.outdir / "file"), "x");
    std::filesystem::remove(f.folder() / "water.dat");
    std::filesystem::create_directory(f.folder() / "water.dat");
    EXPECT_THROW(prepareRow(f.outdir.path(), f.row, data.path()), SweepError);
    EXPECT_TRUE(std::filesystem::is_directory(f.folder() / "water.dat"));
}

TEST(Rows, PlanRoundTripsAndRefusesForeignFiles) {
    ScratchFolder outdir;
    const std::vector<PlannedRow> plan = {
        {"a", Condition{"80", "12", "1", "0", "0", "10", "1000", "birch", "constant", "water"}, "", ""},
        {"b", std::nullopt, "refused", "line 3: kV \"x\" is not a number"},
    };
    writePlan(outdir.path(), plan);
    const std::vector<PlannedRow> read = readPlan(outdir.path());
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].condition->kV, "80");
    EXPECT_TRUE(read[0].runnable());
    EXPECT_FALSE(read[1].condition);
    EXPECT_EQ(read[1].message, plan[1].message);
    writeFile(planPath(outdir.path()), R"({"format": "corvane-sweep-plan/1", "rows": [{"name": "../x", "status": "", "message": ""}]})");
    EXPECT_THROW(readPlan(outdir.path()), SweepError);
    ScratchFolder empty;
    EXPECT_THROW(readPlan(empty.path()), SweepError);
}

SweepSettings settingsFor(const std::filesystem::path& outdir) {
    SweepSettings s;
    s.outdir = outdir;
    s.corvane = "/opt/corvane/bin/Corvane";
    s.self = "/opt/corvane/bin/corvane-sweep";
    s.dataDir = "/opt/corvane/bin";
    return s;
}

TEST(Executors, GnuParallelCommand) {
    SweepSettings s = settingsFor("/data/it's here");
    s.jobs = 2;
    s.threads = 1;
    EXPECT_EQ(parallelCommand(s, ".sweep/pending.txt"),
              (std::vector<std::string>{"parallel", "--jobs", "2", "--halt", "never",
                                        "'/opt/corvane/bin/corvane-sweep' '--run-row' '/data/it'\\''s here/'{} "
                                        "'--corvane' '/opt/corvane/bin/Corvane' '--threads' '1'",
                                        "::::", ".sweep/pending.txt"}));
    s.sshLoginFile = "/home/u/machines";
    s.transfer = true;
    s.threads = 0;
    const std::vector<std::string> remote = parallelCommand(s, ".sweep/pending.txt");
    const std::vector<std::string> expected = {
        "parallel", "--jobs", "2", "--halt", "never", "--sshloginfile", "/home/u/machines", "--workdir", "...",
        "--cleanup", "--transferfile", "{}/B2F.dat", "--transferfile", "{}/Att_Coeff2023.dat", "--transferfile",
        "{}/water.dat", "--transferfile", "{}/ICRUSoft.dat", "--return", "{}/result.csv", "--return",
        "{}/result.json", "--return", "{}/corvane.log", "--return", "{}/corvane.err", "--return", "{}/exit-status",
        "'corvane-sweep' '--run-row' {}", "::::", ".sweep/pending.txt"};
    EXPECT_EQ(remote, expected);
}

TEST(Executors, SlurmScriptMatchesThreadsToProcessors) {
    SweepSettings s = settingsFor("/scratch/rqr");
    s.cpusPerTask = 8;
    EXPECT_EQ(slurmScript(s, 9),
              "#!/bin/bash\n"
              "# One array task per condition: task i runs line i (from 0) of .sweep/tasks.txt\n"
              "# in the output folder, with as many engine threads as processors given.\n"
              "#SBATCH --job-name=corvane-sweep\n"
              "#SBATCH --array=0-8\n"
              "#SBATCH --cpus-per-task=8\n"
              "#SBATCH --ntasks=1\n"
              "#SBATCH --output=/scratch/rqr/.sweep/slurm-%A_%a.out\n"
              "exec '/opt/corvane/bin/corvane-sweep' --run-task '/scratch/rqr' \"$SLURM_ARRAY_TASK_ID\" "
              "--threads \"${SLURM_CPUS_PER_TASK:-8}\" --corvane '/opt/corvane/bin/Corvane'\n"
              "# When every task has ended, collect the summary with:\n"
              "# '/opt/corvane/bin/corvane-sweep' --collect '/scratch/rqr'\n");
    EXPECT_EQ(collectCommand(s), "'/opt/corvane/bin/corvane-sweep' --collect '/scratch/rqr'");

    ScratchFolder outdir;
    s.outdir = outdir.path();
    std::ostringstream out;
    prepareSlurm(s, {"RQR2", "RQR5", "RQR9"}, out);
    EXPECT_EQ(readFile(outdir / ".sweep/tasks.txt"), "RQR2\nRQR5\nRQR9\n");
    EXPECT_EQ(readFile(outdir / "sweep.sbatch"), slurmScript(s, 3));
    EXPECT_NE(out.str().find("sbatch '" + (outdir / "sweep.sbatch").string() + "'"), std::string::npos) << out.str();
    EXPECT_EQ(taskName(outdir.path(), 0), "RQR2");
    EXPECT_EQ(taskName(outdir.path(), 2), "RQR9");
    EXPECT_THROW(taskName(outdir.path(), 3), SweepError);
}

TEST(Executors, ProgressCountsConditionsAndTimeLeft) {
    std::ostringstream lines, terminal;
    double now = 0;
    SweepProgress plain(lines, 4, false, [&now] { return now; });
    SweepProgress inPlace(terminal, 4, true, [&now] { return now; });
    for (SweepProgress* p : {&plain, &inPlace}) p->done(0);
    now = 30;
    for (SweepProgress* p : {&plain, &inPlace}) p->done(1);
    for (SweepProgress* p : {&plain, &inPlace}) p->done(1);  // no change: nothing drawn
    now = 120;
    for (SweepProgress* p : {&plain, &inPlace}) {
        p->done(4);
        p->finish();
    }
    EXPECT_EQ(lines.str(),
              "corvane-sweep: 0 / 4 conditions done, time left --:--:--\n"
              "corvane-sweep: 1 / 4 conditions done, time left 0:01:30\n"
              "corvane-sweep: 4 / 4 conditions done, time left 0:00:00\n");
    EXPECT_EQ(terminal.str(),
              "\rcorvane-sweep: 0 / 4 conditions done, time left --:--:--"
              "\rcorvane-sweep: 1 / 4 conditions done, time left 0:01:30"
              "\rcorvane-sweep: 4 / 4 conditions done, time left 0:00:00\n");
}

}  // namespace
}  // namespace sweep
