#include "run/run_sequence.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>

#include "core_test_support.h"
#include "files/engine_error.h"
#include "files/result_file.h"

namespace corvane {
namespace {

using testing::ScratchFolder;
using testing::readFile;
using testing::runParameterText;
using testing::smoothRow;
using testing::writeFile;

RunParameters validConditions() { return testing::conditions80kV(0.0f, "r.csv"); }

TEST(RunConditions, RefusesValuesOutsideTheDataModel) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "sub");
    std::filesystem::create_directory(folder / "folder.csv");
    const struct {
        const char* mentions;  // the field, its value and the limit
        void (*change)(RunParameters&);
    } cases[] = {
        {"tubePotential = 150.1 kV is above the limit of 150 kV", [](RunParameters& p) { p.tubePotential = 150.1f; }},
        {"tubePotential = -1 kV is negative", [](RunParameters& p) { p.tubePotential = -1; }},
        {"targetAngle = 0 degrees", [](RunParameters& p) { p.targetAngle = 0; }},
        {"targetAngle = 90 degrees", [](RunParameters& p) { p.targetAngle = 90; }},
        {"targetAngle = -5 degrees", [](RunParameters& p) { p.targetAngle = -5; }},
        {"inherentFiltration = -0.5 mm is negative", [](RunParameters& p) { p.inherentFiltration = -0.5f; }},
        {"aluminiumFilter = -1 mm", [](RunParameters& p) { p.aluminiumFilter = -1; }},
        {"copperFilter = -0.1 mm", [](RunParameters& p) { p.copperFilter = -0.1f; }},
        {"fieldDiameter = -10 cm is negative", [](RunParameters& p) { p.fieldDiameter = -10; }},
        {"incidentFluence = -1 /cm2 is negative", [](RunParameters& p) { p.incidentFluence = -1; }},
        {"gives more photons than the limit", [](RunParameters& p) { p.fieldDiameter = 1e30f; p.incidentFluence = 1e30f; }},
        {"resultFileName (line 11) is blank", [](RunParameters& p) { p.resultFileName = std::string(30, ' '); }},
        {"\"folder.csv\" is the name of a folder", [](RunParameters& p) { p.resultFileName = nameLine30("folder.csv"); }},
        {"the folder", [](RunParameters& p) { p.resultFileName = nameLine30("missing/r.csv"); }},
    };
    for (const auto& c : cases) {
        RunParameters p = validConditions();
        c.change(p);
        deriveRunValues(p);
        try {
            checkRunConditions(p, folder.path());
            ADD_FAILURE() << "accepted: " << c.mentions;
        } catch (const EngineError& e) {
            EXPECT_EQ(e.status(), ExitStatus::InvalidConditions);
            EXPECT_NE(std::string(e.what()).find(c.mentions), std::string::npos) << e.what();
        }
    }
    // Nothing was created by the checks.
    EXPECT_FALSE(std::filesystem::exists(folder / "r.csv"));
}

TEST(RunConditions, AcceptsTheEdgesOfTheDataModel) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "sub");
    const struct {
        void (*change)(RunParameters&);
    } cases[] = {
        {[](RunParameters& p) { p.tubePotential = 150; }},
        {[](RunParameters& p) { p.tubePotential = 0.4f; }},  // header-only result
        {[](RunParameters& p) { p.tubePotential = 0; }},
        {[](RunParameters& p) { p.fieldDiameter = 0; }},     // no histories
        {[](RunParameters& p) { p.fieldDiameter = 70; }},    // wider than the phantom
        {[](RunParameters& p) { p.incidentFluence = 0; }},
        {[](RunParameters& p) { p.targetAngle = 0.01f; }},
        {[](RunParameters& p) { p.targetAngle = 89.99f; }},
        {[](RunParameters& p) { p.resultFileName = nameLine30("sub/r.csv"); }},
        {[](RunParameters& p) { p.resultFileName = nameLine30("  spaced name.csv"); }},
    };
    for (const auto& c : cases) {
        RunParameters p = validConditions();
        c.change(p);
        deriveRunValues(p);
        EXPECT_NO_THROW(checkRunConditions(p, folder.path())) << p.tubePotential << " " << p.resultFileName;
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "sub" / "r.csv"));
}

TEST(RunConditions, RefusesAFolderThatCannotBeWritten) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "locked");
    std::filesystem::permissions(folder / "locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    RunParameters p = validConditions();
    p.resultFileName = nameLine30("locked/r.csv");
    try {
        checkRunConditions(p, folder.path());
        ADD_FAILURE() << "accepted a read-only folder";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("is not writable"), std::string::npos) << e.what();
    }
    std::filesystem::permissions(folder / "locked", std::filesystem::perms::owner_all);
}

