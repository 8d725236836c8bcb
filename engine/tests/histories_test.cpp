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
#include "transport/fast_physics.h"
#include "transport/histories.h"
#include "transport/photon_history.h"
#include "transport/reference_physics.h"
#include "scripted_uniforms.h"

using namespace corvane;

namespace {

using corvane::testing::ScriptedUniforms;

MaterialTable smallTable() {
    return readMaterialTable(std::filesystem::path(ENGINE_FIXTURES) / "transport" / "small_material.dat");
}

RunParameters conditions(float tubePotential, float fieldDiameter, float fluence) {
    RunParameters p;
    p.tubePotential = tubePotential;
    p.fieldDiameter = fieldDiameter;
    p.incidentFluence = fluence;
    p.binCount = static_cast<std::int32_t>(2 * static_cast<double>(tubePotential));
    const double half = static_cast<double>(fieldDiameter) * 0.5f;
    p.totalPhotons = static_cast<float>(half * half * kPi * fluence);
    return p;
}

// Equal fractions in bins 2..binCount.
IncidentSpectrum flatSpectrum(int binCount) {
    IncidentSpectrum s{};
    for (int k = 2; k <= binCount; ++k) s[static_cast<std::size_t>(k)] = 1.0f / static_cast<float>(binCount - 1);
    return s;
}

// A spectrum of lines (bin, fraction), or equal fractions in bins
// 2..binCount when there are none.
IncidentSpectrum lineSpectrum(int binCount, const std::vector<std::pair<int, float>>& lines) {
    if (lines.empty()) return flatSpectrum(binCount);
    IncidentSpectrum s{};
    for (const auto& [bin, fraction] : lines) s[static_cast<std::size_t>(bin)] = fraction;
    return s;
}

// What a run from the initialised stream leaves: counts, statistics,
// progress text and the stream.
struct RunOutcome {
    Tallies tallies;
    HistoryStatistics statistics;
    RandomGenerator random;
    std::string progress;
};

template <class Run>
RunOutcome runFromStart(Run run) {
    RunOutcome outcome;
    outcome.random.initialise();
    std::ostringstream progress;
    run(outcome.random, outcome.tallies, progress, &outcome.statistics);
    outcome.progress = progress.str();
    return outcome;
}

void expectSameRun(const RunOutcome& a, const RunOutcome& b) {
    EXPECT_EQ(a.statistics.histories, b.statistics.histories);
    EXPECT_EQ(a.statistics.flights, b.statistics.flights);
    EXPECT_EQ(a.tallies.incident, b.tallies.incident);
    for (int j = 1; j <= kSpheres; ++j)
        for (int c = 1; c <= 2; ++c)
            for (int k = 1; k <= kBins; ++k)
                ASSERT_EQ(a.tallies.depth[static_cast<std::size_t>(j)][static_cast<std::size_t>(c)][static_cast<std::size_t>(k)],
                          b.tallies.depth[static_cast<std::size_t>(j)][static_cast<std::size_t>(c)][static_cast<std::size_t>(k)])
                    << "sphere " << j << " component " << c << " bin " << k;
    // The counts and track lengths of every batch, too.
    EXPECT_TRUE(a.tallies.batchIncident == b.tallies.batchIncident);
    EXPECT_TRUE(a.tallies.batchCounts == b.tallies.batchCounts);
    EXPECT_TRUE(a.tallies.trackLength == b.tallies.trackLength);
    // The same numbers were drawn.
    EXPECT_EQ(a.random.position(), b.random.position());
    EXPECT_EQ(a.random.lastInteger(), b.random.lastInteger());
    EXPECT_EQ(a.progress, b.progress);
}

std::int64_t depthSum(const Tallies& t, int component) {
    std::int64_t sum = 0;
    for (int j = 1; j <= kSpheres; ++j)
        for (std::int64_t v : t.depth[static_cast<std::size_t>(j)][static_cast<std::size_t>(component)]) sum += v;
    return sum;
}

}  // namespace

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

