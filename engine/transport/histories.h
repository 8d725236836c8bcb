#pragma once
// The Monte Carlo run: photon histories bin by bin through the phantom.

#include <ostream>

#include "files/material_table.h"
#include "files/run_parameters.h"
#include "spectrum/incident_spectrum.h"
#include "transport/random_generator.h"
#include "transport/tallies.h"

namespace corvane {

// Refuses, before the first history, a run in which some bin's history count
// IncidentSpectrum[k] x totalPhotons would reach 2^31. Throws EngineError
// (InvalidConditions) with advice on lowering the photon number.
void checkHistoryCounts(const RunParameters& parameters, const IncidentSpectrum& spectrum);

// Runs every history of bins 1..binCount, writing one progress line per bin
// (" --- k / binCount") to `progress` and flushing it; fills components 1 and 2
// of the depth tallies and the incident count.
void runHistories(const RunParameters& parameters, const IncidentSpectrum& spectrum,
                  const MaterialTable& material, RandomGenerator& random, Tallies& tallies,
                  std::ostream& progress);

}  // namespace corvane
