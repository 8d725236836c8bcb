#pragma once
// One photon history: entry on the field disc, then flight after flight
// through the phantom until the photon is absorbed, escapes or falls below
// 2 keV. A template over the physics (the material lookups, the flight
// length, the escape test, the scatters, the scoring and the turn after a
// scatter) and the random source, so
// the reference run, the fast run and tests share the one sequence of steps.

#include <cmath>
#include <cstdint>

#include "files/run_parameters.h"
#include "transport/histories.h"
#include "transport/interactions.h"
#include "transport/tallies.h"

namespace corvane {

// Runs one history of source bin k (energy 0.5 k keV) for a field of diameter
// fieldDiameter cm, scoring into batch `batch`. Returns the number of flights.
template <class Physics, class Random>
std::int64_t trackPhoton(int k, float fieldDiameter, Physics& physics, Random& random, Tallies& tallies,
                         int batch = 0) {
    float e = static_cast<float>(k * static_cast<double>(0.5f));
    const double fd = fieldDiameter;

    // Entry point, uniform on the field disc by rejection from the square.
    float x, y, rho;
    for (;;) {
        const float r1 = random.uniform();
        const float r2 = random.uniform();
        x = static_cast<float>((static_cast<double>(r1) - 0.5f) * fd);
        y = static_cast<float>((static_cast<double>(r2) - 0.5f) * fd);
        rho = static_cast<float>(std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y));
        if (fd * 0.5f >= rho) break;
    }
    float z = 0;
    if (rho <= 0.5f) tallies.countIncident(k, batch);
    // The straight ray from the source through the air (vacuum here) to the
    // entry point crosses the half of the depth-0 sphere in front of the
    // phantom; it is part of every history, also of those below 2 keV.
    addSourceRay(tallies, x, y, PhantomGeometry::ssd, k, batch);

    // Direction from the point source through the entry point.
    const double rhod = rho;
    const double ssd = PhantomGeometry::ssd;
    const float length = static_cast<float>(std::sqrt(rhod * rhod + ssd * ssd));
    Direction dir;
    dir.cosTheta = static_cast<float>(ssd / length);
    dir.sinTheta = static_cast<float>(rhod / length);
    if (rho != 0) {
        dir.cosPhi = static_cast<float>(static_cast<double>(x) / rhod);
        dir.sinPhi = static_cast<float>(static_cast<double>(y) / rhod);
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
        const float s = static_cast<float>(-(draw.logR1 / c.mu));  // flight length in cm
        const double sd = s;
        const float x1 = static_cast<float>(static_cast<double>(x) + sd * dir.sinTheta * dir.cosPhi);
        const float y1 = static_cast<float>(static_cast<double>(y) + sd * dir.sinTheta * dir.sinPhi);
        const float z1 = static_cast<float>(static_cast<double>(z) + sd * dir.cosTheta);
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