TEST(Histories, FastLookupsReturnTheReferenceBits) {
    for (const char* name : {"water.dat", "ICRUSoft.dat"}) {
        SCOPED_TRACE(name);
        const MaterialTable table = readMaterialTable(std::filesystem::path(SHIPPED_DATA) / name);
        FastPhysics fast(table);
        // Every bin energy, every tabulated energy, and energies between.
        std::vector<float> energies;
        for (int k = 1; k <= kBins; ++k) energies.push_back(static_cast<float>(k * 0.5));
        for (int i = 1; i <= table.n; ++i) energies.push_back(table.energy[static_cast<std::size_t>(i)]);
        for (float e = 0.7f; e < 150.0f; e *= 1.0037f) energies.push_back(e);
        // Scattered photons arrive at any float energy.
        RandomGenerator random;
        random.initialise();
        for (int n = 0; n < 100000; ++n) {
            const float u = random.uniform(), v = random.uniform();
            energies.push_back(static_cast<float>(2.0 + (u + v / 16384.0) * 148.0));
        }
        for (float e : energies) {
            for (int repeat = 0; repeat < 2; ++repeat) {  // computed, then from the cache
                const InteractionCoefficients a = fast.coefficientsAt(e), b = table.coefficientsAt(e);
                ASSERT_EQ(a.coherent, b.coherent) << e;
                ASSERT_EQ(a.incoherent, b.incoherent) << e;
                ASSERT_EQ(a.photoelectric, b.photoelectric) << e;
            }
        }
        std::vector<float> arguments;
        for (int i = 1; i <= kMomentumRows; ++i) {
            for (float key : {table.x[static_cast<std::size_t>(i)], table.cumulative[static_cast<std::size_t>(i)]}) {
                arguments.push_back(key);  // and the floats on either side of it
                arguments.push_back(std::nextafter(key, -1.0f));
                arguments.push_back(std::nextafter(key, 20.0f));
            }
        }
        for (float v = 0.0f; v < 10.0f; v += 0.00731f) arguments.push_back(v);
        for (float v : arguments) {
            if (v >= 0.0f && v < 10.0f) {
                ASSERT_EQ(fast.incoherentFunctionAt(v), table.incoherentFunctionAt(v)) << v;
            }
            if (v >= 0.0f && v < table.cmax) {
                ASSERT_EQ(fast.coherentMomentumTransfer(v), table.coherentMomentumTransfer(v)) << v;
            }
        }
    }
}

TEST(Histories, ShortExponentialAndLogarithmRoundAsTheLibrary) {
    // Whenever the short forms decide, they give the float the library's
    // result rounds to; they decide almost always, and refuse what they do
    // not cover.
    RandomGenerator random;
    random.initialise();
    int decided = 0, tried = 0;
    for (int n = 0; n < 300000; ++n) {
        const double u = random.uniform() + random.uniform() / 16384.0;
        const double y = n % 3 == 0 ? (u - 0.5) * 0.02 : (u - 0.5) * 40.0;  // near 0, and wide
        float v;
        ++tried;
        if (expRoundedToFloat(y, v)) {
            ++decided;
            ASSERT_EQ(v, static_cast<float>(std::exp(y))) << y;
        }
        const float x = static_cast<float>(n % 3 == 0 ? 0.5 + u : std::exp2(u * 60.0 - 20.0));
        ++tried;
        if (logRoundedToFloat(x, v)) {
            ++decided;
            ASSERT_EQ(v, static_cast<float>(std::log(static_cast<double>(x)))) << x;
        }
    }
    // Arguments whose exponential lies next to the midpoint between two
    // floats: the library's result may round either way, so the short form
    // must refuse or agree.
    int hard = 0;
    for (float f = 1e-3f; f < 1e3f; f *= 1.013f) {
        const double midpoint = (static_cast<double>(f) + std::nextafter(f, 2 * f)) / 2;
        for (double y : {std::log(midpoint), std::nextafter(std::log(midpoint), 0.0), std::nextafter(std::log(midpoint), 100.0)}) {
            float v;
            if (expRoundedToFloat(y, v)) {
                ASSERT_EQ(v, static_cast<float>(std::exp(y))) << y;
            } else {
                ++hard;
            }
        }
    }
    EXPECT_GT(hard, 1000);
    // Exact powers of two and the floats around 1, where ln is tiny.
    for (int m = -30; m <= 30; ++m) {
        for (float x : {std::ldexp(1.0f, m), std::nextafter(std::ldexp(1.0f, m), 0.0f)}) {
            float v;
            if (logRoundedToFloat(x, v)) {
                ASSERT_EQ(v, static_cast<float>(std::log(static_cast<double>(x)))) << x;
            }
        }
    }
    EXPECT_GT(decided, tried - tried / 1000);
    float v;
    EXPECT_FALSE(expRoundedToFloat(200.0, v));
    EXPECT_FALSE(expRoundedToFloat(std::nan(""), v));
    EXPECT_FALSE(logRoundedToFloat(0.0f, v));
    EXPECT_FALSE(logRoundedToFloat(-2.0f, v));
    EXPECT_FALSE(logRoundedToFloat(std::numeric_limits<float>::infinity(), v));
}

