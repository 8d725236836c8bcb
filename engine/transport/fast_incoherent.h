#pragma once
// The incoherent scatter of the fast transport from a Kahn proposal eta: the
// stored angle theta, the momentum transfer x of its S(x) test and the
// scatter, each the float the plain reading stores, taken from a rotation by
// the small offset of theta where the error bound allows and from the
// library functions otherwise. Inline, for the two samplers that call them
// on every attempt.

#include <cmath>

#include "model/arithmetic.h"
#include "model/energy_grid.h"
#include "transport/interactions.h"
#include "transport/short_math.h"

namespace corvane {

// What an incoherent scatter at energy e works with.
struct IncoherentSetup {
    double ed = 0;         // e
    double kd = 0;         // K = 511 / e, stored as a float
    double restOverE = 0;  // 511 / e unrounded, for cos theta
    float p = 0;           // the probability of Kahn's first branch
    double momentumMargin = 0, energyMargin = 0;
    IncoherentSetup() = default;
    explicit IncoherentSetup(float e);
};

// The stored angle theta of a proposal, with, when `rotated`, the cosine
// and sine the arc tangent was taken from and the offset delta of theta
// from that arc.
struct IncoherentAngle {
    float theta = 0;
    bool rotated = false;
    double cosine = 0, sine = 0, delta = 0;
};

inline IncoherentSetup::IncoherentSetup(float e) {
    ed = e;
    const float k = storeFloat(asDouble(kElectronRestEnergy) / ed);
    kd = k;
    p = storeFloat((kd + 2.0f) / (9.0f * kd + 2.0f));
    restOverE = kElectronRestEnergy / ed;
    momentumMargin = 1e-15 * (1 + ed);
    energyMargin = 2e-15 * ed * (1 + ed) + 1e-14;
}

// The scattering angle is stored as a float theta, so its sine, cosine and
// half-angle sine are those of an angle a little off the one whose cosine is
// the sampled cos theta. The offset delta between the two is known within
// 3e-16 once the arc tangent is taken, and for |delta| < 1e-6 the rotation by it,
// cos(a + delta) = c (1 - delta^2 / 2) - s delta and so on, gives the three
// values within about 1e-15. Each result is stored as a float (or enters a
// float formula), and it is taken from the rotation only when everything
// within a safe margin of it rounds to the same float; otherwise, and in the
// special cases of the angle (cos theta = 0, a negative cos theta whose arc
// tangent rounds to zero), the library functions give it as the plain
// reading does.
[[gnu::always_inline]] inline IncoherentAngle incoherentAngle(const IncoherentSetup& at, float eta) {
    IncoherentAngle angle;
    float cosTheta = storeFloat(1 - (asDouble(eta) - 1) * at.restOverE);
    if (cosTheta == 0) {
        angle.theta = storeFloat(asDouble(kPi) * 0.5f);
        return angle;
    }
    if (cosTheta > 1) cosTheta = 1;
    const double c = asDouble(cosTheta);
    const double s = std::sqrt(1 - c * c);
    // The short arc tangent and the library's lie within 1e-15 of each
    // other: when everything that close rounds to one float, that float is
    // the library's theta, and the short value serves as the arc below.
    double arc = arcTangentOfSineOverCosine(s, c);
    if (!roundsAlike(arc, 1e-15)) arc = std::atan(s / c);
    angle.theta = storeFloat(arc);
    if (angle.theta < 0) {
        angle.theta = storeFloat(asDouble(angle.theta) + kPi);
        // theta - (arc + pi), with theta - 3.141592f exact.
        angle.delta = ((asDouble(angle.theta) - asDouble(kPi)) - arc) - kPiShortfall;
        angle.rotated = true;
    } else if (c > 0) {
        angle.delta = asDouble(angle.theta) - arc;  // exact: the two are within a float rounding
        angle.rotated = true;
    }
    angle.cosine = c;
    angle.sine = s;
    return angle;
}

[[gnu::always_inline]] inline float momentumTransfer(const IncoherentSetup& at, const IncoherentAngle& angle) {
    if (angle.rotated) {
        const double h = angle.delta * 0.5;
        const double halfSine =
            std::sqrt((1 - angle.cosine) * 0.5) * (1 - h * h * 0.5) + std::sqrt((1 + angle.cosine) * 0.5) * h;
        const double xValue = halfSine * at.ed / kHc;
        if (roundsAlike(xValue, at.momentumMargin)) return storeFloat(xValue);
    }
    return storeFloat(std::sin(asDouble(angle.theta) * 0.5f) * at.ed / kHc);
}

[[gnu::always_inline]] inline Scatter incoherentScatter(const IncoherentSetup& at, const IncoherentAngle& angle) {
    constexpr double unitMargin = 4e-15;
    const double ed = at.ed;
    Scatter out;
    if (angle.rotated) {
        const double halfDeltaSquared = angle.delta * angle.delta * 0.5;
        const double cosValue = angle.cosine * (1 - halfDeltaSquared) - angle.sine * angle.delta;
        const double sinValue = angle.sine * (1 - halfDeltaSquared) + angle.cosine * angle.delta;
        const double energyValue = ed / ((1 - cosValue) * (ed / kElectronRestEnergy) + 1);
        if (roundsAlike(cosValue, unitMargin) && roundsAlike(sinValue, unitMargin) &&
            roundsAlike(energyValue, at.energyMargin)) {
            out.energy = storeFloat(energyValue);
            out.sinTheta = storeFloat(sinValue);
            out.cosTheta = storeFloat(cosValue);
            return out;
        }
    }
    const double theta = asDouble(angle.theta);
    out.energy = storeFloat(ed / ((1 - std::cos(theta)) * (ed / kElectronRestEnergy) + 1));
    out.sinTheta = storeFloat(std::sin(theta));
    out.cosTheta = storeFloat(std::cos(theta));
    return out;
}

}  // namespace corvane
