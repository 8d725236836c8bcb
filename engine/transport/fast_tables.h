#pragma once
// What the fast transport reads and never changes, built once per run from
// the material table and shared by every core: the logarithms of the table
// and their steps, the row indexes, the coefficients of the 300 bin
// energies, the slopes of S(x), and the coherent momentum transfer of every
// 14-bit draw.

#include <array>
#include <cstddef>

#include "files/material_table.h"
#include "model/arithmetic.h"
#include "model/energy_grid.h"
#include "transport/interactions.h"
#include "transport/material_lookups.h"
#include "transport/random_value_tables.h"
#include "transport/row_index.h"

namespace corvane {

// The coefficients of one energy with what a flight needs of them.
struct FastCoefficients {
    InteractionCoefficients coefficients;
    FlightCoefficients flight;
};

class FastTables {
public:
    explicit FastTables(const MaterialTable& material);
    FastTables(const FastTables&) = delete;
    FastTables& operator=(const FastTables&) = delete;

    // The coefficients at energy e, interpolated as the plain lookup does.
    FastCoefficients coefficientsOf(float e) const {
        FastCoefficients c;
        c.coefficients = interpolateCoefficients(e);
        c.flight = flightCoefficients(c.coefficients);
        return c;
    }

    // Those of bin k's energy 0.5 k keV, k = 1..300.
    const FastCoefficients& binCoefficientsOf(std::size_t k) const { return binCoefficients[k]; }

    float incoherentFunctionAt(float x) const {
        const auto i = static_cast<std::size_t>(incoherentRows.row(table.x, kMomentumRows, x));
        return storeFloat(incoherentSlope[i] * (asDouble(x) - table.x[i - 1]) + table.incoherentFunction[i - 1]);
    }

    float coherentMomentumTransfer(float c) const { return corvane::coherentMomentumTransfer(table, c); }

    const MaterialTable& table;
    const RandomValueTables& random;
    const float smax;
    const float cmax;

    // Single-precision logarithms of the energies and the coefficients.
    std::array<float, kMaxEnergyRows + 1> lnEnergy{}, lnCoherent{}, lnIncoherent{}, lnPhotoelectric{};
    // The differences of the logarithms from each row to the next, as the
    // interpolation forms them.
    std::array<double, kMaxEnergyRows + 1> lnEnergyStep{}, lnCoherentStep{}, lnIncoherentStep{}, lnPhotoelectricStep{};
    RowIndex energyRows;
    std::array<FastCoefficients, kBins + 1> binCoefficients{};
    // The slope (S[i] - S[i-1]) / (X[i] - X[i-1]) of each interval, the
    // quotient the interpolation forms first.
    std::array<double, kMomentumRows + 1> incoherentSlope{};
    RowIndex incoherentRows;
    // The coherent momentum transfer of c = U1 x CMAX for every draw.
    std::array<float, RandomGenerator::kModulus> coherentX{};

private:
    InteractionCoefficients interpolateCoefficients(float e) const;
};

}  // namespace corvane
