#include "files/run_parameters.h"

#include <gtest/gtest.h>

#include "core_test_support.h"
#include "files/engine_error.h"

namespace corvane {
namespace {

using testing::ScratchFolder;
using testing::runParameterText;
using testing::writeFile;

RunParameters readText(const std::string& text) {
    ScratchFolder folder;
    writeFile(folder / "B2F.dat", text);
    return readRunParameters(folder / "B2F.dat");
}

std::string pad30(const std::string& name) { return name + std::string(30 - name.size(), ' '); }

TEST(RunParameters, ReadsTheFrontEndFileOf80kV) {
    const RunParameters p = readText(runParameterText("0080.0", "12.000", "01.000", "00.000", "00.100", "0010.0",
                                                      "0001000000.", "01", "01", "01", "test.csv"));
    EXPECT_EQ(p.tubePotential, 80.0f);
    EXPECT_EQ(p.targetAngle, 12.0f);
    EXPECT_EQ(p.inherentFiltration, 1.0f);
    EXPECT_EQ(p.aluminiumFilter, 0.0f);
    EXPECT_EQ(p.copperFilter, 0.1f);
    EXPECT_EQ(p.fieldDiameter, 10.0f);
    EXPECT_EQ(p.incidentFluence, 1.0e6f);
    EXPECT_EQ(p.formulaCode, 1);
    EXPECT_EQ(p.rectificationCode, 1);
    EXPECT_EQ(p.materialCode, 1);
    EXPECT_EQ(p.resultFileName, pad30("test.csv"));
    EXPECT_EQ(p.binCount, 160);
    // 5^2 x 3.141592 x 10^6 = 78 539 800, rounded once to single precision.
    EXPECT_EQ(p.totalPhotons, 78539800.0f);
    EXPECT_EQ(p.inherentFiltrationCm, 0.1f);
    EXPECT_EQ(p.aluminiumFilterCm, 0.0f);
    // 0.1f x 0.1f in double, rounded once: 0.01 to single precision.
    EXPECT_EQ(p.copperFilterCm, static_cast<float>(static_cast<double>(0.1f) * static_cast<double>(0.1f)));
}

TEST(RunParameters, ReadsTheFrontEndDefaults) {
    const RunParameters p = readText(runParameterText("0100.0", "12.000", "02.500", "01.000", "00.000", "0020.0",
                                                      "0001000000.", "02", "01", "01", "Result-12-11-2026.csv"));
    EXPECT_EQ(p.tubePotential, 100.0f);
    EXPECT_EQ(p.inherentFiltration, 2.5f);
    EXPECT_EQ(p.aluminiumFilter, 1.0f);
    EXPECT_EQ(p.formulaCode, 2);
    EXPECT_EQ(p.binCount, 200);
    EXPECT_EQ(p.totalPhotons, 314159200.0f);  // 10^2 x 3.141592 x 10^6
    EXPECT_EQ(p.resultFileName, pad30("Result-12-11-2026.csv"));
}

TEST(RunParameters, BinCountIsTheWholePartOfTwiceTheVoltage) {
    const struct {
        const char* line;
        int binCount;
    } cases[] = {{"80.6", 161}, {"80.5", 161}, {"80.4", 160}, {"150", 300}, {"0.4", 0}, {"0.5", 1}, {"0", 0}};
    for (const auto& c : cases) {
        const RunParameters p = readText(runParameterText(c.line, "12", "0", "0", "0", "10", "1", "1", "1", "1", "a.csv"));
        EXPECT_EQ(p.binCount, c.binCount) << c.line;
    }
}

TEST(RunParameters, ReadsListDirectedValues) {
    const struct {
        const char* lines;  // everything up to the tube voltage's line end
        float tubePotential;
    } cases[] = {
        {"80\r\n", 80.0f},
        {"8.0E1\r\n", 80.0f},
        {"8.0D1\r\n", 80.0f},
        {"8.0e+01\r\n", 80.0f},
        {"+0080.\r\n", 80.0f},
        {"   80.25   \r\n", 80.25f},
        {"\r\n   \r\n\t\r\n80\r\n", 80.0f},    // lines of blanks hold no value
        {"80 kV and a remark\r\n", 80.0f},     // the rest of the line is ignored
        {"80,90\r\n", 80.0f},
        {"80\n", 80.0f},                       // LF line ends
        {"-3.5\r\n", -3.5f},
        {".5\r\n", 0.5f},
        {"80\r", 80.0f},                       // a lone CR ends a line
        {"\xEF\xBB\xBF" "80\r\n", 80.0f},        // a UTF-8 byte-order mark is skipped
    };
    for (const auto& c : cases) {
        const std::string text = std::string(c.lines) + "12\r\n0\r\n0\r\n0\r\n10\r\n1\r\n 01 \r\n2\r\n-3\r\nname.csv\r\n";
        const RunParameters p = readText(text);
        EXPECT_EQ(p.tubePotential, c.tubePotential) << c.lines;
        EXPECT_EQ(p.formulaCode, 1);
        EXPECT_EQ(p.rectificationCode, 2);
        EXPECT_EQ(p.materialCode, -3);
        EXPECT_EQ(p.resultFileName, pad30("name.csv"));
    }
}

TEST(RunParameters, TakesTheFirst30BytesOfTheNameLine) {
    const struct {
        std::string line;
        std::string name;
    } cases[] = {
        {"abcdefghijklmnopqrstuvwxyz.csv", "abcdefghijklmnopqrstuvwxyz.csv"},
        {"abcdefghijklmnopqrstuvwxyz0123.csv", "abcdefghijklmnopqrstuvwxyz0123"},
        {"  lead and inner  blanks.csv", pad30("  lead and inner  blanks.csv")},
        {"", pad30("")},
        // 27 ASCII bytes and a 3-byte character end exactly at byte 30.
        {std::string(27, 'a') + "\xE7\xB5\x90.csv", std::string(27, 'a') + "\xE7\xB5\x90"},
        // 28 bytes and a 3-byte character: the half character is dropped.
        {std::string(28, 'a') + "\xE7\xB5\x90.csv", pad30(std::string(28, 'a'))},
        {std::string(29, 'a') + "\xC3\xA9.csv", pad30(std::string(29, 'a'))},
    };
    for (const auto& c : cases) {
        const RunParameters p = readText(runParameterText("80", "12", "0", "0", "0", "10", "1", "1", "1", "1", c.line));
        EXPECT_EQ(p.resultFileName, c.name) << c.line;
    }
    // The name is the line right after the tenth value, blank lines included.
    const RunParameters p = readText("80\r\n12\r\n0\r\n0\r\n0\r\n10\r\n1\r\n1\r\n1\r\n1\r\n\r\nlater.csv\r\n");
    EXPECT_EQ(p.resultFileName, pad30(""));
}

TEST(RunParameters, RefusesMissingAndMalformedValues) {
    const struct {
        std::string text;
        const char* mentions;
    } cases[] = {
        {"80\r\n12\r\n0\r\n0\r\n0\r\n10\r\n1\r\n1\r\n1\r\n1\r\n", "result file name"},  // ten lines
        {"80\r\n12\r\n0\r\n0\r\n0\r\n10\r\n1\r\n1\r\n1\r\n", "materialCode"},          // nine lines
        {"", "tubePotential"},
        {"eighty\r\n", "tubePotential"},
        {"80\r\n12\r\n0\r\n0\r\n0\r\n10\r\n1\r\n1.0\r\n1\r\n1\r\nx.csv\r\n", "formulaCode"},
        {"80\r\n12\r\n0\r\n0\r\n0\r\n10\r\n1e\r\n1\r\n1\r\n1\r\nx.csv\r\n", "incidentFluence"},
        {"80\r\n12deg\r\n0\r\n0\r\n0\r\n10\r\n1\r\n1\r\n1\r\n1\r\nx.csv\r\n", "targetAngle"},
        {"80\r\n12\r\n0\r\n0\r\n0\r\n10\r\n1\r\nA\r\n1\r\n1\r\nx.csv\r\n", "formulaCode"},
        {"1e39\r\n", "tubePotential"},  // beyond single precision
        // A blank line among the first ten moves the later values down: the
        // file is reported at the empty line, not where it then runs out.
        {"80\r\n12\r\n\r\n0\r\n0\r\n10\r\n1\r\n1\r\n1\r\n1\r\n",
         "line 3 is empty; it must hold the value of inherentFiltration"},
        {"80\r\n12\r\n \r\n0\r\n0\r\n10\r\n1\r\n1\r\n1\r\n1\r\nx.csv\r\n", "line 3 is empty"},
        // A bad value within the first ten lines is reported as itself.
        {"80\r\n\r\n12deg\r\n0\r\n0\r\n10\r\n1\r\n1\r\n1\r\n1\r\nx.csv\r\n", "line 3: \"12deg\" is not a real number"},
    };
    for (const auto& c : cases) {
        try {
            readText(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const EngineError& e) {
            EXPECT_EQ(e.status(), ExitStatus::ReadFailed) << c.text;
            const std::string message = e.what();
            EXPECT_NE(message.find("read error: B2F.dat"), std::string::npos) << message;
            EXPECT_NE(message.find(c.mentions), std::string::npos) << message;
        }
    }
}

TEST(RunParameters, MissingFileIsAnOpenError) {
    ScratchFolder folder;
    try {
        readRunParameters(folder / "B2F.dat");
        FAIL() << "a missing file was read";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.status(), ExitStatus::OpenFailed);
        EXPECT_NE(std::string(e.what()).find("open error: B2F.dat"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace corvane
