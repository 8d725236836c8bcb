#pragma once
// The plain reading of the transport rules: lookups straight from the
// material table, the flight length and the azimuth computed from their
// draws, the scoring of every sphere by its own formulas.

#include <cmath>

#include "files/material_table.h"
#include "transport/interactions.h"
#include "transport/tallies.h"

namespace corvane {

class ReferencePhysics {
public:
    explicit ReferencePhysics(const MaterialTable& table) : table_(table), smax(table.smax), cmax(table.cmax) {}

    InteractionCoefficients coefficientsAt(float e) const { return table_.coefficientsAt(e); }
    float incoherentFunctionAt(float x) const { return table_.incoherentFunctionAt(x); }
    float coherentMomentumTransfer(float c) const { return table_.coherentMomentumTransfer(c); }

    template <class Random>
    FlightDraw drawFlight(Random& random) const {
        return corvane::drawFlight(random);
    }

    void score(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta, float e,
               int component) const {
        scoreFlight(tallies, x0, y0, z0, x1, y1, z1, cosTheta, e, component);
    }

    template <class Random>
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