// A working directory with a coefficient table and a material table.
struct RunFolder {
    ScratchFolder folder;
    explicit RunFolder(const std::string& parameters,
                       const std::function<testing::CoefficientRow(int)>& rows = smoothRow) {
        testing::writeRunFiles(folder.path(), parameters, rows);
    }
    struct Outcome {
        int status;
        std::string out;
        std::string err;
        std::string unread;  // what the engine left of its input
    };
    Outcome run(const std::string& input = "\n\n", std::function<ClockTime()> clock = localClock) {
        std::istringstream in(input);
        std::ostringstream out, err;
        RunOptions options;
        options.folder = folder.path();
        options.clock = std::move(clock);
        const int status = runEngine(in, out, err, options);
        std::string unread;
        std::getline(in, unread, '\0');
        return {status, out.str(), err.str(), unread};
    }
};

TEST(RunSequence, RefusesInvalidConditionsBeforeTheFirstEnter) {
    RunFolder run(runParameterText("0200.0", "12.000", "01.000", "00.000", "00.000", "0010.0", "0000000001.", "01",
                                   "01", "01", "r.csv"));
    const auto outcome = run.run("typed\n\n");
    EXPECT_EQ(outcome.status, static_cast<int>(ExitStatus::InvalidConditions));
    EXPECT_NE(outcome.out.find("    * 管電圧 =  200.0 [kV]\n"), std::string::npos);
    EXPECT_NE(outcome.out.find("    * ファントム物質：水\n\n"), std::string::npos);
    EXPECT_EQ(outcome.out.find("Enter"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.err.find("tubePotential = 200 kV is above the limit of 150 kV"), std::string::npos);
    EXPECT_EQ(outcome.unread, "typed\n\n");
    EXPECT_FALSE(std::filesystem::exists(run.folder / "r.csv"));
}

TEST(RunSequence, RefusesASpectrumThatFiltersToNothingBeforeAnyHistory) {
    RunFolder run(runParameterText("0020.0", "12.000", "00.000", "00.000", "03.000", "0010.0", "0000000001.", "01",
                                   "01", "01", "r.csv"),
                  [](int k) { return testing::CoefficientRow{smoothRow(k).target, 0.5, 1000.0}; });
    const auto outcome = run.run();
    EXPECT_EQ(outcome.status, static_cast<int>(ExitStatus::InvalidConditions));
    EXPECT_NE(outcome.err.find("copperFilter = 3 mm"), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out.find(" --- 1 / "), std::string::npos);
    EXPECT_EQ(outcome.unread, "\n");
    EXPECT_FALSE(std::filesystem::exists(run.folder / "r.csv"));
}

TEST(RunSequence, MaterialTableIsLoadedAfterTheSpectrum) {
    RunFolder run(runParameterText("0010.0", "12.000", "00.000", "00.000", "00.000", "0001.0", "0000000010.", "01",
                                   "01", "02", "r.csv"));
    std::filesystem::remove(run.folder / "ICRUSoft.dat");
    const auto outcome = run.run();
    EXPECT_EQ(outcome.status, static_cast<int>(ExitStatus::OpenFailed));
    EXPECT_NE(outcome.err.find("open error: ICRUSoft.dat"), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out.find("計算開始時刻"), std::string::npos);
}

TEST(RunSequence, SmallRunPrintsProgressTimesAndWritesTheResult) {
    RunFolder run(runParameterText("0010.0", "12.000", "00.500", "00.000", "00.000", "0002.0", "0000001000.", "01",
                                   "01", "01", "abcdefghijklmnopqrstuvw.csv"));
    int calls = 0;
    const auto outcome = run.run("go\n\n", [&calls]() {
        return ++calls == 1 ? ClockTime{9, 5, 3} : ClockTime{23, 59, 0};
    });
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    std::string progress;
    for (int k = 1; k <= 20; ++k) progress += " --- " + std::to_string(k) + " / 20\n";
    const std::string tail = progress +
                             "\n"
                             "\n"
                             " 計算開始時刻 = 9: 5: 3\n"
                             "\n"
                             " 計算終了時刻 =23:59: 0\n"
                             "\n"
                             "---  計算結果は abcdefghijklmnopqrst に保存しました ---\n"
                             "\n"
                             "\n"
                             " ---  Enter キーを押してください  ---\n"
                             "Stop - Program terminated.\n";
    ASSERT_GE(outcome.out.size(), tail.size());
    EXPECT_EQ(outcome.out.substr(outcome.out.size() - tail.size()), tail);
    EXPECT_EQ(calls, 2);

    const std::string result = readFile(run.folder / "abcdefghijklmnopqrstuvw.csv");
    EXPECT_EQ(std::count(result.begin(), result.end(), '\n'), 11 + 20);
    // Photons were followed: some bin counted incident photons.
    EXPECT_NE(result.find(",        0.,"), std::string::npos);
    bool counted = false;
    for (std::size_t pos = result.find("\r\n  ") ; pos != std::string::npos; pos = result.find("\r\n  ", pos + 1)) {
        if (result.compare(pos + 2 + 6, 11, ",        0.") != 0) counted = true;
    }
    EXPECT_TRUE(counted);
}

TEST(RunSequence, ShowsTheNameWithoutHalfACharacter) {
    // 19 bytes and a 3-byte character across the 20th: the saved-to line shows
    // the 19 bytes and a blank; the file keeps its whole name.
    const std::string name = "a結果ファイル結.csv";
    RunFolder run(runParameterText("0000.4", "12.000", "00.000", "00.000", "00.000", "0001.0", "0000000001.", "01",
                                   "01", "01", name));
    const auto outcome = run.run();
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("\n---  計算結果は a結果ファイル  に保存しました ---\n"), std::string::npos) << outcome.out;
    EXPECT_TRUE(std::filesystem::exists(run.folder / name));
}

