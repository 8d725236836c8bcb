#pragma once
// The plain reading of the transport rules: lookups straight from the
// material table, the flight length and the azimuth computed from their
// draws, the scoring of every sphere by its own formulas.

#include <cmath>

#include "files/material_table.h"
#include "model/arithmetic.h"
#include "transport/material_lookups.h"
#include "model/phantom.h"
#include "transport/interactions.h"
#include "transport/tallies.h"

namespace corvane {

class ReferencePhysics {
public:
    explicit ReferencePhysics(const MaterialTable& table) : table_(table), smax(table.smax), cmax(table.cmax) {}

    InteractionCoefficients coefficientsAt(float e) const { return corvane::coefficientsAt(table_, e); }
    FlightCoefficients flightCoefficientsAt(float e) const { return flightCoefficients(coefficientsAt(e)); }
    float incoherentFunctionAt(float x) const { return corvane::incoherentFunctionAt(table_, x); }
    float coherentMomentumTransfer(float c) const { return corvane::coherentMomentumTransfer(table_, c); }

    template <UniformSource Random>
    FlightDraw drawFlight(Random& random) const {
        return corvane::drawFlight(random);
    }

    void score(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta, float e,
               int component, int batch = 0) const {
        scoreFlight(tallies, x0, y0, z0, x1, y1, z1, cosTheta, e, component, batch);
    }

    // The photon has left the phantom: through the entrance or rear surface,
    // or at the phantom radius from the axis.
    static bool escapes(float x1, float y1, float z1) {
        return z1 <= 0 || z1 >= PhantomGeometry::thickness ||
               std::sqrt(asDouble(y1) * y1 + asDouble(x1) * x1) >= PhantomGeometry::radius;
    }

    template <UniformSource Random>
    Scatter sampleIncoherent(float e, Random& random) const {
        return corvane::sampleIncoherent(e, *this, random);
    }

    template <UniformSource Random>
    Scatter sampleCoherent(float e, Random& random) const {
        return corvane::sampleCoherent(e, *this, random);
    }

    template <UniformSource Random>
    Direction rotate(const Direction& old, float cosThetaS, float sinThetaS, Random& random) const {
        return rotateDirection(old, cosThetaS, sinThetaS, random);
    }

private:
    const MaterialTable& table_;

public:
    const float smax;
    const float cmax;
};

}  // namespace corvane
