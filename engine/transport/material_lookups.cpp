#include "transport/material_lookups.h"

#include <cmath>

#include "files/engine_error.h"
#include "files/message_text.h"
#include "model/arithmetic.h"

namespace corvane {
InteractionCoefficients coefficientsAt(const MaterialTable& table, float e) {
    const float lnE = storeFloat(std::log(asDouble(e)));
    const auto i = static_cast<std::size_t>(firstRowAbove(table.energy, 2, table.n, e));
    const float lnCohHigh = storeFloat(std::log(asDouble(table.muCoherent[i])));
    const float lnCohLow = storeFloat(std::log(asDouble(table.muCoherent[i - 1])));
    const float lnIncHigh = storeFloat(std::log(asDouble(table.muIncoherent[i])));
    const float lnIncLow = storeFloat(std::log(asDouble(table.muIncoherent[i - 1])));
    const float lnPeHigh = storeFloat(std::log(asDouble(table.muPhotoelectric[i])));
    const float lnPeLow = storeFloat(std::log(asDouble(table.muPhotoelectric[i - 1])));
    const float lnEHigh = storeFloat(std::log(asDouble(table.energy[i])));
    const float lnELow = storeFloat(std::log(asDouble(table.energy[i - 1])));
    const float f = storeFloat((asDouble(lnE) - lnELow) / (asDouble(lnEHigh) - lnELow));
    InteractionCoefficients mu;
    mu.coherent = storeFloat(std::exp((asDouble(lnCohHigh) - lnCohLow) * f + lnCohLow));
    mu.incoherent = storeFloat(std::exp((asDouble(lnIncHigh) - lnIncLow) * f + lnIncLow));
    mu.photoelectric = storeFloat(std::exp((asDouble(lnPeHigh) - lnPeLow) * f + lnPeLow));
    return mu;
}

float incoherentFunctionAt(const MaterialTable& table, float xValue) {
    const auto i = static_cast<std::size_t>(firstRowAbove(table.x, 2, kMomentumRows, xValue));
    return storeFloat((asDouble(table.incoherentFunction[i]) - table.incoherentFunction[i - 1]) /
                                  (asDouble(table.x[i]) - table.x[i - 1]) * (asDouble(xValue) - table.x[i - 1]) +
                              table.incoherentFunction[i - 1]);
}

float coherentMomentumTransferOnRow(const MaterialTable& table, std::size_t i, float c) {
    return storeFloat((asDouble(table.x[i]) - table.x[i - 1]) * (asDouble(c) - table.cumulative[i - 1]) /
                                  (asDouble(table.cumulative[i]) - table.cumulative[i - 1]) +
                              table.x[i - 1]);
}

float coherentMomentumTransfer(const MaterialTable& table, float c) {
    const int row = firstRowAbove(table.cumulative, 2, kMomentumRows, c);
    return coherentMomentumTransferOnRow(table, static_cast<std::size_t>(row), c);
}

void checkMaterialTable(const MaterialTable& table, const std::string& fileName, float topEnergyKeV) {
    const int n = table.n;
    if (n < 2 || n > kMaxEnergyRows) {
        throw dataError(fileName, "the number of energy rows is " + std::to_string(n) + "; it must lie between 2 and " +
                                      std::to_string(kMaxEnergyRows));
    }
    for (int row = 1; row <= n; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const std::string at = "energy row " + std::to_string(row) + ": ";
        if (!(table.muCoherent[i] > 0) || !(table.muIncoherent[i] > 0) || !(table.muPhotoelectric[i] > 0)) {
            throw dataError(fileName, at + "every interaction coefficient must be positive");
        }
        if (row == 1 && !(table.energy[i] > 0)) {
            throw dataError(fileName, at + "the energy must be positive");
        }
        if (row >= 2 && !(table.energy[i] > table.energy[i - 1])) {
            throw dataError(fileName, at + "the energies must increase strictly (" + numberText(table.energy[i - 1]) +
                                          " keV, then " + numberText(table.energy[i]) + " keV)");
        }
    }
    if (!(table.energy[static_cast<std::size_t>(n)] > topEnergyKeV)) {
        throw dataError(fileName, "the last energy row (" + numberText(table.energy[static_cast<std::size_t>(n)]) +
                                      " keV) must lie above the highest photon energy of the run (" +
                                      numberText(topEnergyKeV) + " keV)");
    }
    for (int row = 2; row <= kMomentumRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const std::string at = "momentum-transfer row " + std::to_string(row) + ": ";
        if (!(table.x[i] > table.x[i - 1])) {
            throw dataError(fileName, at + "the momentum transfer x must increase strictly");
        }
        if (!(table.cumulative[i] >= table.cumulative[i - 1])) {
            throw dataError(fileName, at + "the cumulative value C(x) must not decrease");
        }
    }
    if (!(table.x[kMomentumRows] >= 10.0f)) {
        throw dataError(fileName, "the last momentum transfer x (" + numberText(table.x[kMomentumRows]) +
                                      " per angstrom) must be at least 10");
    }
    if (!(table.cmax > 0)) {
        throw dataError(fileName, "the last cumulative value C(x) must be positive");
    }
    if (!(table.smax > 0)) {
        // Incoherent scatter accepts an angle with probability S(x) / S[45]:
        // with S[45] at 0 no angle below x = 10 is ever accepted and the
        // sampling never ends.
        throw dataError(fileName, "the last incoherent function value S(x) must be positive");
    }
    if (table.cumulative[1] > 0 && !(table.cumulative[2] > table.cumulative[1])) {
        // A cumulative value below C[1] is interpolated on rows 1 and 2, which
        // must then differ.
        throw dataError(fileName, "momentum-transfer row 2: the cumulative value C(x) must rise above a positive C "
                                  "of row 1");
    }
    for (int row = 1; row <= kMomentumRows; ++row) {
        // The acceptance test S(x) / S[45] >= U passes for U = 0 whenever S is
        // not negative; a negative S could reject every angle.
        if (!(table.incoherentFunction[static_cast<std::size_t>(row)] >= 0)) {
            throw dataError(fileName, "momentum-transfer row " + std::to_string(row) +
                                          ": the incoherent function S(x) must not be negative");
        }
    }
    // Coherent scatter draws C = U x CMAX until the sampled momentum transfer
    // lies within the photon's reach, x 12.4 / E <= 1. The smallest x it can
    // draw is the one at C = 0: beyond the reach of the lowest energy followed
    // (2 keV) every attempt of such a photon would be rejected, for ever.
    const float lowestX = coherentMomentumTransfer(table, 0.0f);
    if (storeFloat(asDouble(lowestX) * 12.4f / 2.0f) > 1) {
        throw dataError(fileName, "the momentum transfer at C(x) = 0 is " + numberText(lowestX) +
                                      " per angstrom; it must not exceed 2 / 12.4, the reach of a 2 keV photon");
    }
}

}  // namespace corvane
