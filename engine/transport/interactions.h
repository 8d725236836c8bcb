#pragma once
// What happens where a photon's flight ends inside the phantom: photoelectric
// absorption, coherent (Rayleigh) scattering or incoherent (Compton)
// scattering, and the new flight direction after a scatter.
//
// Every named quantity is a float; each formula is evaluated in double and
// rounded once when stored, left to right as written. The random stream is the
// result: the functions draw from `random` in a fixed order, and any change of
// that order or of a rounding changes every later history.
//
// The functions are templates over the source of uniform numbers
// (UniformSource) and over the material (MaterialLookups), so that the run
// inlines them and tests can script the stream.

#include <cmath>
#include <concepts>

#include "files/material_table.h"
#include "model/arithmetic.h"
#include "model/energy_grid.h"

namespace corvane {

// A stream of uniform numbers in [0, 1), handed out one by one.
template <class R>
concept UniformSource = requires(R& random) {
    { random.uniform() } -> std::same_as<float>;
};

// What the scattering samplers read of a material: S(x) and its last value
// SMAX, and the x of a cumulative coherent value c with its last value CMAX.
template <class M>
concept MaterialLookups = requires(const M& material, float v) {
    { material.smax } -> std::convertible_to<float>;
    { material.cmax } -> std::convertible_to<float>;
    { material.incoherentFunctionAt(v) } -> std::same_as<float>;
    { material.coherentMomentumTransfer(v) } -> std::same_as<float>;
};

enum class Interaction { Absorption, Coherent, Incoherent };

// The outcome of a scatter: the new energy (keV) and the polar scattering
// angle measured from the old flight direction.
struct Scatter {
    float energy = 0;
    float cosTheta = 0;
    float sinTheta = 0;
};

// A flight direction: polar angle to the +z axis and azimuth in the x-y plane.
// The four numbers are updated by formulas and never renormalised.
struct Direction {
    float cosTheta = 1;
    float sinTheta = 0;
    float cosPhi = 1;
    float sinPhi = 0;
};

// The two numbers drawn with a flight: ln(R1) of the first (in double, for the
// flight length -ln(R1) / mu) and the second, R2, for the interaction type.
struct FlightDraw {
    double logR1 = 0;
    float r2 = 0;
};

// Draws R1 and R2, both again while R1 is 0 (its logarithm would be infinite).
template <UniformSource Random>
FlightDraw drawFlight(Random& random) {
    float r1, r2;
    do {
        r1 = random.uniform();
        r2 = random.uniform();
    } while (r1 <= 0);
    return FlightDraw{std::log(asDouble(r1)), r2};
}

inline constexpr float kElectronRestEnergy = 511.0f;  // keV
inline constexpr float kHc = 12.4f;                   // keV x angstrom
inline constexpr float kMomentumTransferLimit = 10.0f;
inline constexpr float kEnergyCutoff = 2.0f;  // keV: photons below are not followed

// What a flight needs of the three coefficients: their sum mu (1/cm) and the
// two thresholds of the interaction choice, MU_PE / mu and (MU_PE + MU_COH) / mu.
struct FlightCoefficients {
    float mu = 0;
    float probabilityPe = 0;
    float probabilityPc = 0;
};

inline FlightCoefficients flightCoefficients(const InteractionCoefficients& c) {
    FlightCoefficients f;
    f.mu = storeFloat((asDouble(c.photoelectric) + c.incoherent) + c.coherent);
    f.probabilityPe = storeFloat(asDouble(c.photoelectric) / f.mu);
    f.probabilityPc = storeFloat((asDouble(c.photoelectric) + c.coherent) / f.mu);
    return f;
}

// r2 is the second number drawn with the flight; probabilityPe = MU_PE / mu,
// probabilityPc = (MU_PE + MU_COH) / mu. A tie goes to the later kind.
inline Interaction chooseInteraction(float r2, float probabilityPe, float probabilityPc) {
    if (r2 < probabilityPe) return Interaction::Absorption;
    if (r2 < probabilityPc) return Interaction::Coherent;
    return Interaction::Incoherent;
}

// One proposal of Kahn's method with K = 1/alpha (kd) and the first-branch
// probability p: eta = 1 / (E'/E) from u2 in the branch u1 chooses, and the
// acceptance value a third number u3 must stay below for eta to be taken.
struct KahnProposal {
    float eta = 0;
    double acceptance = 0;
};

inline KahnProposal kahnProposal(double kd, float p, float u1, float u2) {
    KahnProposal proposal;
    if (u1 <= p) {
        proposal.eta = storeFloat((2.0f / kd) * u2 + 1.0f);
        const double etad = asDouble(proposal.eta);
        proposal.acceptance = 4.0f * (1 / etad - 1 / (etad * etad));
        return proposal;
    }
    proposal.eta = storeFloat((kd + 2.0f) / ((1.0f - asDouble(u2)) * 2.0f + kd));
    const float c = storeFloat((kd - asDouble(proposal.eta) * kd) + 1.0f);
    const double cd = asDouble(c);
    proposal.acceptance = 0.5f * (cd * cd + 1 / asDouble(proposal.eta));
    return proposal;
}

// One attempt of Kahn's method: the proposal of u1 and u2, and whether u3
// accepts it. Shared by every sampler of incoherent scattering so the
// formulas exist once.
inline bool kahnAttempt(double kd, float p, float u1, float u2, float u3, float& eta) {
    const KahnProposal proposal = kahnProposal(kd, p, u1, u2);
    eta = proposal.eta;
    return proposal.acceptance > u3;
}

// Kahn's rejection method for the Klein-Nishina distribution, corrected by the
// incoherent scattering function S(x) below x = 10 per angstrom.
template <MaterialLookups Material, UniformSource Random>
Scatter sampleIncoherent(float e, const Material& material, Random& random) {
    const double ed = asDouble(e);
    const float k = storeFloat(asDouble(kElectronRestEnergy) / ed);
    const double kd = asDouble(k);
    const float p = storeFloat((kd + 2.0f) / (9.0f * kd + 2.0f));
    float theta = 0;
    for (;;) {
        const float u1 = random.uniform();
        const float u2 = random.uniform();
        const float u3 = random.uniform();
        float eta;
        if (!kahnAttempt(kd, p, u1, u2, u3, eta)) continue;
        float cosTheta = storeFloat(1 - (asDouble(eta) - 1) * (kElectronRestEnergy / ed));
        if (cosTheta == 0) {
            theta = storeFloat(asDouble(kPi) * 0.5f);
        } else {
            if (cosTheta > 1) cosTheta = 1;
            const double cosThetad = asDouble(cosTheta);
            theta = storeFloat(std::atan(std::sqrt(1 - cosThetad * cosThetad) / cosThetad));
            if (theta < 0) theta = storeFloat(asDouble(theta) + kPi);
        }
        const float x = storeFloat(std::sin(asDouble(theta) * 0.5f) * ed / kHc);
        if (x < kMomentumTransferLimit) {
            const float s = material.incoherentFunctionAt(x);
            const float u4 = random.uniform();
            if (asDouble(s) / material.smax >= u4) break;
        } else {
            break;
        }
    }
    Scatter out;
    out.energy = storeFloat(ed / ((1 - std::cos(asDouble(theta))) * (ed / kElectronRestEnergy) + 1));
    out.sinTheta = storeFloat(std::sin(asDouble(theta)));
    out.cosTheta = storeFloat(std::cos(asDouble(theta)));
    return out;
}

// The attempts of a coherent scatter at energy e: drawMomentumTransfer gives
// the x of a new cumulative draw, drawUniform the number of the angular test,
// which is drawn only when x lies within the photon's reach.
template <class DrawMomentumTransfer, class DrawUniform>
Scatter coherentScatter(float e, DrawMomentumTransfer drawMomentumTransfer, DrawUniform drawUniform) {
    float cosTheta = 0;
    for (;;) {
        const float x = drawMomentumTransfer();
        const float t = storeFloat(asDouble(x) * kHc / e);
        if (t > 1) continue;  // beyond backscatter at this energy
        const double td = asDouble(t);
        cosTheta = storeFloat(1 - (td * td) * 2);
        const float u2 = drawUniform();
        const double cd = asDouble(cosTheta);
        if (asDouble(u2) * 2 <= cd * cd + 1) break;
    }
    Scatter out;
    out.energy = e;
    out.cosTheta = cosTheta;
    const double cd = asDouble(cosTheta);
    out.sinTheta = storeFloat(std::sqrt(1 - cd * cd));
    return out;
}

// Samples the momentum transfer from the cumulative coherent distribution and
// accepts the angle against the Thomson factor (1 + cos^2)/2. The energy is
// unchanged.
template <MaterialLookups Material, UniformSource Random>
Scatter sampleCoherent(float e, const Material& material, Random& random) {
    return coherentScatter(
        e,
        [&] {
            const float u1 = random.uniform();
            const float c = storeFloat(asDouble(u1) * material.cmax);
            return material.coherentMomentumTransfer(c);
        },
        [&] { return random.uniform(); });
}

// The rotation itself, for a given cos and sin of the azimuth.
inline Direction rotateDirectionBy(const Direction& old, float cosThetaS, float sinThetaS, float cphi, float sphi) {
    Direction d;
    float cosTheta = storeFloat(asDouble(sinThetaS) * cphi * old.sinTheta +
                                        asDouble(cosThetaS) * old.cosTheta);
    if (cosTheta > 1) cosTheta = 1;
    if (cosTheta < -1) cosTheta = -1;
    const double cosThetad = asDouble(cosTheta);
    const float sinTheta = storeFloat(std::sqrt(1 - cosThetad * cosThetad));
    d.cosTheta = cosTheta;
    d.sinTheta = sinTheta;
    if (sinTheta == 0) {
        d.cosPhi = 1;
        d.sinPhi = 0;
        return d;
    }
    const float t = storeFloat(asDouble(sinThetaS) * sphi / sinTheta);
    if (old.sinTheta == 0) {
        // Out of a flight along the axis the old azimuth means nothing: the
        // new one is pi - phi_s.
        d.sinPhi = sphi;
        d.cosPhi = -cphi;
        return d;
    }
    const float u = storeFloat((asDouble(cosThetaS) - cosThetad * old.cosTheta) /
                                       (asDouble(sinTheta) * old.sinTheta));
    d.sinPhi = storeFloat(asDouble(u) * old.sinPhi + asDouble(t) * old.cosPhi);
    d.cosPhi = storeFloat(asDouble(u) * old.cosPhi - asDouble(t) * old.sinPhi);
    return d;
}


// Turns the flight direction by the polar scattering angle and a uniform
// azimuth drawn here.
template <UniformSource Random>
Direction rotateDirection(const Direction& old, float cosThetaS, float sinThetaS, Random& random) {
    const float u = random.uniform();
    const float phiS = storeFloat(asDouble(u) * kPi * 2);
    const float cphi = storeFloat(std::cos(asDouble(phiS)));
    const float sphi = storeFloat(std::sin(asDouble(phiS)));
    return rotateDirectionBy(old, cosThetaS, sinThetaS, cphi, sphi);
}

}  // namespace corvane
