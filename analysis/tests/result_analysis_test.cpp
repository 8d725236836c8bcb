#include "analysis/result_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "analysis_test_support.h"

using namespace analysis;
using namespace analysis_test;

namespace {

// The tiny run of the fixtures: two bins, counts only in bin 2 (1 keV);
// incident 100, every sphere P 100 and S 20. The companion splits them into
// 10 batches: incident 10 each, P 10 each, S 1, 3, 1, 3, ...; the fluence of
// P 0.1 per batch and of S 0.01, 0.05, 0.01, ... . 100 histories of 100
// photons in all: the incident fluence of bin 2 is 1.
constexpr double kThird = 1.0 / 3.0;

// A copy of the tiny result file alone in a scratch folder.
fs::path lonelyTinyResult(const ScratchFolder& folder) {
    const fs::path copy = folder / "tiny.csv";
    fs::copy_file(kFixtures / "tiny.csv", copy);
    return copy;
}

std::string withLf(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

const std::string kHeader = readFile(kFixtures / "tiny.csv").substr(0, readFile(kFixtures / "tiny.csv").find("   0.5,"));
const std::string kZeroRow =
    "   0.5,        0.,        0.,        0.,        0.,        0.,        0.,        0.,        0.,        0.,"
    "        0.,        0.,        0.,        0.,        0.,        0.,        0.,        0.,        0.,        0.\r\n";

}  // namespace

TEST(ResultFileReading, CrLfAndLfGiveTheSameTables) {
    ScratchFolder folder;
    writeFile(folder / "lf.csv", withLf(readFile(kFixtures / "tiny.csv")));
    const ResultFile crlf = readResultFile(kFixtures / "tiny.csv");
    const ResultFile lf = readResultFile(folder / "lf.csv");
    EXPECT_EQ(crlf.binCount, 2);
    EXPECT_EQ(lf.binCount, 2);
    EXPECT_EQ(crlf.headerLines, lf.headerLines);
    EXPECT_EQ(crlf.headerLines[1], " Tube potential =    1.0 [kV]");
    EXPECT_EQ(crlf.incident, lf.incident);
    EXPECT_EQ(crlf.depth, lf.depth);
    EXPECT_EQ(crlf.incident[2], 100.0);
    EXPECT_EQ(crlf.depth[5][1][2], 20.0);  // 20 cm scatter
    EXPECT_EQ(crlf.depth[5][2][2], 120.0);
}

TEST(ResultFileReading, MalformedFilesAreRefusedNamingFileLineAndText) {
    const std::string row2 = readFile(kFixtures / "tiny.csv").substr(kHeader.size() + kZeroRow.size());
    std::string rows301;
    for (int i = 0; i < 301; ++i) rows301 += kZeroRow;
    std::string shortRow = kZeroRow;
    shortRow.erase(shortRow.rfind(','), shortRow.size() - 2 - shortRow.rfind(','));
    const struct {
        const char* name;
        std::string text;
        const char* problem;
    } cases[] = {
        {"header.csv", kHeader, "no data rows"},
        {"ten.csv", kHeader.substr(0, kHeader.rfind(" keV")), "fewer than the 11 header lines"},
        {"nineteen.csv", kHeader + shortRow + row2, "line 12 holds 19 fields"},
        {"blank.csv", kHeader + kZeroRow + row2 + "\r\n", "line 14 holds 1 fields"},
        {"many.csv", kHeader + rows301, "301 data rows"},
        {"text.csv", kHeader + kZeroRow + "   1.0,      1\x1b[2J," + row2.substr(18), "line 13, field 2 is not a number: \"      1\\x1B[2J\""},
        {"negative.csv", kHeader + kZeroRow + "   1.0,      -100.," + row2.substr(18), "field 2 is not a count"},
    };
    ScratchFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(folder / c.name, c.text);
        expectFailure([&] { readResultFile(folder / c.name); }, {c.name, c.problem});
    }
    expectFailure([&] { readResultFile(folder / "none.csv"); }, {"none.csv", "no such file"});
    expectFailure([&] { readResultFile(folder.path()); }, {"not a regular file"});
    writeFile(folder / "huge.csv", kHeader + std::string(1u << 20, ' '));
    expectFailure([&] { readResultFile(folder / "huge.csv"); }, {"huge.csv", "more than the"});
}

