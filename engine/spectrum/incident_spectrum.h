#pragma once
// The photon spectrum of a run by energy bin k = 1..300 (0.5 k keV); index 0
// is unused. After filtration and normalisation bins 2..binCount sum to 1.

#include <array>

#include "files/attenuation_table.h"

namespace corvane {

using IncidentSpectrum = std::array<float, kBins + 1>;

}  // namespace corvane
