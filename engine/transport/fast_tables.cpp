#include "transport/fast_tables.h"

#include <cmath>

#include "transport/short_math.h"

namespace corvane {

FastTables::FastTables(const MaterialTable& material)
    : table(material), random(randomValueTables()), smax(material.smax), cmax(material.cmax) {
    for (int row = 1; row <= material.n && row <= kMaxEnergyRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        lnEnergy[i] = static_cast<float>(std::log(static_cast<double>(material.energy[i])));
        lnCoherent[i] = static_cast<float>(std::log(static_cast<double>(material.muCoherent[i])));
        lnIncoherent[i] = static_cast<float>(std::log(static_cast<double>(material.muIncoherent[i])));
        lnPhotoelectric[i] = static_cast<float>(std::log(static_cast<double>(material.muPhotoelectric[i])));
        if (row >= 2) {
            lnEnergyStep[i] = static_cast<double>(lnEnergy[i]) - lnEnergy[i - 1];
            lnCoherentStep[i] = static_cast<double>(lnCoherent[i]) - lnCoherent[i - 1];
            lnIncoherentStep[i] = static_cast<double>(lnIncoherent[i]) - lnIncoherent[i - 1];
            lnPhotoelectricStep[i] = static_cast<double>(lnPhotoelectric[i]) - lnPhotoelectric[i - 1];
        }
    }
    {
        const float highest = material.n >= 1 && material.n <= kMaxEnergyRows ? material.energy[static_cast<std::size_t>(material.n)] : 0.0f;
        energyRows.build(material.energy, material.n, highest > 0 ? highest : 1.0f);
    }
    for (int k = 1; k <= kBins; ++k) {
        binCoefficients[static_cast<std::size_t>(k)] = coefficientsOf(static_cast<float>(k * 0.5));
    }
    for (int row = 2; row <= kMomentumRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        incoherentSlope[i] = (static_cast<double>(material.incoherentFunction[i]) - material.incoherentFunction[i - 1]) /
                              (static_cast<double>(material.x[i]) - material.x[i - 1]);
    }
    incoherentRows.build(material.x, kMomentumRows, kMomentumTransferLimit);
    for (std::size_t a = 0; a < coherentX.size(); ++a) {
        const float c = static_cast<float>(static_cast<double>(random.uniform[a]) * cmax);
        coherentX[a] = coherentMomentumTransfer(c);
    }
}

InteractionCoefficients FastTables::interpolateCoefficients(float e) const {
    float lnE;
    if (!logRoundedToFloat(e, lnE)) lnE = static_cast<float>(std::log(static_cast<double>(e)));
    // The first row i >= 2 with E[i] > e, bounded by the last row.
    const auto i = static_cast<std::size_t>(energyRows.row(table.energy, table.n, e));
    const double lnELow = lnEnergy[i - 1];
    const float f = static_cast<float>((static_cast<double>(lnE) - lnELow) / lnEnergyStep[i]);
    const auto exponential = [](double y) {
        float v;
        if (!expRoundedToFloat(y, v)) v = static_cast<float>(std::exp(y));
        return v;
    };
    InteractionCoefficients mu;
    mu.coherent = exponential(lnCoherentStep[i] * f + lnCoherent[i - 1]);
    mu.incoherent = exponential(lnIncoherentStep[i] * f + lnIncoherent[i - 1]);
    mu.photoelectric = exponential(lnPhotoelectricStep[i] * f + lnPhotoelectric[i - 1]);
    return mu;
}

}  // namespace corvane