TEST(RunSequence, AnyFormulaCodeButOneIsTucker) {
    std::string results[3];
    const char* codes[3] = {"02", "09", "01"};
    for (int i = 0; i < 3; ++i) {
        RunFolder run(runParameterText("0015.0", "12.000", "00.500", "00.000", "00.000", "0002.0", "0000002000.",
                                       codes[i], "01", "01", "r.csv"));
        ASSERT_EQ(run.run().status, 0);
        results[i] = readFile(run.folder / "r.csv");
    }
    EXPECT_EQ(results[0], results[1]);
    EXPECT_NE(results[0], results[2]);
    EXPECT_NE(results[2].find(" by Birch formula\r\n"), std::string::npos);
}

TEST(Console, ChoosesTheEncodingByCodeset) {
    const struct {
        const char* codeset;
        ConsoleEncoding encoding;
    } cases[] = {
        {"UTF-8", ConsoleEncoding::Utf8},          {"ANSI_X3.4-1968", ConsoleEncoding::Utf8},
        {"SHIFT_JIS", ConsoleEncoding::ShiftJis},  {"Shift_JIS", ConsoleEncoding::ShiftJis},
        {"SJIS", ConsoleEncoding::ShiftJis},       {"CP932", ConsoleEncoding::ShiftJis},
        {"WINDOWS-31J", ConsoleEncoding::ShiftJis}, {"EUC-JP", ConsoleEncoding::EucJp},
        {"eucJP", ConsoleEncoding::EucJp},         {"EUC-KR", ConsoleEncoding::Utf8},
    };
    for (const auto& c : cases) EXPECT_EQ(encodingForCodeset(c.codeset), c.encoding) << c.codeset;
}

TEST(Console, ConvertsLinesToTheLegacyJapaneseSets) {
    const std::string text = " 管電圧φ×‐ [kV]";
    EXPECT_EQ(toConsoleText(text, ConsoleEncoding::Utf8), text);
    EXPECT_EQ(toConsoleText(text, ConsoleEncoding::ShiftJis),
              " \x8A\xC7\x93\x64\x88\xB3\x83\xD3\x81\x7E\x81\x5D [kV]");
    EXPECT_EQ(toConsoleText(text, ConsoleEncoding::EucJp), " \xB4\xC9\xC5\xC5\xB0\xB5\xA6\xD5\xA1\xDF\xA1\xBE [kV]");
    // A character the set lacks, and a broken sequence, become "?".
    EXPECT_EQ(toConsoleText("a\xF0\x9F\x98\x80" "b\xE7" "c", ConsoleEncoding::ShiftJis), "a?b?c");

    std::istringstream in("");
    std::ostringstream out, err;
    Console console(in, out, err, ConsoleEncoding::ShiftJis);
    console.line("  ---  照射条件  ---");
    console.line();
    EXPECT_EQ(out.str(), "  ---  \x8F\xC6\x8E\xCB\x8F\xF0\x8C\x8F  ---\n\n");
    try {
        console.waitForEnter();
        FAIL() << "an Enter wait passed at the end of the input";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.status(), ExitStatus::ConsoleClosed);
        EXPECT_NE(std::string(e.what()).find("read error: standard input"), std::string::npos);
    }
}

}  // namespace
}  // namespace corvane
