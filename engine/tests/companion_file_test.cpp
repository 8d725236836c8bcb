#include "files/companion_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "core_test_support.h"
#include "files/engine_error.h"
#include "files/material_table.h"
#include "files/result_file.h"
#include "run/run_sequence.h"
#include "transport/histories.h"

namespace corvane {
namespace {

using nlohmann::json;
using testing::ScratchFolder;
using testing::readFile;

// A spectrum of equal fractions in bins 2..binCount and the histories it runs.
RunSpectrum flatRun(const RunParameters& p) {
    RunSpectrum s;
    for (int k = 2; k <= p.binCount; ++k) s.incident[static_cast<std::size_t>(k)] = 1.0f / static_cast<float>(p.binCount - 1);
    for (int k = 1; k <= kBins; ++k) {
        s.histories[static_cast<std::size_t>(k)] = historyCount(p, s.incident, k);
    }
    return s;
}

TEST(CompanionFile, NamedLikeTheResultWithJsonForATrailingCsv) {
    struct Case {
        const char* result;
        const char* companion;
    };
    for (const Case c : {Case{"r.csv", "r.json"}, Case{"R.CSV", "R.json"}, Case{"spectra.Csv", "spectra.json"},
                         Case{"run", "run.json"}, Case{"a.csv.txt", "a.csv.txt.json"}, Case{"csv", "csv.json"},
                         Case{"sub/x.csv", "sub/x.json"}, Case{"結果.csv", "結果.json"}}) {
        EXPECT_EQ(companionFileName(c.result), c.companion) << c.result;
    }
}

TEST(CompanionFile, HoldsTheConditionsSpectrumAndTalliesPerBatch) {
    RunParameters p = testing::conditions80kV(0.1f, "spectra.csv");
    p.incidentFluence = 2;
    deriveRunValues(p);
    const RunSpectrum spectrum = flatRun(p);
    auto t = std::make_unique<Tallies>();
    // A track of one sphere volume (0.5235987756 cm3 as cm) in the 2 cm
    // sphere's scatter, bin 5, batch 3: fluence 1 / 2 photons per cm2.
    t->trackLength[3][1][1][5] = 523598776;
    t->batchCounts[9][5][0][160] = 7;
    t->batchIncident[0][2] = 4;

    const json d = json::parse(formatCompanionFile(p, spectrum, *t));
    EXPECT_EQ(d["format"], "corvane-spectra/1");
    EXPECT_EQ(d["conditions"]["tubePotential"], 80.0);
    EXPECT_EQ(d["conditions"]["copperFilter"], 0.1);  // the shortest decimal of the float read
    EXPECT_EQ(d["conditions"]["fieldDiameter"], 10.0);
    EXPECT_EQ(d["conditions"]["formulaCode"], 1);
    EXPECT_EQ(d["conditions"]["resultFileName"], "spectra.csv");
    EXPECT_EQ(d["photonsPerCm2"], 2.0);
    EXPECT_EQ(d["totalPhotons"].get<float>(), p.totalPhotons);
    EXPECT_EQ(d["binWidthKeV"], 0.5);
    EXPECT_EQ(d["binCount"], 160);
    EXPECT_EQ(d["batches"], 10);
    EXPECT_EQ(d["sphereRadiusCm"], 0.5);
    ASSERT_EQ(d["incidentSpectrum"].size(), 160u);
    EXPECT_EQ(d["incidentSpectrum"][0], 0.0);
    EXPECT_EQ(d["incidentSpectrum"][1].get<float>(), 1.0f / 159);
    EXPECT_EQ(d["histories"][1], spectrum.histories[2]);
    ASSERT_EQ(d["incidentCounts"].size(), 10u);
    EXPECT_EQ(d["incidentCounts"][0][1], 4);

    ASSERT_EQ(d["spheres"].size(), 6u);
    for (std::size_t j = 0; j < 6; ++j) {
        const json& s = d["spheres"][j];
        EXPECT_EQ(s["depthCm"], static_cast<double>(kSphereDepths[j]));
        for (const char* component : {"primary", "scatter"}) {
            for (const char* key : {"counts", "fluence"}) {
                ASSERT_EQ(s[component][key].size(), 10u) << component << key;
                for (const json& batch : s[component][key]) ASSERT_EQ(batch.size(), 160u) << component << key;
            }
        }
    }
    EXPECT_NEAR(d["spheres"][1]["scatter"]["fluence"][3][4].get<double>(), 0.5, 1e-9);
    EXPECT_EQ(d["spheres"][1]["scatter"]["fluence"][2][4], 0.0);
    EXPECT_EQ(d["spheres"][5]["primary"]["counts"][9][159], 7);
}

TEST(CompanionFile, IdenticalOnOneTwoAndFourCores) {
    // About 40 000 histories in a 2 cm field at 60 kV, cut into pieces short
    // enough for many joins: counts, incident counts and fluence of every
    // batch come out the same, and the batches add up to the result's counts.
    RunParameters p;
    p.tubePotential = 60;
    p.fieldDiameter = 2;
    p.incidentFluence = 12700;
    p.materialCode = 1;
    p.resultFileName = "r.csv";
    deriveRunValues(p);
    const RunSpectrum spectrum = flatRun(p);
    const MaterialTable water = readMaterialTable(std::filesystem::path(SHIPPED_DATA) / "water.dat");

    const auto run = [&](int cores, std::int32_t piece) {
        auto tallies = std::make_unique<Tallies>();
        RandomGenerator random;
        random.initialise();
        std::ostringstream progress;
        HistoryStatistics statistics;
        if (cores == 1) {
            runHistories(p, spectrum.incident, water, random, *tallies, progress, &statistics, Cores::One);
        } else {
            runHistoriesInParallel(p, spectrum.incident, water, random, *tallies, progress, &statistics,
                                   {cores, piece, 0});
        }
        EXPECT_GT(statistics.histories, 35000);
        return std::make_pair(formatCompanionFile(p, spectrum, *tallies), std::move(tallies));
    };
    const auto [one, oneTallies] = run(1, 0);
    EXPECT_EQ(run(2, 3000).first, one);
    EXPECT_EQ(run(4, 1700).first, one);

    const json d = json::parse(one);
    double fluence = 0;
    for (std::size_t j = 0; j < 6; ++j) {
        for (int c = 1; c <= 2; ++c) {
            const json& component = d["spheres"][j][c == 1 ? "primary" : "scatter"];
            for (std::size_t k = 1; k <= 120; ++k) {
                std::int64_t sum = 0;
                for (std::size_t b = 0; b < 10; ++b) {
                    sum += component["counts"][b][k - 1].get<std::int64_t>();
                    fluence += component["fluence"][b][k - 1].get<double>();
                }
                ASSERT_EQ(sum, oneTallies->depth[j + 1][static_cast<std::size_t>(c)][k]) << j << c << k;
            }
        }
    }
    EXPECT_GT(fluence, 1.0);
}

// A run of runEngine in a folder holding the fixtures' data files.
struct EngineRun {
    int status;
    std::string err;
};
EngineRun runIn(const ScratchFolder& folder) {
    std::istringstream in("\n\n");
    std::ostringstream out, err;
    RunOptions options;
    options.folder = folder.path();
    const int status = runEngine(in, out, err, options);
    return {status, err.str()};
}

TEST(CompanionFile, WrittenAfterTheResultFileWhichItsFailureLeavesWhole) {
    ScratchFolder folder;
    testing::writeRunFiles(folder.path(), testing::runParameterText("0010.0", "12.000", "00.500", "00.000", "00.000",
                                                                    "0002.0", "0000001000.", "01", "01", "01",
                                                                    "Spectra.CSV"));
    const EngineRun good = runIn(folder);
    ASSERT_EQ(good.status, 0) << good.err;
    const std::string result = readFile(folder / "Spectra.CSV");
    const json d = json::parse(readFile(folder / "Spectra.json"));
    EXPECT_EQ(d["binCount"], 20);
    EXPECT_EQ(d["conditions"]["resultFileName"], "Spectra.CSV");

    // A folder in the companion's place: the run reports a write error
    // naming the companion, and the result file it wrote is whole.
    std::filesystem::remove(folder / "Spectra.json");
    std::filesystem::create_directory(folder / "Spectra.json");
    std::filesystem::remove(folder / "Spectra.CSV");
    const EngineRun failed = runIn(folder);
    EXPECT_EQ(failed.status, static_cast<int>(ExitStatus::WriteFailed));
    EXPECT_NE(failed.err.find("write error: Spectra.json: "), std::string::npos) << failed.err;
    EXPECT_EQ(readFile(folder / "Spectra.CSV"), result);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "Spectra.json"));
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        EXPECT_NE(entry.path().filename().string().rfind(".corvane-", 0), 0u) << "left behind: " << entry.path();
    }
}

}  // namespace
}  // namespace corvane