TEST(CompanionNaming, ReplacesATrailingCsvOfAnyCaseOrAppends) {
    const struct {
        const char* result;
        const char* companion;
    } cases[] = {
        {"runs/a.csv", "runs/a.json"}, {"A.CSV", "A.json"}, {"b.Csv", "b.json"},
        {"c.dat", "c.dat.json"},       {"csv", "csv.json"}, {"d.csv.txt", "d.csv.txt.json"},
    };
    for (const auto& c : cases) EXPECT_EQ(companionPath(c.result), fs::path(c.companion)) << c.result;
}

// Without a companion the counts are Poisson numbers. The tiny run's spheres:
// S/P = 20/100 with u² = 0.2² (1/20 + 1/100); (P+S)/incident = 120/100 with
// u² = 1.2² (1/120 + 1/100); all counts at 1 keV leave the mean energy exact.
TEST(ResultAnalysis, PoissonUncertaintiesOfTheCountsWithoutCompanion) {
    ScratchFolder folder;
    const ResultAnalysis a = analyseResult(lonelyTinyResult(folder), handTable());
    EXPECT_EQ(a.method, UncertaintyMethod::Poisson);
    EXPECT_FALSE(a.companion.has_value());
    EXPECT_FALSE(a.trueFluence.has_value());
    EXPECT_FALSE(a.surfaceRatio().has_value());
    for (int s = 1; s <= kDepthCount; ++s) {
        const SpectrumFigures& f = a.counted[s];
        EXPECT_DOUBLE_EQ(f.scatterToPrimaryKerma.value, 0.2);
        EXPECT_NEAR(f.scatterToPrimaryKerma.uncertainty, 0.2 * std::sqrt(1.0 / 20 + 1.0 / 100), 1e-12);
        EXPECT_DOUBLE_EQ(f.totalToPrimaryKerma.value, 1.2);
        EXPECT_NEAR(f.totalToPrimaryKerma.uncertainty, f.scatterToPrimaryKerma.uncertainty, 1e-12);
        EXPECT_DOUBLE_EQ(f.airKermaRelative.value, 1.2);
        EXPECT_NEAR(f.airKermaRelative.uncertainty, 1.2 * std::sqrt(1.0 / 120 + 1.0 / 100), 1e-12);
        EXPECT_DOUBLE_EQ(f.meanEnergyKeV.value, 1.0);
        EXPECT_EQ(f.meanEnergyKeV.uncertainty, 0.0);
        EXPECT_DOUBLE_EQ(f.ratioOfSums.value, 4.0);  // tissue/air of bin 2
    }
    EXPECT_EQ(a.counted[0].airKermaRelative.value, 1.0);
    EXPECT_TRUE(std::isnan(a.counted[0].scatterToPrimaryKerma.value));
}

// 100 incident counts in each of bins 1 and 2 (0.5 and 1 keV), tissue/air 1
// and 4: both factors are (0.5·100 + 4·100) / (0.5·100 + 100) = 3, each count
// moves them by ±1/150, so u = sqrt(2·100)/150; the mean energy 0.75 keV moves
// by ±0.25/200 per count, u = sqrt(2·100)·0.25/200. At depth P = S = 100 in
// each bin: the same factors, moved by ±1/300 per count of four columns.
TEST(ResultAnalysis, PoissonUncertaintyOfFactorsSpreadOverTwoBins) {
    ScratchFolder folder;
    std::string twoBins = kHeader;
    for (const char* energy : {"   0.5", "   1.0"}) {
        twoBins += energy;
        for (int f = 1; f < 20; ++f) twoBins += f > 1 && f % 3 == 1 ? ",      200." : ",      100.";
        twoBins += "\r\n";
    }
    writeFile(folder / "two.csv", twoBins);
    const ResultAnalysis a = analyseResult(folder / "two.csv", handTable());
    for (int s = 0; s <= kDepthCount; ++s) {
        SCOPED_TRACE(s);
        const SpectrumFigures& f = a.counted[s];
        const double u = s == 0 ? std::sqrt(2.0 * 100) / 150 : std::sqrt(2.0 * 200) / 300;
        EXPECT_DOUBLE_EQ(f.ratioOfSums.value, 3.0);
        EXPECT_NEAR(f.ratioOfSums.uncertainty, u, 1e-12);
        EXPECT_DOUBLE_EQ(f.meanOfRatios.value, 3.0);
        EXPECT_NEAR(f.meanOfRatios.uncertainty, u, 1e-12);
        EXPECT_DOUBLE_EQ(f.meanEnergyKeV.value, 0.75);
    }
    EXPECT_NEAR(a.counted[0].meanEnergyKeV.uncertainty, std::sqrt(2.0 * 100) * 0.25 / 200, 1e-12);
}

