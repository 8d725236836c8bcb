#include "viewer/conversion_factors.h"

#include <cmath>

namespace tessaray {

namespace {

double spectrumValue(const Module1& state, int s, int i) {
    return s == 0 ? state.ResultIncident[i] : state.DepthSpectra[s][3][i];
}

}  // namespace

std::optional<ConversionFactors> computeConversionFactors(const Module1& state) {
    // The per-bin ratio divides by every air coefficient, weighted or not.
    for (int i = 1; i <= kBins; ++i) {
        if (state.AirCoefficient[i] == 0.0) return std::nullopt;
    }

    ConversionFactors factors;
    for (int s = 0; s <= kDepths; ++s) {
        double tissueSum = 0.0;
        double airSum = 0.0;
        for (int i = 1; i <= kBins; ++i) {
            const double fluence = 0.5 * i * spectrumValue(state, s, i);
            tissueSum += fluence * state.TissueCoefficient[i];
            airSum += fluence * state.AirCoefficient[i];
        }
        if (airSum == 0.0) return std::nullopt;
        factors.RatioOfSums[s] = tissueSum / airSum;
        if (!std::isfinite(factors.RatioOfSums[s])) return std::nullopt;
    }
    for (int s = 0; s <= kDepths; ++s) {
        double weight = 0.0;
        double ratioSum = 0.0;
        for (int i = 1; i <= kBins; ++i) {
            const double fluence = 0.5 * i * spectrumValue(state, s, i);
            weight += fluence;
            ratioSum += fluence * state.TissueCoefficient[i] / state.AirCoefficient[i];
        }
        if (weight == 0.0) return std::nullopt;
        factors.MeanOfRatios[s] = ratioSum / weight;
        if (!std::isfinite(factors.MeanOfRatios[s])) return std::nullopt;
    }
    return factors;
}

}  // namespace tessaray
