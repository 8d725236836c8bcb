#pragma once
// Air-kerma to soft-tissue absorbed-dose conversion factors of the seven
// spectra of a result file: the incident spectrum (index 0) and the total
// spectrum at the depths 0, 2, 5, 10, 15 and 20 cm (indices 1..6).

#include <array>
#include <optional>

#include "shell/module1.h"

namespace tessaray {

struct ConversionFactors {
    // Σ E·F·Tissue / Σ E·F·Air, the values of the text boxes Text4..Text10.
    std::array<double, kDepths + 1> RatioOfSums{};
    // Σ (E·F·Tissue / Air) / Σ E·F, the values kept in ConversionFactor.
    std::array<double, kDepths + 1> MeanOfRatios{};
};

// Computes both forms from ResultIncident, the totals of DepthSpectra and the
// air and tissue coefficients, summing over the bins 1..300 with the bin
// energy E = 0.5·i keV. Returns nothing when a division by zero would occur:
// a spectrum without weight (Σ E·F·Air = 0 or Σ E·F = 0) or an air
// coefficient of zero in any bin. The state is not changed.
std::optional<ConversionFactors> computeConversionFactors(const Module1& state);

}  // namespace tessaray
