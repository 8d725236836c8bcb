#pragma once
// One photon history: entry on the field disc, then flight after flight
// through the phantom until the photon is absorbed, escapes or falls below
// 2 keV. A template over the physics (HistoryPhysics) and the random source,
// so the reference run, the fast run and tests share the one sequence of
// steps.

#include <cmath>
#include <concepts>
#include <cstdint>

#include "model/arithmetic.h"
#include "model/energy_grid.h"
#include "model/phantom.h"
#include "transport/interactions.h"
#include "transport/tallies.h"

namespace corvane {

// What a history asks of the physics, in the order of its steps: the
// coefficients of a flight at energy e, the two draws of a flight, the
// scoring of a flight into the tallies, the escape test at the flight's end,
// the coherent and incoherent scatters, and the turn of the direction after a
// scatter. Each may draw from `random`; the draws and their order are part of
// the result.
template <class Physics, class Random>
concept HistoryPhysics = UniformSource<Random> &&
    requires(Physics& physics, Random& random, Tallies& tallies, float v, int component, int batch,
             const Direction& direction) {
        { physics.flightCoefficientsAt(v) } -> std::same_as<FlightCoefficients>;
        { physics.drawFlight(random) } -> std::same_as<FlightDraw>;
        physics.score(tallies, v, v, v, v, v, v, v, v, component, batch);
        { physics.escapes(v, v, v) } -> std::same_as<bool>;
        { physics.sampleCoherent(v, random) } -> std::same_as<Scatter>;
        { physics.sampleIncoherent(v, random) } -> std::same_as<Scatter>;
        { physics.rotate(direction, v, v, random) } -> std::same_as<Direction>;
    };

// Runs one history of source bin k (energy 0.5 k keV) for a field of diameter
// fieldDiameter cm, scoring into batch `batch`. Returns the number of flights.
template <class Physics, class Random>
    requires HistoryPhysics<Physics, Random>
std::int64_t trackPhoton(int k, float fieldDiameter, Physics& physics, Random& random, Tallies& tallies,
                         int batch = 0) {
    float e = storeFloat(k * asDouble(0.5f));
    const double fd = asDouble(fieldDiameter);

    // Entry point, uniform on the field disc by rejection from the square.
    float x, y, rho;
    for (;;) {
        const float r1 = random.uniform();
        const float r2 = random.uniform();
        x = storeFloat((asDouble(r1) - 0.5f) * fd);
        y = storeFloat((asDouble(r2) - 0.5f) * fd);
        rho = storeFloat(std::sqrt(asDouble(x) * x + asDouble(y) * y));
        if (fd * 0.5f >= rho) break;
    }
    float z = 0;
    if (rho <= 0.5f) tallies.countIncident(k, batch);
    // The straight ray from the source through the air (vacuum here) to the
    // entry point crosses the half of the depth-0 sphere in front of the
    // phantom; it is part of every history, also of those below 2 keV.
    addSourceRay(tallies, x, y, PhantomGeometry::ssd, k, batch);

    // Direction from the point source through the entry point.
    const double rhod = asDouble(rho);
    const double ssd = PhantomGeometry::ssd;
    const float length = storeFloat(std::sqrt(rhod * rhod + ssd * ssd));
    Direction dir;
    dir.cosTheta = storeFloat(ssd / length);
    dir.sinTheta = storeFloat(rhod / length);
    if (rho != 0) {
        dir.cosPhi = storeFloat(asDouble(x) / rhod);
        dir.sinPhi = storeFloat(asDouble(y) / rhod);
    } else {
        dir.cosPhi = 1;
        dir.sinPhi = 0;
    }
    int component = 1;
    std::int64_t flights = 0;

    for (;;) {
        if (e < kEnergyCutoff) break;
        const FlightCoefficients c = physics.flightCoefficientsAt(e);
        const FlightDraw draw = physics.drawFlight(random);
        const float s = storeFloat(-(draw.logR1 / c.mu));  // flight length in cm
        const double sd = asDouble(s);
        const float x1 = storeFloat(asDouble(x) + sd * dir.sinTheta * dir.cosPhi);
        const float y1 = storeFloat(asDouble(y) + sd * dir.sinTheta * dir.sinPhi);
        const float z1 = storeFloat(asDouble(z) + sd * dir.cosTheta);
        ++flights;
        physics.score(tallies, x, y, z, x1, y1, z1, dir.cosTheta, e, component, batch);

        if (physics.escapes(x1, y1, z1)) break;  // through a surface
        x = x1;
        y = y1;
        z = z1;

        Scatter scatter;
        switch (chooseInteraction(draw.r2, c.probabilityPe, c.probabilityPc)) {
            case Interaction::Absorption:
                return flights;
            case Interaction::Coherent:
                scatter = physics.sampleCoherent(e, random);
                break;
            case Interaction::Incoherent:
                scatter = physics.sampleIncoherent(e, random);
                break;
        }
        e = scatter.energy;
        if (e < kEnergyCutoff) break;  // no azimuth is drawn for it
        dir = physics.rotate(dir, scatter.cosTheta, scatter.sinTheta, random);
        component = 2;
    }
    return flights;
}

}  // namespace corvane
