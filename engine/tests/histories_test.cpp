#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "files/engine_error.h"
#include "files/material_table.h"
#include "transport/material_lookups.h"
#include "transport/fast_physics.h"
#include "transport/short_math.h"
#include "transport/histories.h"
#include "transport/photon_history.h"
#include "transport/reference_physics.h"
#include "scripted_uniforms.h"
#include "transport_test_support.h"

using namespace corvane;

using corvane::testing::conditions;
using corvane::testing::depthSum;
using corvane::testing::expectSameRun;
using corvane::testing::flatSpectrum;
using corvane::testing::lineSpectrum;
using corvane::testing::RunOutcome;
using corvane::testing::runFromStart;
using corvane::testing::ScriptedUniforms;
using corvane::testing::smallTable;

TEST(Histories, HistoryCountsReachingTwoToThe31AreRefused) {
    RunParameters p = conditions(10.0f, 20.0f, 1.0f);
    p.totalPhotons = 2147483648.0f;
    IncidentSpectrum s{};
    s[7] = 1.0f;
    try {
        checkHistoryCounts(p, s);
        FAIL() << "accepted 2^31 histories in one bin";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.status(), ExitStatus::InvalidConditions);
        const std::string message = e.what();
        EXPECT_NE(message.find("bin 7 would run 2147483648 photon histories"), std::string::npos) << message;
        EXPECT_EQ(message.find('*'), std::string::npos) << "a figure did not fit its field: " << message;
        EXPECT_NE(message.find("lower the number of incident photons per cm2 below"), std::string::npos) << message;
    }
    // One step below 2^31 runs, truncated.
    s[7] = std::nextafter(1.0f, 0.0f);
    EXPECT_NO_THROW(checkHistoryCounts(p, s));
    EXPECT_EQ(historyCount(p, s, 7), 2147483520);
    // Bins above binCount never run and are not checked.
    s[7] = 0;
    s[21] = 1.0f;
    EXPECT_NO_THROW(checkHistoryCounts(p, s));
    // Truncated, not rounded: 2.99 runs 2 histories.
    RunParameters small = conditions(10.0f, 1.0f, 1.0f);
    small.totalPhotons = 299.0f;
    IncidentSpectrum fraction{};
    fraction[3] = 0.01f;
    EXPECT_EQ(historyCount(small, fraction, 3), 2);
}

TEST(Histories, LowEnergyHistoryDrawsOnlyItsEntryPoint) {
    const MaterialTable table = smallTable();
    const ReferencePhysics physics(table);
    // Bin 2 (1 keV): the centre of the field, counted at the source, then the
    // energy cut-off ends it before any flight.
    {
        Tallies t;
        ScriptedUniforms random{0.5f, 0.5f};
        EXPECT_EQ(trackPhoton(2, 10.0f, physics, random, t), 0);
        EXPECT_EQ(random.drawn(), 2u);
        EXPECT_EQ(t.incident[2], 1);
    }
    // Bin 3: the corner of the square lies outside the field disc and is
    // drawn again; the accepted point 1 cm off the axis is not counted.
    {
        Tallies t;
        ScriptedUniforms random{0.0f, 0.0f, 0.5f, 0.6f};
        EXPECT_EQ(trackPhoton(3, 10.0f, physics, random, t), 0);
        EXPECT_EQ(random.drawn(), 4u);
        EXPECT_EQ(t.incident[3], 0);
    }
}

TEST(Histories, ZeroFlightDrawIsRepeatedAndAnAxialFlightScoresNowhere) {
    const MaterialTable table = smallTable();
    const ReferencePhysics physics(table);
    // A field of 0 cm puts every photon on the axis. R1 = 0 draws both flight
    // numbers again; R1 = 1e-4 flies 40 cm and leaves through the rear. A
    // flight along the axis has X' = X and is scored in no sphere.
    Tallies t;
    ScriptedUniforms random{0.3f, 0.7f, 0.0f, 0.5f, 1e-4f, 0.5f};
    EXPECT_EQ(trackPhoton(100, 0.0f, physics, random, t), 1);
    EXPECT_EQ(random.drawn(), 6u);
    EXPECT_EQ(t.incident[100], 1);
    EXPECT_EQ(depthSum(t, 1) + depthSum(t, 2), 0);
}

TEST(Histories, ZeroFieldPrintsEveryProgressLineAndDrawsNothing) {
    const MaterialTable table = smallTable();
    const RunParameters p = conditions(2.5f, 0.0f, 1e6f);
    const IncidentSpectrum s = flatSpectrum(p.binCount);
    RandomGenerator random;
    random.initialise();
    Tallies t;
    std::ostringstream progress;
    HistoryStatistics statistics;
    runHistories(p, s, table, random, t, progress, &statistics);
    EXPECT_EQ(progress.str(), " --- 1 / 5\n --- 2 / 5\n --- 3 / 5\n --- 4 / 5\n --- 5 / 5\n");
    EXPECT_EQ(random.shortLag(), 14);
    EXPECT_EQ(random.longLag(), 45);
    EXPECT_EQ(statistics.histories, 0);
    EXPECT_EQ(depthSum(t, 1) + depthSum(t, 2), 0);
}

