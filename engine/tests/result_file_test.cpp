#include "files/result_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core_test_support.h"
#include "files/engine_error.h"

namespace corvane {
namespace {

using testing::ScratchFolder;
using testing::readFile;
using testing::writeFile;

RunParameters run80kV(const std::string& name = "test.csv") { return testing::conditions80kV(0.1f, name); }

std::vector<std::string> splitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no line end>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> splitCommas(const std::string& row) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = row.find(',', start);
        fields.push_back(row.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return fields;
        start = end + 1;
    }
}

TEST(ResultFile, WritesConditionsLabelsAndOneRowPerBin) {
    ScratchFolder folder;
    const RunParameters p = run80kV();
    auto tallies = std::make_unique<Tallies>();
    tallies->incident[1] = 5;
    tallies->incident[160] = 123;
    tallies->depth[1][1][3] = 7;
    tallies->depth[1][2][3] = 4;
    tallies->depth[6][1][160] = 16777217;  // beyond the float counter's reach
    tallies->depth[6][2][160] = 1;
    tallies->depth[3][2][100] = 9;
    formTotals(*tallies, p.binCount);
    writeResultFile(folder.path(), p, *tallies);

    const std::string text = readFile(folder / "test.csv");
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const std::vector<std::string> lines = splitCrLf(text);
    ASSERT_EQ(lines.size(), 11u + 160u);
    const std::vector<std::string> header = {
        " Constant potential rectification",
        " Tube potential =   80.0 [kV]",
        " Target angle   =   12.0 [deg]",
        " Inherent filtration =  1.000 [mmAl eq.]",
        " Aliminum filter =  0.000 [mm]",
        " Copper filter   =  0.100 [mm]",
        " Field diameter  =   10.0 [cm]",
        " Incident photons/cm2  =    1000000.",
        " by Birch formula",
        " in water phantom",
        " keV,incident,0cm P,0cm S,0cm P+S,2cm P,2cm S,2cm P+S,  5cm P,5cm S,5cm P+S,10cm P,10cm S,10cm P+S,"
        "15cm P,15cm S,15cm P+S,20cm P,20cm S,20cm P+S",
    };
    for (std::size_t i = 0; i < header.size(); ++i) EXPECT_EQ(lines[i], header[i]) << "line " << i + 1;

    const std::string zeros = ",        0.,        0.,        0.";
    EXPECT_EQ(lines[11], "   0.5,        5." + zeros + zeros + zeros + zeros + zeros + zeros);
    EXPECT_EQ(lines[13], "   1.5,        0.,        7.,        4.,       11." + zeros + zeros + zeros + zeros + zeros);
    const std::vector<std::string> last = splitCommas(lines.back());
    ASSERT_EQ(last.size(), 20u);
    EXPECT_EQ(last[0], "  80.0");
    EXPECT_EQ(last[1], "      123.");
    EXPECT_EQ(last[17], " 16777217.");
    EXPECT_EQ(last[18], "        1.");
    EXPECT_EQ(last[19], " 16777218.");
    // Fields 5, 8, ..., 20 are primary plus scatter, in every row.
    for (std::size_t r = 11; r < lines.size(); ++r) {
        const std::vector<std::string> f = splitCommas(lines[r]);
        ASSERT_EQ(f.size(), 20u) << r;
        for (int c = 4; c < 20; c += 3) EXPECT_EQ(std::stod(f[c]), std::stod(f[c - 2]) + std::stod(f[c - 1])) << r;
    }
}

TEST(ResultFile, FieldsTooWideShowAsterisks) {
    const RunParameters p = run80kV();
    auto tallies = std::make_unique<Tallies>();
    tallies->incident[2] = 1000000000LL;  // 11 characters with its point
    tallies->depth[2][1][2] = 999999999LL;
    const std::vector<std::string> lines = splitCrLf(formatResultFile(p, *tallies));
    const std::vector<std::string> row = splitCommas(lines[12]);
    EXPECT_EQ(row[1], "**********");
    EXPECT_EQ(row[5], "999999999.");
}

TEST(ResultFile, LabelsFollowTheCodes) {
    const struct {
        int rectification, formula, material;
        const char* line1;
        const char* line9;
        const char* line10;
    } cases[] = {
        {2, 2, 2, " Three-phase full-wave rectification 12-peak", " by Tucker formula", " in ICRU Soft-tissue phantom"},
        {3, 9, 0, " Single-phase full-wave rectification", " by Tucker formula", " in ICRU Soft-tissue phantom"},
        {7, 1, 1, " Single-phase full-wave rectification", " by Birch formula", " in water phantom"},
    };
    for (const auto& c : cases) {
        RunParameters p = run80kV();
        p.rectificationCode = c.rectification;
        p.formulaCode = c.formula;
        p.materialCode = c.material;
        const std::vector<std::string> lines = splitCrLf(formatResultFile(p, Tallies{}));
        EXPECT_EQ(lines[0], c.line1);
        EXPECT_EQ(lines[8], c.line9);
        EXPECT_EQ(lines[9], c.line10);
    }
}

TEST(ResultFile, HeaderOnlyBelowHalfAKilovolt) {
    ScratchFolder folder;
    RunParameters p = run80kV("low.csv");
    p.tubePotential = 0.4f;
    deriveRunValues(p);
    Tallies tallies;
    writeResultFile(folder.path(), p, tallies);
    const std::vector<std::string> lines = splitCrLf(readFile(folder / "low.csv"));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[1], " Tube potential =    0.4 [kV]");
}

TEST(ResultFile, ReplacesAnExistingFileWhole) {
    ScratchFolder folder;
    writeFile(folder / "old.csv", std::string(100000, 'x'));
    Tallies tallies;
    // Trailing blanks of the name line are not part of the name.
    writeResultFile(folder.path(), run80kV("old.csv"), tallies);
    const std::string text = readFile(folder / "old.csv");
    EXPECT_EQ(text, formatResultFile(run80kV("old.csv"), tallies));
    // Nothing but the result is left in the folder.
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        ++entries;
        EXPECT_EQ(entry.path().filename(), "old.csv");
    }
    EXPECT_EQ(entries, 1);
}

TEST(ResultFile, AFailedWriteLeavesNothingBehind) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "taken.csv");
    Tallies tallies;
    const struct {
        const char* name;
    } cases[] = {{"taken.csv"}, {"no-such-folder/r.csv"}};
    for (const auto& c : cases) {
        try {
            writeResultFile(folder.path(), run80kV(c.name), tallies);
            ADD_FAILURE() << "wrote " << c.name;
        } catch (const EngineError& e) {
            EXPECT_EQ(e.status(), ExitStatus::WriteFailed);
            EXPECT_NE(std::string(e.what()).find(std::string("write error: ") + c.name), std::string::npos) << e.what();
        }
    }
    // The folder of that name is untouched and no temporary file remains.
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken.csv"));
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++entries;
    EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace corvane
