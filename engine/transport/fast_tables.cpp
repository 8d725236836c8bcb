#include "transport/fast_tables.h"

#include <cmath>

#include "model/arithmetic.h"
#include "transport/short_math.h"

namespace corvane {

FastTables::FastTables(const MaterialTable& material)
    : table(material), random(randomValueTables()), smax(material.smax), cmax(material.cmax) {
    for (int row = 1; row <= material.n && row <= kMaxEnergyRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        lnEnergy[i] = storeFloat(std::log(asDouble(material.energy[i])));
        lnCoherent[i] = storeFloat(std::log(asDouble(material.muCoherent[i])));
        lnIncoherent[i] = storeFloat(std::log(asDouble(material.muIncoherent[i])));
        lnPhotoelectric[i] = storeFloat(std::log(asDouble(material.muPhotoelectric[i])));
        if (row >= 2) {
            lnEnergyStep[i] = asDouble(lnEnergy[i]) - lnEnergy[i - 1];
            lnCoherentStep[i] = asDouble(lnCoherent[i]) - lnCoherent[i - 1];
            lnIncoherentStep[i] = asDouble(lnIncoherent[i]) - lnIncoherent[i - 1];
            lnPhotoelectricStep[i] = asDouble(lnPhotoelectric[i]) - lnPhotoelectric[i - 1];
        }
    }
    {
        const bool rowsInStorage = material.n >= 1 && material.n <= kMaxEnergyRows;
        const float highest = rowsInStorage ? material.energy[static_cast<std::size_t>(material.n)] : 0.0f;
        energyRows.build(material.energy, material.n, highest > 0 ? highest : 1.0f);
    }
    for (int k = 1; k <= kBins; ++k) {
        binCoefficients[static_cast<std::size_t>(k)] = coefficientsOf(storeFloat(k * 0.5));
    }
    for (int row = 2; row <= kMomentumRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        incoherentSlope[i] = (asDouble(material.incoherentFunction[i]) - material.incoherentFunction[i - 1]) /
                              (asDouble(material.x[i]) - material.x[i - 1]);
    }
    incoherentRows.build(material.x, kMomentumRows, kMomentumTransferLimit);
    for (std::size_t a = 0; a < coherentX.size(); ++a) {
        const float c = storeFloat(asDouble(random.uniform[a]) * cmax);
        coherentX[a] = coherentMomentumTransfer(c);
    }
}

InteractionCoefficients FastTables::interpolateCoefficients(float e) const {
    float lnE;
    if (!logRoundedToFloat(e, lnE)) lnE = storeFloat(std::log(asDouble(e)));
    // The first row i >= 2 with E[i] > e, bounded by the last row.
    const auto i = static_cast<std::size_t>(energyRows.row(table.energy, table.n, e));
    const double lnELow = asDouble(lnEnergy[i - 1]);
    const float f = storeFloat((asDouble(lnE) - lnELow) / lnEnergyStep[i]);
    const auto exponential = [](double y) {
        float v;
        if (!expRoundedToFloat(y, v)) v = storeFloat(std::exp(y));
        return v;
    };
    InteractionCoefficients mu;
    mu.coherent = exponential(lnCoherentStep[i] * f + lnCoherent[i - 1]);
    mu.incoherent = exponential(lnIncoherentStep[i] * f + lnIncoherent[i - 1]);
    mu.photoelectric = exponential(lnPhotoelectricStep[i] * f + lnPhotoelectric[i - 1]);
    return mu;
}

}  // namespace corvane
