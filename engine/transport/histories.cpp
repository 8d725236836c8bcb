#include "transport/histories.h"

#include <string>

#include "files/engine_error.h"
#include "model/arithmetic.h"
#include "transport/fast_physics.h"
#include "transport/photon_history.h"
#include "transport/reference_physics.h"

namespace corvane {

// Both readings of the rules offer what a history and the samplers ask.
static_assert(HistoryPhysics<FastPhysics, RandomGenerator>);
static_assert(HistoryPhysics<const ReferencePhysics, RandomGenerator>);
static_assert(MaterialLookups<FastPhysics> && MaterialLookups<ReferencePhysics>);

namespace {

template <class Physics>
void runBins(const RunParameters& parameters, const IncidentSpectrum& spectrum, Physics& physics,
             RandomGenerator& random, Tallies& tallies, std::ostream& progress, HistoryStatistics* statistics) {
    HistoryStatistics counted;
    const int bins = binsInTables(parameters.binCount);
    for (int k = 1; k <= bins; ++k) {
        writeProgressLine(progress, k, parameters);
        const std::int32_t n = historyCount(parameters, spectrum, k);
        if (n <= 0) continue;
        std::int64_t flights = 0;
        for (std::int32_t h = 0; h < n; ++h) {
            flights += trackPhoton(k, parameters.fieldDiameter, physics, random, tallies, batchOf(h, n));
        }
        counted.histories += n;
        counted.flights += flights;
    }
    if (statistics) *statistics = counted;
}

}  // namespace

void writeProgressLine(std::ostream& progress, int k, const RunParameters& parameters) {
    progress << " --- " << k << " / " << parameters.binCount << '\n' << std::flush;
}

std::int32_t historyCount(const RunParameters& parameters, const IncidentSpectrum& spectrum, int k) {
    if (k < 1 || k > kBins) return 0;
    const double n = asDouble(spectrum[static_cast<std::size_t>(k)]) * parameters.totalPhotons;
    // checkHistoryCounts has refused counts of 2^31 and more.
    if (!(n < 2147483648.0)) return 0;
    return static_cast<std::int32_t>(n);
}

void checkHistoryCounts(const RunParameters& parameters, const IncidentSpectrum& spectrum) {
    const int bins = binsInTables(parameters.binCount);
    for (int k = 1; k <= bins; ++k) {
        const double fraction = asDouble(spectrum[static_cast<std::size_t>(k)]);
        const double n = fraction * parameters.totalPhotons;
        if (n >= 2147483648.0) {
            // The largest fluence that keeps every bin's history count below
            // 2^31 is limited by the most populated bin.
            double largest = 0;
            for (int b = 1; b <= bins; ++b) {
                if (spectrum[static_cast<std::size_t>(b)] > largest) largest = spectrum[static_cast<std::size_t>(b)];
            }
            const double area = asDouble(parameters.fieldDiameter) * 0.5f *
                                (asDouble(parameters.fieldDiameter) * 0.5f) * kPi;
            std::string advice = "lower the number of incident photons per cm2";
            if (area > 0 && largest > 0) {
                advice += " below " + std::to_string(static_cast<long long>(2147483647.0 / (largest * area))) + " /cm2";
            }
            advice += " or the field diameter";
            throw EngineError(ExitStatus::InvalidConditions,
                              "invalid conditions: energy bin " + std::to_string(k) + " would run " +
                                  std::to_string(static_cast<long long>(n)) + " photon histories, more than the 2147483647 a run can count; " +
                                  advice);
        }
    }
}

void runHistories(const RunParameters& parameters, const IncidentSpectrum& spectrum, const MaterialTable& material,
                  RandomGenerator& random, Tallies& tallies, std::ostream& progress, HistoryStatistics* statistics,
                  Cores cores) {
    if (cores == Cores::All && availableCores() >= 2) {
        ParallelSettings settings;
        settings.cores = availableCores();
        runHistoriesInParallel(parameters, spectrum, material, random, tallies, progress, statistics, settings);
        return;
    }
    FastPhysics physics(material);
    runBins(parameters, spectrum, physics, random, tallies, progress, statistics);
}

void runHistoriesReference(const RunParameters& parameters, const IncidentSpectrum& spectrum,
                           const MaterialTable& material, RandomGenerator& random, Tallies& tallies,
                           std::ostream& progress, HistoryStatistics* statistics) {
    const ReferencePhysics physics(material);
    runBins(parameters, spectrum, physics, random, tallies, progress, statistics);
}

}  // namespace corvane
