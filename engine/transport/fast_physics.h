#pragma once
// The transport rules computed fast, with results identical to the bit to the
// plain reading (ReferencePhysics):
//  - the logarithms of the material table are taken once, and the row of a
//    lookup (firstRowAbove from row 2) is found between the two rows a
//    bucket index gives;
//  - the coefficients of the 300 bin energies are computed once, with the sum
//    mu and the two interaction thresholds of a flight, and those of the last
//    energy looked up are kept (a primary keeps its energy from flight to
//    flight, and so does a coherently scattered photon);
//  - quantities that depend on one 14-bit random value only are tabulated by
//    that value: ln R of the flight length, cos and sin of the azimuth, the
//    coherent momentum transfer;
//  - at a bin energy, where every primary photon scatters first, the outcome
//    of an incoherent attempt depends on two draws only (the branch and u2),
//    so it is kept per bin: the acceptance tests as counts of passing draws,
//    the scatter and the coefficients of the new energy;
//  - the logarithm of a new energy and the exponentials of its interpolated
//    coefficients come from short polynomials, and the arc tangent of a
//    scattering angle from a table and a short series, whenever their error
//    bound shows that the library's result rounds to the same float;
//  - the escape test compares the squared distance from the axis;
//  - the parts of the sphere test that do not depend on the sphere are
//    computed once per flight.
// What never changes during a run lives in FastTables, built once and shared
// by every core; a FastPhysics is one core's view of them, with its own
// small cache: the coefficients of the last energy and the memo of first
// scatters (transport/first_scatter_memo.h).

#include <cstdint>
#include <memory>

#include "files/material_table.h"
#include "model/arithmetic.h"
#include "model/phantom.h"
#include "transport/fast_tables.h"
#include "transport/first_scatter_memo.h"
#include "transport/interactions.h"
#include "transport/random_generator.h"
#include "transport/sphere_scoring.h"
#include "transport/tallies.h"

namespace corvane {

class FastPhysics {
public:
    // One core's physics over tables shared with the other cores.
    explicit FastPhysics(const FastTables& tables);
    // Physics with tables of its own, built from the material table.
    explicit FastPhysics(const MaterialTable& table);

    InteractionCoefficients coefficientsAt(float e) { return lookup(e).coefficients; }
    FlightCoefficients flightCoefficientsAt(float e) { return lookup(e).flight; }

    float incoherentFunctionAt(float x) const { return tables_.incoherentFunctionAt(x); }
    float coherentMomentumTransfer(float c) const { return tables_.coherentMomentumTransfer(c); }

    FlightDraw drawFlight(RandomGenerator& random) const {
        std::int32_t a1, a2;
        do {
            a1 = random.nextInteger();
            a2 = random.nextInteger();
        } while (a1 == 0);  // R1 = 0 exactly when a = 0
        return FlightDraw{randomValues_.logUniform[static_cast<std::size_t>(a1)],
                          randomValues_.uniform[static_cast<std::size_t>(a2)]};
    }

    // The square root is correctly rounded and never falls as its argument
    // grows, and the largest double below 900 has a root that rounds below
    // 30, so comparing the squared distance with 900 decides as the root does.
    static bool escapes(float x1, float y1, float z1) {
        static_assert(PhantomGeometry::radius == 30.0f);
        return z1 <= 0 || z1 >= PhantomGeometry::thickness || asDouble(y1) * y1 + asDouble(x1) * x1 >= 900.0;
    }

    Scatter sampleIncoherent(float e, RandomGenerator& random);

    Scatter sampleCoherent(float e, RandomGenerator& random) const {
        return coherentScatter(
            e,
            // x of c = U1 x CMAX depends on the draw alone.
            [&] { return tables_.coherentX[static_cast<std::size_t>(random.nextInteger())]; },
            [&] { return randomValues_.uniform[static_cast<std::size_t>(random.nextInteger())]; });
    }

    Direction rotate(const Direction& old, float cosThetaS, float sinThetaS, RandomGenerator& random) const {
        const auto a = static_cast<std::size_t>(random.nextInteger());
        return rotateDirectionBy(old, cosThetaS, sinThetaS, randomValues_.cosAzimuth[a], randomValues_.sinAzimuth[a]);
    }

    // The sphere test of a flight and its track lengths (batch `batch`); it
    // reads nothing but its arguments and writes only `tallies`.
    static void score(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta,
                      float e, int component, int batch = 0) {
        scoreFlightFast(tallies, x0, y0, z0, x1, y1, z1, cosTheta, e, component, batch);
    }

    const float smax;
    const float cmax;

private:
    const FastCoefficients& lookup(float e) {
        if (e == lastEnergy_) return last_;
        const float twice = e * 2;  // exact
        if (twice >= 1.0f && twice <= static_cast<float>(kBins)) {
            const auto k = static_cast<std::int32_t>(twice);
            if (static_cast<float>(k) == twice) return tables_.binCoefficientsOf(static_cast<std::size_t>(k));
        }
        lastEnergy_ = e;
        last_ = tables_.coefficientsOf(e);
        return last_;
    }

    Scatter sampleIncoherentAnywhere(float e, RandomGenerator& random) const;

    std::unique_ptr<const FastTables> ownTables_;  // only when built from a material table
    const FastTables& tables_;
    const RandomValueTables& randomValues_;
    // The coefficients of the last energy looked up off the bin grid.
    float lastEnergy_ = -1;
    FastCoefficients last_{};
    FirstScatterMemo firstScatters_;
};

}  // namespace corvane
