// Runs the built Corvane as a user would: in a folder holding its files, with
// the Enter presses on standard input, and checks what the console shows, the
// exit status and the result file.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <regex>
#include <string>

#include "core_test_support.h"

namespace corvane {
namespace {

using testing::ScratchFolder;
using testing::readFile;
using testing::runParameterText;
using testing::writeFile;

using Outcome = testing::ProgramRun;

Outcome runCorvane(const std::filesystem::path& folder, const std::string* input) {
    return testing::runCorvaneProgram(folder, input);
}
Outcome runCorvane(const std::filesystem::path& folder, const std::string& input) { return runCorvane(folder, &input); }

const std::string kBanner =
    "\n"
    "  ----- モンテカルロシミュレーション -----\n"
    "  ファントム中におけるＸ線スペクトルの計測\n"
    "\n"
    "    * ファントムサイズ：60cmφ×30cm厚\n"
    "    * 線源‐表面間距離  SSD = 70cm  一定\n"
    "    * カウンタ：線束中心軸に設定した 1 cmφの球\n"
    "    * 測定深：0, 2，5，10，15, 20 cm\n"
    "\n";

const std::string kHeaderOnlyConditions =
    "  ---  照射条件  ---\n"
    "\n"
    "    * 管電圧 =    0.4 [kV]\n"
    "    * 高電圧整流方式：定電圧\n"
    "    * ターゲット角 =   12.0 [deg]\n"
    "    * 固有ろ過 =  1.000 [mmAl eq.]\n"
    "    * 付加フィルタ Al =  0.000 [mm]\n"
    "    * 付加フィルタ Cu =  0.100 [mm]\n"
    "    * 照射野直径 =   10.0 [cm]\n"
    "    * 入射光子数 =    1000000. [/cm2]\n"
    "    * 入射Ｘ線スペクトル：Birch 式による\n"
    "    * ファントム物質：水\n"
    "\n";

const std::string kStartPrompt =
    "  ---  Enter キーを押すと計算が開始されます  ---\n"
    "\n"
    "\n"
    "  ---  計算には長時間を要する場合があります  ---\n"
    "         計算開始後を計算を中止するには\n"
    "             Ctrl+C を押して下さい\n"
    "\n";

const std::string kHeaderOnlyResult =
    " Constant potential rectification\r\n"
    " Tube potential =    0.4 [kV]\r\n"
    " Target angle   =   12.0 [deg]\r\n"
    " Inherent filtration =  1.000 [mmAl eq.]\r\n"
    " Aliminum filter =  0.000 [mm]\r\n"
    " Copper filter   =  0.100 [mm]\r\n"
    " Field diameter  =   10.0 [cm]\r\n"
    " Incident photons/cm2  =    1000000.\r\n"
    " by Birch formula\r\n"
    " in water phantom\r\n"
    " keV,incident,0cm P,0cm S,0cm P+S,2cm P,2cm S,2cm P+S,  5cm P,5cm S,5cm P+S,10cm P,10cm S,10cm P+S,"
    "15cm P,15cm S,15cm P+S,20cm P,20cm S,20cm P+S\r\n";

// A working directory with the data files of a run: the coefficient table,
// both material tables and "B2F.dat" for 0.4 kV (no energy bin: the result
// holds its header only).
struct WorkingDirectory {
    ScratchFolder folder;
    WorkingDirectory() {
        testing::writeRunFiles(folder.path(),
                               runParameterText("0000.4", "12.000", "01.000", "00.000", "00.100", "0010.0",
                                                "0001000000.", "01", "01", "01", "abcdefghijklmnopqrstuvw.csv"));
    }
    std::filesystem::path path() const { return folder.path(); }
};

TEST(EngineConsole, HeaderOnlyRunFromStartToExit) {
    WorkingDirectory dir;
    const Outcome outcome = runCorvane(dir.path(), "anything typed\n\n");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");

    const std::string clockLine = "( 計算開始時刻 =)([ 12]\\d:[ 0-5]\\d:[ 0-5]\\d)\n\n( 計算終了時刻 =)([ 12]\\d:[ 0-5]\\d:[ 0-5]\\d)\n";
    const std::string transcript = std::regex_replace(outcome.out, std::regex(clockLine), "$1HH:MM:SS\n\n$3HH:MM:SS\n");
    EXPECT_EQ(transcript, kBanner + kHeaderOnlyConditions + kStartPrompt +
                              "\n"
                              "\n"
                              " 計算開始時刻 =HH:MM:SS\n"
                              "\n"
                              " 計算終了時刻 =HH:MM:SS\n"
                              "\n"
                              "---  計算結果は abcdefghijklmnopqrst に保存しました ---\n"
                              "\n"
                              "\n"
                              " ---  Enter キーを押してください  ---\n"
                              "Stop - Program terminated.\n");
    EXPECT_EQ(readFile(dir.path() / "abcdefghijklmnopqrstuvw.csv"), kHeaderOnlyResult);
}

TEST(EngineConsole, NoRunParameterFileEndsAfterTheBanner) {
    WorkingDirectory dir;
    std::filesystem::remove(dir.path() / "B2F.dat");
    const Outcome outcome = runCorvane(dir.path(), "\n\n");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, kBanner);
    EXPECT_NE(outcome.err.find("open error: B2F.dat"), std::string::npos) << outcome.err;
}

TEST(EngineConsole, TenLineRunParameterFileIsAReadError) {
    WorkingDirectory dir;
    writeFile(dir.path() / "B2F.dat", "0080.0\r\n12.000\r\n01.000\r\n00.000\r\n00.100\r\n0010.0\r\n0001000000.\r\n01\r\n"
                                      "01\r\n01\r\n");
    const Outcome outcome = runCorvane(dir.path(), "\n\n");
    EXPECT_EQ(outcome.status, 3);
    EXPECT_EQ(outcome.out, kBanner);
    EXPECT_NE(outcome.err.find("read error: B2F.dat"), std::string::npos) << outcome.err;
}

TEST(EngineConsole, MissingCoefficientTableEndsAfterTheFirstEnter) {
    WorkingDirectory dir;
    std::filesystem::remove(dir.path() / "Att_Coeff2023.dat");
    const Outcome outcome = runCorvane(dir.path(), "\n\n");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, kBanner + kHeaderOnlyConditions + kStartPrompt);
    EXPECT_NE(outcome.err.find("open error: Att_Coeff2023.dat"), std::string::npos) << outcome.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "abcdefghijklmnopqrstuvw.csv"));
}

