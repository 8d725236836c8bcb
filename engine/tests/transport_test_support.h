#pragma once
// Small helpers of the transport tests: the small material table of the
// fixtures, conditions and spectra of small runs, a run from the start of
// the stream and the comparison of two runs, sums over the tallies.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "files/material_table.h"
#include "files/run_parameters.h"
#include "model/tallies.h"
#include "spectrum/incident_photons.h"
#include "transport/histories.h"
#include "transport/random_generator.h"

namespace corvane::testing {

// The fixture: energies 1, 10, 100, 200 keV, x = 0 to 11 per angstrom.
inline MaterialTable smallTable() {
    return readMaterialTable(std::filesystem::path(ENGINE_FIXTURES) / "transport" / "small_material.dat");
}

inline RunParameters conditions(float tubePotential, float fieldDiameter, float fluence) {
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
inline IncidentSpectrum flatSpectrum(int binCount) {
    IncidentSpectrum s{};
    for (int k = 2; k <= binCount; ++k) s[static_cast<std::size_t>(k)] = 1.0f / static_cast<float>(binCount - 1);
    return s;
}

// A spectrum of lines (bin, fraction), or equal fractions in bins
// 2..binCount when there are none.
inline IncidentSpectrum lineSpectrum(int binCount, const std::vector<std::pair<int, float>>& lines) {
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
inline RunOutcome runFromStart(Run run) {
    RunOutcome outcome;
    outcome.random.initialise();
    std::ostringstream progress;
    run(outcome.random, outcome.tallies, progress, &outcome.statistics);
    outcome.progress = progress.str();
    return outcome;
}

inline void expectSameRun(const RunOutcome& a, const RunOutcome& b) {
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

// The sum of one component over every sphere and bin.
inline std::int64_t depthSum(const Tallies& t, int component) {
    std::int64_t sum = 0;
    for (int j = 1; j <= kSpheres; ++j)
        for (std::int64_t v : t.depth[static_cast<std::size_t>(j)][static_cast<std::size_t>(component)]) sum += v;
    return sum;
}

}  // namespace corvane::testing