// With the companion every uncertainty comes from the batches. Batch figures of
// the counts: S/P 0.1 or 0.3, so u = sqrt(10·0.1²/9)/sqrt(10) = 1/30; kerma
// relative to the incident 1.1 or 1.3, u = 1/30 as well. Of the fluence: S/P 0.1 or
// 0.5, so the surface ratio is 1.3 with u = 0.2/3; relative to the incident
// fluence 1 the kerma is 1.1 or 1.5, also 1.3 ± 0.2/3.
TEST(ResultAnalysis, BatchUncertaintiesWithTheCompanion) {
    const ResultAnalysis a = analyseResult(kFixtures / "tiny.csv", handTable());
    ASSERT_TRUE(a.companion.has_value());
    EXPECT_EQ(a.method, UncertaintyMethod::Batches);
    ASSERT_TRUE(a.trueFluence.has_value());
    for (int s = 1; s <= kDepthCount; ++s) {
        SCOPED_TRACE(s);
        const SpectrumFigures& counted = a.counted[s];
        EXPECT_DOUBLE_EQ(counted.scatterToPrimaryKerma.value, 0.2);
        EXPECT_NEAR(counted.scatterToPrimaryKerma.uncertainty, 1.0 / 30, 1e-12);
        EXPECT_DOUBLE_EQ(counted.airKermaRelative.value, 1.2);
        EXPECT_NEAR(counted.airKermaRelative.uncertainty, 1.0 / 30, 1e-12);
        const SpectrumFigures& fluence = (*a.trueFluence)[s];
        EXPECT_NEAR(fluence.totalToPrimaryKerma.value, 1.3, 1e-12);
        EXPECT_NEAR(fluence.totalToPrimaryKerma.uncertainty, 0.2 / 3, 1e-12);
        EXPECT_NEAR(fluence.airKermaRelative.value, 1.3, 1e-12);
        EXPECT_NEAR(fluence.airKermaRelative.uncertainty, 0.2 / 3, 1e-12);
        EXPECT_EQ(fluence.meanEnergyKeV.uncertainty, 0.0);
    }
    ASSERT_TRUE(a.surfaceRatio().has_value());
    EXPECT_NEAR(a.surfaceRatio()->value, 1.3, 1e-12);
    EXPECT_NEAR(a.surfaceRatio()->uncertainty, 0.2 / 3, 1e-12);
    // The incident counts are the same in every batch: no spread.
    EXPECT_EQ(a.counted[0].ratioOfSums.uncertainty, 0.0);

    // The spectra of the fluence per bin: P 1.0 without spread; S 0.3 with
    // u = sqrt(Σ (10·s_b − 0.3)² / 90) = sqrt(10·0.2²/90) = 0.2/3.
    const TrueFluenceSpectra& at5 = a.trueSpectra[2];
    ASSERT_EQ(at5.total.value.size(), 2u);
    EXPECT_NEAR(at5.primary.value[1], 1.0, 1e-12);
    EXPECT_NEAR(at5.primary.uncertainty[1], 0.0, 1e-12);
    EXPECT_NEAR(at5.scatter.value[1], 0.3, 1e-12);
    EXPECT_NEAR(at5.scatter.uncertainty[1], 0.2 / 3, 1e-12);
    EXPECT_NEAR(at5.total.value[1], 1.3, 1e-12);
    EXPECT_NEAR(at5.total.uncertainty[1], 0.2 / 3, 1e-12);
    EXPECT_EQ(at5.total.value[0], 0.0);
    // The incident beam comes from the companion's spectrum: all at 1 keV.
    EXPECT_DOUBLE_EQ(a.incidentBeam.meanEnergyKeV, 1.0);
}