TEST(Histories, ShortArcTangentStaysWithinItsBound) {
    // Cosines over the whole range and crowded near 1, -1, 0 and the 45
    // degree switch of the bucket key: the short arc tangent lies within
    // 3e-16 of the angle of (c, s) and within 6e-16 of the library's
    // atan(s / c), so that a 1e-15 margin decides theta's rounding.
    std::vector<float> cosines;
    RandomGenerator random;
    random.initialise();
    for (int n = 0; n < 400000; ++n) {
        const float u = random.uniform(), v = random.uniform();
        cosines.push_back(static_cast<float>((u + v / 16384.0) * 2.0 - 1.0));
    }
    for (float edge : {1.0f, -1.0f, 0.0f, 0.70710678f, -0.70710678f}) {
        float below = edge, above = edge;
        for (int n = 0; n < 2000; ++n) {
            below = std::nextafter(below, -2.0f);
            above = std::nextafter(above, 2.0f);
            if (below >= -1.0f) cosines.push_back(below);
            if (above <= 1.0f) cosines.push_back(above);
        }
    }
    double worstToAngle = 0, worstToLibrary = 0;
    for (float cosine : cosines) {
        if (cosine == 0.0f) continue;
        const double c = cosine;
        const double s = std::sqrt(1 - c * c);
        const double shortArc = arcTangentOfSineOverCosine(s, c);
        const long double exact = std::atan2(static_cast<long double>(s), static_cast<long double>(std::abs(c)));
        const double angle = static_cast<double>(c > 0 ? exact : -exact);
        worstToAngle = std::max(worstToAngle, std::abs(shortArc - angle));
        worstToLibrary = std::max(worstToLibrary, std::abs(shortArc - std::atan(s / c)));
    }
    EXPECT_LE(worstToAngle, 3e-16);
    EXPECT_LE(worstToLibrary, 6e-16);
    EXPECT_GT(worstToLibrary, 0.0);  // the two are computed apart
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

TEST(Histories, RunOnSeveralCoresReproducesTheRunOnOne) {
    // Pieces short enough for many joins, guesses pushed off either way
    // (and once so far ahead that no guessed piece meets the true
    // sequence), on two to four cores; a flat spectrum and three lines.
    struct Case {
        const char* material;
        float tubePotential, fieldDiameter, fluence;
        std::vector<std::pair<int, float>> lines;
    };
    const std::vector<ParallelSettings> settings{
        {2, 1000, 0}, {3, 700, 3000}, {2, 500, -3000}, {4, 10000, 0}, {2, 300, 200000}, {2, 1 << 15, 0}};
    for (const Case& c : {Case{"water.dat", 100.0f, 12.0f, 125.0f, {}}, Case{"ICRUSoft.dat", 30.0f, 25.0f, 28.0f, {}},
                          Case{"water.dat", 150.0f, 4.0f, 3000.0f, {{80, 0.5f}, {81, 0.25f}, {82, 0.25f}}}}) {
        SCOPED_TRACE(std::string(c.material) + " at " + std::to_string(c.tubePotential) + " kV");
        const MaterialTable table = readMaterialTable(std::filesystem::path(SHIPPED_DATA) / c.material);
        const RunParameters p = conditions(c.tubePotential, c.fieldDiameter, c.fluence);
        const IncidentSpectrum s = lineSpectrum(p.binCount, c.lines);
        const RunOutcome one = runFromStart([&](RandomGenerator& r, Tallies& t, std::ostream& o, HistoryStatistics* h) {
            runHistories(p, s, table, r, t, o, h, Cores::One);
        });
        EXPECT_GT(one.statistics.histories, 10000);
        for (const ParallelSettings& setting : settings) {
            SCOPED_TRACE(std::to_string(setting.cores) + " cores, pieces of " +
                         std::to_string(setting.pieceHistories) + ", guesses off by " +
                         std::to_string(setting.guessOffset));
            expectSameRun(runFromStart([&](RandomGenerator& r, Tallies& t, std::ostream& o, HistoryStatistics* h) {
                              runHistoriesInParallel(p, s, table, r, t, o, h, setting);
                          }),
                          one);
        }
    }
}

TEST(Histories, FastScattersReturnTheReferenceBits) {
    // Both samplers at energies from the cut-off to 150 keV, bin energies and
    // others, each on its own copy of one random stream.
    for (const char* name : {"water.dat", "ICRUSoft.dat"}) {
        SCOPED_TRACE(name);
        const MaterialTable table = readMaterialTable(std::filesystem::path(SHIPPED_DATA) / name);
        FastPhysics fast(table);
        const ReferencePhysics reference(table);
        RandomGenerator fastRandom, referenceRandom;
        fastRandom.initialise();
        referenceRandom.initialise();
        for (float e : {2.0f, 2.37f, 5.5f, 17.0f, 33.3f, 60.0f, 99.9f, 124.0f, 124.5f, 140.7f, 150.0f}) {
            for (int n = 0; n < 20000; ++n) {
                const bool incoherent = n % 4 != 0;
                const Scatter a = incoherent ? fast.sampleIncoherent(e, fastRandom) : fast.sampleCoherent(e, fastRandom);
                const Scatter b = incoherent ? reference.sampleIncoherent(e, referenceRandom)
                                             : reference.sampleCoherent(e, referenceRandom);
                ASSERT_EQ(a.energy, b.energy) << e << " keV, sample " << n;
                ASSERT_EQ(a.cosTheta, b.cosTheta) << e << " keV, sample " << n;
                ASSERT_EQ(a.sinTheta, b.sinTheta) << e << " keV, sample " << n;
                ASSERT_EQ(fastRandom.lastInteger(), referenceRandom.lastInteger()) << e << " keV, sample " << n;
                ASSERT_EQ(fastRandom.longLag(), referenceRandom.longLag()) << e << " keV, sample " << n;
            }
        }
    }
}

TEST(Histories, FastEscapeTestDecidesAsTheSquareRoot) {
    // End points at and just inside or outside the phantom radius, in every
    // direction, and at the two surfaces.
    std::vector<std::array<float, 3>> points{{0, 0, 0}, {0, 0, 30.0f}, {0, 0, std::nextafter(30.0f, 0.0f)},
                                             {0, 0, std::nextafter(0.0f, 1.0f)}, {0, 0, -1e-30f}};
    for (float angle = 0; angle < 6.3f; angle += 0.01f) {
        const float x = static_cast<float>(30.0 * std::cos(angle)), y = static_cast<float>(30.0 * std::sin(angle));
        for (float dx : {x, std::nextafter(x, 0.0f), std::nextafter(x, 2 * x)})
            for (float dy : {y, std::nextafter(y, 0.0f), std::nextafter(y, 2 * y)}) points.push_back({dx, dy, 5.0f});
    }
    points.push_back({30.0f, 0, 5.0f});
    points.push_back({std::nextafter(30.0f, 0.0f), 0, 5.0f});
    points.push_back({0, -30.0f, 5.0f});
    int inside = 0;
    for (const auto& q : points) {
        ASSERT_EQ(FastPhysics::escapes(q[0], q[1], q[2]), ReferencePhysics::escapes(q[0], q[1], q[2]))
            << q[0] << ", " << q[1] << ", " << q[2];
        inside += !ReferencePhysics::escapes(q[0], q[1], q[2]);
    }
    EXPECT_GT(inside, 100);  // both sides of the radius were tried
}

TEST(Histories, FastSphereTestMatchesTheReferenceOnRandomFlights) {
    // Flights of every kind near the spheres: the fast test, which computes
    // the line once per flight, scores exactly where the reference does.
    const MaterialTable table = smallTable();
    const FastPhysics fast(table);
    RandomGenerator random;
    random.initialise();
    Tallies a, b;
    for (int n = 0; n < 200000; ++n) {
        float v[6];
        for (float& c : v) c = random.uniform();
        // Mostly within 1 cm of the axis, every fourth flight within 4 cm,
        // which the fast test can often dismiss by its ends alone.
        const float width = n % 4 == 3 ? 8.0f : 2.0f;
        const float x0 = (v[0] - 0.5f) * width, y0 = (v[1] - 0.5f) * width, z0 = v[2] * 22.0f - 1.0f;
        const float x1 = (v[3] - 0.5f) * width, y1 = (v[4] - 0.5f) * width, z1 = z0 + (v[5] - 0.5f) * 3.0f;
        const float e = 2.0f + v[5] * 140.0f;
        scoreFlight(a, x0, y0, z0, x1, y1, z1, 0.5f, e, 1 + (n & 1));
        fast.score(b, x0, y0, z0, x1, y1, z1, 0.5f, e, 1 + (n & 1));
    }
    // Ends on the rim of the spheres' cross-section, x^2 + y^2 about 0.25,
    // just above and below each centre, on flights that cross no plane.
    for (int j = 0; j < kSpheres; ++j) {
        const float d = kSphereDepths[static_cast<std::size_t>(j)];
        for (float dz : {-0.01f, 0.0f, 0.01f}) {
            for (float rim : {0.3f, std::nextafter(0.3f, 0.0f), std::nextafter(0.3f, 1.0f)}) {
                scoreFlight(a, rim, 0.4f, d + dz, rim + 1.0f, 0.9f, d + dz + 0.5f, 0.5f, 50.0f, 1);
                fast.score(b, rim, 0.4f, d + dz, rim + 1.0f, 0.9f, d + dz + 0.5f, 0.5f, 50.0f, 1);
                scoreFlight(a, rim + 1.0f, 0.9f, d + dz - 0.5f, rim, 0.4f, d + dz, 0.5f, 50.0f, 2);
                fast.score(b, rim + 1.0f, 0.9f, d + dz - 0.5f, rim, 0.4f, d + dz, 0.5f, 50.0f, 2);
            }
        }
    }
    // Lines that graze a sphere (at distance 0.5 from its centre, give or
    // take 1e-5 cm), and flights whose x changes by a few units in the last
    // place, whose steep lines make the discriminant a difference of huge
    // terms.
    for (int n = 0; n < 60000; ++n) {
        float v[4];
        for (float& c : v) c = random.uniform();
        const float d = kSphereDepths[static_cast<std::size_t>(n % kSpheres)];
        if (n % 2 == 0) {
            const float offset = 0.5f + (v[0] - 0.5f) * 2e-5f;
            const float x0 = -1.0f - v[1], x1 = 1.0f + v[2];
            const float y0 = offset * (n % 4 == 0 ? 1.0f : 0.6f), z0 = d + offset * (n % 4 == 0 ? 0.0f : 0.8f);
            const float y1 = std::nextafter(y0, 1.0f), z1 = n % 8 < 4 ? z0 : std::nextafter(z0, 30.0f);
            scoreFlight(a, x0, y0, z0, x1, y1, z1, 0.5f, 60.0f, 1);
            fast.score(b, x0, y0, z0, x1, y1, z1, 0.5f, 60.0f, 1);
        } else {
            const float x0 = (v[0] - 0.5f) * 2.0f, y0 = (v[1] - 0.5f) * 2.0f, z0 = d + (v[2] - 0.5f) * 4.0f;
            float x1 = x0;
            for (int step = 0; step <= n % 5; ++step) x1 = std::nextafter(x1, 5.0f);
            const float y1 = y0 + (v[3] - 0.5f) * 1.5f, z1 = z0 + (v[3] - 0.3f) * 2.0f;
            scoreFlight(a, x0, y0, z0, x1, y1, z1, 0.5f, 60.0f, 2);
            fast.score(b, x0, y0, z0, x1, y1, z1, 0.5f, 60.0f, 2);
        }
    }
    EXPECT_EQ(a.depth, b.depth);
    std::int64_t scored = depthSum(a, 1) + depthSum(a, 2);
    EXPECT_GT(scored, 20000);
}