TEST(Histories, SmallRunOnWaterIsReproducibleAndPhysicallySound) {
    const MaterialTable water = readMaterialTable(std::filesystem::path(SHIPPED_DATA) / "water.dat");
    const RunParameters p = conditions(40.0f, 2.0f, 2000.0f);  // about 6300 histories in 79 bins
    checkMaterialTable(water, "water.dat", 0.5f * static_cast<float>(p.binCount));
    const IncidentSpectrum s = flatSpectrum(p.binCount);

    auto run = [&](Tallies& t, HistoryStatistics& statistics) {
        RandomGenerator random;
        random.initialise();
        std::ostringstream progress;
        runHistories(p, s, water, random, t, progress, &statistics);
    };
    Tallies first, second;
    HistoryStatistics stats1, stats2;
    run(first, stats1);
    run(second, stats2);
    EXPECT_EQ(first.depth, second.depth);
    EXPECT_EQ(first.incident, second.incident);
    EXPECT_EQ(stats1.flights, stats2.flights);

    std::int64_t expectedHistories = 0;
    for (int k = 1; k <= p.binCount; ++k) expectedHistories += historyCount(p, s, k);
    EXPECT_EQ(stats1.histories, expectedHistories);
    EXPECT_GT(stats1.flights, stats1.histories);  // photons of 2 keV and more fly at least once

    // Bin 1 runs nothing; bins 2 and 3 are counted at the source only.
    std::int64_t incident = 0;
    for (int k = 1; k <= kBins; ++k) incident += first.incident[static_cast<std::size_t>(k)];
    EXPECT_EQ(first.incident[1], 0);
    EXPECT_GT(first.incident[2] + first.incident[3], 0);
    for (int j = 1; j <= kSpheres; ++j)
        for (int c = 1; c <= 2; ++c)
            for (int k = 1; k <= 3; ++k)
                EXPECT_EQ(first.depth[static_cast<std::size_t>(j)][static_cast<std::size_t>(c)][static_cast<std::size_t>(k)], 0);
    // A quarter of a 2 cm field lies within 0.5 cm of the axis.
    EXPECT_NEAR(static_cast<double>(incident) / static_cast<double>(stats1.histories), 0.25, 0.02);
    // A primary entering within 0.5 cm of the axis starts inside the depth-0
    // sphere, so that sphere counts nearly every source count (a flight too
    // short to change X or Y in single precision scores nowhere).
    std::int64_t sourceFromBin4 = 0, depth0FromBin4 = 0;
    for (int k = 4; k <= p.binCount; ++k) {
        sourceFromBin4 += first.incident[static_cast<std::size_t>(k)];
        depth0FromBin4 += first.depth[1][1][static_cast<std::size_t>(k)];
    }
    EXPECT_GE(static_cast<double>(depth0FromBin4), 0.99 * static_cast<double>(sourceFromBin4));
    // Scattered photons reach the spheres, and nothing is counted above binCount.
    EXPECT_GT(depthSum(first, 2), 0);
    for (int j = 1; j <= kSpheres; ++j)
        for (int k = p.binCount + 1; k <= kBins; ++k)
            EXPECT_EQ(first.depth[static_cast<std::size_t>(j)][2][static_cast<std::size_t>(k)], 0);
}

TEST(Histories, FastRunReproducesTheReferenceRunExactly) {
    // Equal fractions in every bin: about 14 000 histories per case through
    // both materials, scored by both sphere tests. Above 124 keV the
    // momentum transfer of a backscatter passes 10 per angstrom and is
    // accepted without the S(x) test; a narrow field keeps photons near the
    // spheres. The last case puts 60 000 histories into each of two lines,
    // 40 and 145 keV, so that the first scatters kept per bin are read far
    // more often than they are worked out.
    struct Case {
        const char* material;
        float tubePotential, fieldDiameter, fluence;
        std::vector<std::pair<int, float>> lines;
    };
    for (const Case& c : {Case{"water.dat", 100.0f, 12.0f, 125.0f, {}}, Case{"ICRUSoft.dat", 100.0f, 12.0f, 125.0f, {}},
                          Case{"ICRUSoft.dat", 150.0f, 4.0f, 1100.0f, {}}, Case{"water.dat", 30.0f, 25.0f, 28.0f, {}},
                          Case{"water.dat", 150.0f, 4.0f, 9550.0f, {{80, 0.5f}, {290, 0.5f}}}}) {
        SCOPED_TRACE(std::string(c.material) + " at " + std::to_string(c.tubePotential) + " kV");
        const MaterialTable table = readMaterialTable(std::filesystem::path(SHIPPED_DATA) / c.material);
        const RunParameters p = conditions(c.tubePotential, c.fieldDiameter, c.fluence);
        const IncidentSpectrum s = lineSpectrum(p.binCount, c.lines);
        const RunOutcome reference = runFromStart([&](RandomGenerator& r, Tallies& t, std::ostream& o, HistoryStatistics* h) {
            runHistoriesReference(p, s, table, r, t, o, h);
        });
        EXPECT_GT(reference.statistics.histories, 10000);
        for (Cores cores : {Cores::All, Cores::One}) {
            SCOPED_TRACE(cores == Cores::All ? "on every core" : "on one core");
            expectSameRun(runFromStart([&](RandomGenerator& r, Tallies& t, std::ostream& o, HistoryStatistics* h) {
                              runHistories(p, s, table, r, t, o, h, cores);
                          }),
                          reference);
        }
    }
}
