#pragma once
// The transport rules computed fast, with results identical to the bit to the
// plain reading (ReferencePhysics):
//  - the logarithms of the material table are taken once, and the row of a
//    lookup is found by binary search, which stops at the same row as the
//    scan from row 2 (the first row past row 1 whose key exceeds the argument);
//  - the coefficients of the 300 bin energies are computed once, and those of
//    the last energy looked up are kept (a primary keeps its energy from
//    flight to flight, and so does a coherently scattered photon);
//  - quantities that depend on one 14-bit random value only are tabulated by
//    that value: ln R of the flight length, cos and sin of the azimuth;
//  - the parts of the sphere test that do not depend on the sphere are
//    computed once per flight.

#include <array>
#include <cmath>
#include <cstdint>

#include "files/material_table.h"
#include "transport/interactions.h"
#include "transport/random_generator.h"
#include "transport/tallies.h"

namespace corvane {

// Tables over the 16384 values a draw can take.
struct RandomValueTables {
    std::array<double, RandomGenerator::kModulus> logUniform{};  // ln(a / D); unused for a = 0
    std::array<float, RandomGenerator::kModulus> uniform{};      // a / D
    std::array<float, RandomGenerator::kModulus> cosAzimuth{};   // cos(a / D * pi * 2)
    std::array<float, RandomGenerator::kModulus> sinAzimuth{};

    RandomValueTables();
};

class FastPhysics {
public:
    explicit FastPhysics(const MaterialTable& table);

    InteractionCoefficients coefficientsAt(float e) {
        if (e == lastEnergy_) return lastCoefficients_;
        const float twice = e * 2;  // exact
        if (twice >= 1.0f && twice <= static_cast<float>(kBins)) {
            const auto k = static_cast<std::int32_t>(twice);
            if (static_cast<float>(k) == twice) return binCoefficients_[static_cast<std::size_t>(k)];
        }
        lastEnergy_ = e;
        lastCoefficients_ = interpolateCoefficients(e);
        return lastCoefficients_;
    }

    float incoherentFunctionAt(float x) const {
        const auto i = static_cast<std::size_t>(searchRow(table_.x, x));
        return static_cast<float>((static_cast<double>(table_.incoherentFunction[i]) - table_.incoherentFunction[i - 1]) /
                                      (static_cast<double>(table_.x[i]) - table_.x[i - 1]) *
                                      (static_cast<double>(x) - table_.x[i - 1]) +
                                  table_.incoherentFunction[i - 1]);
    }

    float coherentMomentumTransfer(float c) const {
        const auto i = static_cast<std::size_t>(searchRow(table_.cumulative, c));
        return static_cast<float>((static_cast<double>(table_.x[i]) - table_.x[i - 1]) *
                                      (static_cast<double>(c) - table_.cumulative[i - 1]) /
                                      (static_cast<double>(table_.cumulative[i]) - table_.cumulative[i - 1]) +
                                  table_.x[i - 1]);
    }

    FlightDraw drawFlight(RandomGenerator& random) const {
        std::int32_t a1, a2;
        do {
            a1 = random.nextInteger();
            a2 = random.nextInteger();
        } while (a1 == 0);  // R1 = 0 exactly when a = 0
        return FlightDraw{tables_.logUniform[static_cast<std::size_t>(a1)], tables_.uniform[static_cast<std::size_t>(a2)]};
    }

    Direction rotate(const Direction& old, float cosThetaS, float sinThetaS, RandomGenerator& random) const {
        const auto a = static_cast<std::size_t>(random.nextInteger());
        return rotateDirectionBy(old, cosThetaS, sinThetaS, tables_.cosAzimuth[a], tables_.sinAzimuth[a]);
    }

    void score(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta, float e,
               int component) const;

    const float smax;
    const float cmax;

private:
    // The first row i >= 2 whose key exceeds the argument, or row 45 (the
    // bound of the scan) when none does.
    static int searchRow(const std::array<float, kMomentumRows + 1>& key, float argument) {
        int low = 2, high = kMomentumRows;  // the answer lies in [low, high]
        while (low < high) {
            const int mid = (low + high) / 2;
            if (key[static_cast<std::size_t>(mid)] <= argument) low = mid + 1;
            else high = mid;
        }
        return low;
    }

    InteractionCoefficients interpolateCoefficients(float e) const;

    const MaterialTable& table_;
    // Single-precision logarithms of the energies and the coefficients.
    std::array<float, kMaxEnergyRows + 1> lnEnergy_{}, lnCoherent_{}, lnIncoherent_{}, lnPhotoelectric_{};
    std::array<InteractionCoefficients, kBins + 1> binCoefficients_{};
    float lastEnergy_ = -1;
    InteractionCoefficients lastCoefficients_{};
    const RandomValueTables& tables_;
};

// The tables of the random values, built on first use.
const RandomValueTables& randomValueTables();

}  // namespace corvane
