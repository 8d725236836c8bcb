#pragma once
// The Monte Carlo run: photon histories bin by bin through the phantom.

#include <cstdint>
#include <ostream>

#include "files/material_table.h"
#include "model/phantom.h"
#include "files/run_parameters.h"
#include "spectrum/incident_photons.h"
#include "transport/random_generator.h"
#include "transport/tallies.h"

namespace corvane {

// What a run did, for the benchmark and for tests.
struct HistoryStatistics {
    std::int64_t histories = 0;
    std::int64_t flights = 0;
    // Histories run at the joins of several cores' pieces on top of the
    // run's own: the work one core would not have done.
    std::int64_t rerunHistories = 0;
};

// Refuses, before the first history, a run in which some bin's history count
// IncidentSpectrum[k] x totalPhotons would reach 2^31. Throws EngineError
// (InvalidConditions) with advice on lowering the photon number.
void checkHistoryCounts(const RunParameters& parameters, const IncidentSpectrum& spectrum);

// The number of histories of bin k: the whole part of
// IncidentSpectrum[k] x totalPhotons.
std::int32_t historyCount(const RunParameters& parameters, const IncidentSpectrum& spectrum, int k);

// The progress line of bin k, " --- k / binCount", flushed to the console.
void writeProgressLine(std::ostream& progress, int k, const RunParameters& parameters);

// The processor cores a run takes: all the machine has, or one. The
// tallies are the same to the bit.
enum class Cores { All, One };

// Runs every history of bins 1..binCount, writing one progress line per bin
// (" --- k / binCount") to `progress` and flushing it as the bin's histories
// begin (on several cores, as the round that begins them starts); fills
// components 1 and 2 of the depth tallies and the incident count.
void runHistories(const RunParameters& parameters, const IncidentSpectrum& spectrum,
                  const MaterialTable& material, RandomGenerator& random, Tallies& tallies,
                  std::ostream& progress, HistoryStatistics* statistics = nullptr, Cores cores = Cores::All);

// How the run is shared among processor cores, for tests and the benchmark:
// the number of cores, the most histories a core takes in one round, and a
// shift of every guessed stream position (in draws) to try guesses off
// either way. The tallies do not depend on any of them.
struct ParallelSettings {
    int cores = 2;
    std::int32_t pieceHistories = 1 << 15;
    std::int64_t guessOffset = 0;
};

// runHistories on settings.cores cores.
void runHistoriesInParallel(const RunParameters& parameters, const IncidentSpectrum& spectrum,
                            const MaterialTable& material, RandomGenerator& random, Tallies& tallies,
                            std::ostream& progress, HistoryStatistics* statistics, const ParallelSettings& settings);

// The cores Cores::All takes: the processors this process may run on (its
// affinity and its control group's CPU quota), at most 16.
int availableCores();

// The same run computed by the plain reading of the transport rules: every
// lookup searches its table and recomputes its logarithms, every angle is
// computed from its draw. Slow; kept as the reference the fast run must
// reproduce bit for bit.
void runHistoriesReference(const RunParameters& parameters, const IncidentSpectrum& spectrum,
                           const MaterialTable& material, RandomGenerator& random, Tallies& tallies,
                           std::ostream& progress, HistoryStatistics* statistics = nullptr);

}  // namespace corvane