TEST(EngineConsole, ClosedInputAtEitherWaitIsAReadError) {
    {
        WorkingDirectory dir;
        const Outcome outcome = runCorvane(dir.path(), nullptr);
        EXPECT_EQ(outcome.status, 7);
        EXPECT_EQ(outcome.out, kBanner + kHeaderOnlyConditions + kStartPrompt);
        EXPECT_NE(outcome.err.find("read error: standard input"), std::string::npos) << outcome.err;
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "abcdefghijklmnopqrstuvw.csv"));
    }
    {
        // One Enter only, and the data files named in other letter cases.
        WorkingDirectory dir;
        std::filesystem::rename(dir.path() / "Att_Coeff2023.dat", dir.path() / "att_coeff2023.DAT");
        std::filesystem::rename(dir.path() / "B2F.dat", dir.path() / "b2f.dat");
        const Outcome outcome = runCorvane(dir.path(), "\n");
        EXPECT_EQ(outcome.status, 7);
        const std::string closing = " ---  Enter キーを押してください  ---\n";
        ASSERT_GE(outcome.out.size(), closing.size());
        EXPECT_EQ(outcome.out.substr(outcome.out.size() - closing.size()), closing);
        EXPECT_NE(outcome.err.find("read error: standard input"), std::string::npos) << outcome.err;
        // The result was saved before the wait.
        EXPECT_EQ(readFile(dir.path() / "abcdefghijklmnopqrstuvw.csv"), kHeaderOnlyResult);
    }
}

TEST(EngineConsole, InvalidConditionsAreRefusedBeforeTheFirstEnter) {
    WorkingDirectory dir;
    writeFile(dir.path() / "B2F.dat", runParameterText("0080.0", "90.000", "01.000", "00.000", "00.100", "0010.0",
                                                       "0001000000.", "01", "01", "01", "r.csv"));
    const Outcome outcome = runCorvane(dir.path(), nullptr);  // no Enter is awaited
    EXPECT_EQ(outcome.status, 4);
    EXPECT_NE(outcome.out.find("    * ターゲット角 =   90.0 [deg]\n"), std::string::npos);
    EXPECT_EQ(outcome.out.find("Enter"), std::string::npos);
    EXPECT_NE(outcome.err.find("targetAngle = 90 degrees"), std::string::npos) << outcome.err;
}

}  // namespace
}  // namespace corvane