TEST(ResultAnalysis, ADepthWithoutCountsGivesNotANumberNotAFailure) {
    ScratchFolder folder;
    std::string text = readFile(kFixtures / "tiny.csv");
    // Clear the 20 cm sphere of bin 2 (the last three fields).
    text.replace(text.size() - 2 - 3 * 11, 33, ",        0.,        0.,        0.");
    writeFile(folder / "empty20.csv", text);
    const ResultAnalysis a = analyseResult(folder / "empty20.csv", handTable());
    EXPECT_TRUE(std::isnan(a.counted[6].ratioOfSums.value));
    EXPECT_TRUE(std::isnan(a.counted[6].scatterToPrimaryKerma.value));
    EXPECT_EQ(a.counted[6].airKermaRelative.value, 0.0);
    EXPECT_DOUBLE_EQ(a.counted[5].scatterToPrimaryKerma.value, 0.2);
}

TEST(ResultAnalysis, ACompanionThatIsMalformedOrOfAnotherRunIsAnError) {
    const nlohmann::json good = nlohmann::json::parse(readFile(kFixtures / "tiny.json"));
    const struct {
        const char* what;
        std::function<void(nlohmann::json&)> change;
        const char* problem;
    } cases[] = {
        {"format", [](auto& j) { j["format"] = "corvane-spectra/2"; }, "\"format\" is not"},
        {"missing", [](auto& j) { j.erase("histories"); }, "\"histories\" is missing"},
        {"batches", [](auto& j) { j["incidentCounts"].erase(9); }, "\"incidentCounts\" is not an array of 10"},
        {"short", [](auto& j) { j["spheres"][3]["scatter"]["fluence"][4] = {0.1}; },
         "\"spheres[3].scatter.fluence[4]\" is not an array of 2"},
        {"negative", [](auto& j) { j["spheres"][1]["primary"]["fluence"][0][1] = -0.1; },
         "\"spheres[1].primary.fluence[0][1]\" is negative"},
        {"text", [](auto& j) { j["histories"][1] = "100"; }, "\"histories[1]\" is not a number"},
        {"depth", [](auto& j) { j["spheres"][2]["depthCm"] = 4; }, "\"spheres[2].depthCm\" is not 5"},
        {"another run", [](auto& j) { j["spheres"][4]["scatter"]["counts"][0][1] = 2; },
         "the 15 cm scatter counts of bin 2 sum to 21"},
        {"bins", [](auto& j) {
             j["binCount"] = 1;
             j["incidentSpectrum"] = {1.0};
             j["histories"] = {100};
             for (auto& b : j["incidentCounts"]) b = {10};
             for (auto& s : j["spheres"])
                 for (auto* c : {"primary", "scatter"})
                     for (auto* k : {"counts", "fluence"})
                         for (auto& b : s[c][k]) b = {b[1]};
         },
         "holds 1 bins, its result file tiny.csv 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder folder;
        const fs::path result = lonelyTinyResult(folder);
        nlohmann::json changed = good;
        c.change(changed);
        writeFile(folder / "tiny.json", changed.dump());
        expectFailure([&] { analyseResult(result, handTable()); }, {"tiny.json", c.problem});
    }
    ScratchFolder folder;
    const fs::path result = lonelyTinyResult(folder);
    writeFile(folder / "tiny.json", "{\"format\": \"corvane-spectra/1\",");
    expectFailure([&] { analyseResult(result, handTable()); }, {"tiny.json", "is not valid JSON"});
    fs::create_directory(folder / "tiny.json.d");
    fs::remove(folder / "tiny.json");
    fs::create_directory_symlink(folder / "tiny.json.d", folder / "tiny.json");
    expectFailure([&] { analyseResult(result, handTable()); }, {"tiny.json", "not a regular file"});
}
