#pragma once
// The photon spectrum of a run by energy bin k = 1..300 (0.5 k keV); index 0
// is unused. After filtration and normalisation bins 2..binCount sum to 1.

#include <array>

#include "files/attenuation_table.h"
#include "files/run_parameters.h"

namespace corvane {

using IncidentSpectrum = std::array<float, kBins + 1>;

// The Thomson-Whiddington constant C(V) of tungsten (keV^2 cm^2/g) for an
// electron of V keV: an electron that entered with V keeps T at the depth
// (V^2 - T^2) / (19.3 C(V)) cm.
float thomsonWhiddingtonConstant(float v);

// The tungsten K-line output as a percentage of the bremsstrahlung of the same
// voltage sample: 0 up to 70 kV, 7 above 200 kV.
float kLinePercent(float v);

// The spectrum leaving the tungsten target, averaged over the voltage samples
// of the rectification type, by the Birch or the Tucker bremsstrahlung
// formula: bins 2..binCount filled, unfiltered and not normalised; bin 1 and
// the bins above binCount are 0. The parameters must lie inside the data
// model (0 < targetAngle < 90, 0 <= tubePotential <= 150).
IncidentSpectrum computeBirchSpectrum(const RunParameters& parameters, const AttenuationTable& table);
IncidentSpectrum computeTuckerSpectrum(const RunParameters& parameters, const AttenuationTable& table);

// Attenuates the spectrum by the inherent filtration and the aluminium and
// copper filters, turns energy per bin into photons per bin and normalises
// bins 2..binCount to a sum of 1. A spectrum that filters to nothing (sum 0,
// for example 20 kV behind 3 mm of copper) cannot feed any history: with
// binCount >= 2 that throws EngineError (InvalidConditions).
void filterAndNormalise(IncidentSpectrum& spectrum, const RunParameters& parameters, const AttenuationTable& table);

}  // namespace corvane
