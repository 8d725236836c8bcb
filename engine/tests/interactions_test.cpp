#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <vector>

#include "files/material_table.h"
#include "transport/interactions.h"
#include "scripted_uniforms.h"

using namespace corvane;

namespace {

using corvane::testing::ScriptedUniforms;

// A material whose S(x) and C(x) are simple: S(x) = min(x, 4) with SMAX = 4,
// and C(x) = x on 0..11 (CMAX = 11), so the coherent momentum transfer equals
// the cumulative value.
struct LinearMaterial {
    float smax = 4.0f;
    float cmax = 11.0f;
    float incoherentFunctionAt(float x) const { return x < 4.0f ? x : 4.0f; }
    float coherentMomentumTransfer(float c) const { return c; }
};

// The first-branch probability of Kahn's method at energy e.
float kahnFirstBranch(float e) {
    const float k = static_cast<float>(511.0f / static_cast<double>(e));
    return static_cast<float>((static_cast<double>(k) + 2.0f) / (9.0f * static_cast<double>(k) + 2.0f));
}

}  // namespace

TEST(Interactions, ChooseInteractionBreaksTiesTowardsTheLaterKind) {
    struct Case {
        float r2;
        Interaction expected;
    };
    for (const Case c : {Case{0.0f, Interaction::Absorption}, Case{0.2999f, Interaction::Absorption},
                         Case{0.3f, Interaction::Coherent}, Case{0.4999f, Interaction::Coherent},
                         Case{0.5f, Interaction::Incoherent}, Case{0.9999f, Interaction::Incoherent}}) {
        EXPECT_EQ(chooseInteraction(c.r2, 0.3f, 0.5f), c.expected) << c.r2;
    }
}

TEST(Interactions, IncoherentFirstBranchWithU2ZeroNeverPasses) {
    const LinearMaterial material;
    const float p = kahnFirstBranch(100.0f);
    // Attempt 1: U1 = P takes the first branch; U2 = 0 gives eta = 1, and
    // 4 (1 - 1) = 0 is not above even U3 = 0. Attempt 2: second branch with
    // U2 = 0 gives eta = 1, forward scatter, x = 0, S = 0, and U4 = 0 accepts
    // on the tie S / SMAX = U4.
    ScriptedUniforms random{p, 0.0f, 0.0f, 0.9f, 0.0f, 0.5f, 0.0f};
    const Scatter s = sampleIncoherent(100.0f, material, random);
    EXPECT_EQ(random.drawn(), 7u);
    EXPECT_EQ(s.energy, 100.0f);
    EXPECT_EQ(s.cosTheta, 1.0f);
    EXPECT_EQ(s.sinTheta, 0.0f);
}

TEST(Interactions, IncoherentRejectedByTheScatteringFunctionDrawsThreeNewNumbers) {
    const LinearMaterial material;
    // Forward scatter (x = 0, S = 0) with U4 = 0.5: S / SMAX < U4 rejects,
    // then the same attempt with U4 = 0 accepts.
    ScriptedUniforms random{0.9f, 0.0f, 0.5f, 0.5f, 0.9f, 0.0f, 0.5f, 0.0f};
    const Scatter s = sampleIncoherent(60.0f, material, random);
    EXPECT_EQ(random.drawn(), 8u);
    EXPECT_EQ(s.energy, 60.0f);
}

TEST(Interactions, IncoherentBackscatterAt150KeVSkipsTheScatteringFunctionTest) {
    const LinearMaterial material;
    // Second branch with the largest U2 the generator yields: nearly 180
    // degrees, x = sin(theta/2) 150 / 12.4 > 10, accepted without a fourth draw.
    const float u2 = static_cast<float>(16383 / 16384.099609375);
    ScriptedUniforms random{0.99f, u2, 0.5f};
    const Scatter s = sampleIncoherent(150.0f, material, random);
    EXPECT_EQ(random.drawn(), 3u);
    EXPECT_LT(s.cosTheta, -0.999f);
    // E' = 150 / (1 + 2 x 150 / 511) = 94.5 keV through 180 degrees.
    EXPECT_NEAR(s.energy, 94.5f, 0.05f);
}

TEST(Interactions, IncoherentEnergyFollowsTheComptonFormula) {
    const LinearMaterial material;
    for (float e : {20.0f, 60.0f, 149.5f}) {
        for (float u2 : {0.1f, 0.5f, 0.9f}) {
            for (float u1 : {0.0f, 0.95f}) {  // both branches
                // U3 = 0 passes any attempt whose test value is positive; U4 = 0
                // passes the scattering-function test.
                ScriptedUniforms random{u1, u2, 0.0f, 0.0f};
                const Scatter s = sampleIncoherent(e, material, random);
                const double expected = e / (1 + (e / 511.0) * (1 - static_cast<double>(s.cosTheta)));
                EXPECT_NEAR(s.energy, expected, expected * 1e-6) << e << " " << u1 << " " << u2;
                EXPECT_NEAR(static_cast<double>(s.cosTheta) * s.cosTheta + static_cast<double>(s.sinTheta) * s.sinTheta,
                            1.0, 1e-6);
                EXPECT_GE(s.sinTheta, 0.0f);
                EXPECT_LE(s.energy, e);
            }
        }
    }
}

TEST(Interactions, CoherentBeyondBackscatterRedrawsWithoutTheAngularTest) {
    const LinearMaterial material;
    // At 2 keV, c = 0.5 x 11 = 5.5 per angstrom gives t = 5.5 x 12.4 / 2 > 1:
    // a new cumulative value is drawn and no angular number. Then c = 0 gives
    // forward scatter, and U2 = 1 accepts on the tie 2 x U2 = cos^2 + 1.
    ScriptedUniforms random{0.5f, 0.0f, 1.0f};
    const Scatter s = sampleCoherent(2.0f, material, random);
    EXPECT_EQ(random.drawn(), 3u);
    EXPECT_EQ(s.energy, 2.0f);
    EXPECT_EQ(s.cosTheta, 1.0f);
    EXPECT_EQ(s.sinTheta, 0.0f);
}

TEST(Interactions, CoherentThomsonTestRejectsAndKeepsTheEnergy) {
    const LinearMaterial material;
    // At 124 keV t = x / 10, and x = c = 11 U1: U1 = 5 / 11 gives t near 0.5.
    const float u1 = static_cast<float>(5.0 / 11.0);
    ScriptedUniforms random{u1, 0.9f, u1, 0.5f};
    const Scatter s = sampleCoherent(124.0f, material, random);
    EXPECT_EQ(random.drawn(), 4u);
    EXPECT_EQ(s.energy, 124.0f);
    // t near 0.5 gives cos theta near 1 - 2 t^2 = 0.5; (1 + 0.25) / 2 < 0.9
    // rejected the first attempt, 0.5 accepted the second.
    EXPECT_NEAR(s.cosTheta, 0.5f, 1e-5f);
    EXPECT_NEAR(s.sinTheta, std::sqrt(0.75f), 1e-5f);
}

TEST(Interactions, RotationTurnsTheDirectionByTheScatteringAngle) {
    // The new direction makes the angle theta_s with the old one and stays a
    // unit vector, for flights in general directions.
    struct Old {
        float theta, phi;
    };
    for (const Old o : {Old{0.3f, 0.2f}, Old{1.2f, -2.0f}, Old{2.5f, 3.0f}}) {
        for (float thetaS : {0.1f, 1.0f, 2.0f, 3.0f}) {
            for (float u : {0.05f, 0.3f, 0.6f, 0.95f}) {
                Direction old;
                old.cosTheta = std::cos(o.theta);
                old.sinTheta = std::sin(o.theta);
                old.cosPhi = std::cos(o.phi);
                old.sinPhi = std::sin(o.phi);
                ScriptedUniforms random{u};
                const Direction d = rotateDirection(old, std::cos(thetaS), std::sin(thetaS), random);
                EXPECT_EQ(random.drawn(), 1u);
                const double v0[3] = {old.sinTheta * old.cosPhi, old.sinTheta * old.sinPhi, old.cosTheta};
                const double v1[3] = {d.sinTheta * d.cosPhi, d.sinTheta * d.sinPhi, d.cosTheta};
                const double dot = v0[0] * v1[0] + v0[1] * v1[1] + v0[2] * v1[2];
                const double norm = v1[0] * v1[0] + v1[1] * v1[1] + v1[2] * v1[2];
                EXPECT_NEAR(dot, std::cos(thetaS), 2e-5) << o.theta << " " << thetaS << " " << u;
                EXPECT_NEAR(norm, 1.0, 2e-5);
            }
        }
    }
}

TEST(Interactions, RotationToAndFromTheAxis) {
    // Out of a flight along +x, a 90-degree scatter with azimuth 0 goes
    // exactly along the axis: cos phi' = 1, sin phi' = 0.
    {
        const Direction alongX{0.0f, 1.0f, 1.0f, 0.0f};
        ScriptedUniforms random{0.0f};
        const Direction d = rotateDirection(alongX, 0.0f, 1.0f, random);
        EXPECT_EQ(d.cosTheta, 1.0f);
        EXPECT_EQ(d.sinTheta, 0.0f);
        EXPECT_EQ(d.cosPhi, 1.0f);
        EXPECT_EQ(d.sinPhi, 0.0f);
    }
    // Out of a flight along the axis the new azimuth is pi - phi_s.
    {
        const Direction alongZ{1.0f, 0.0f, 1.0f, 0.0f};
        ScriptedUniforms random{0.125f};
        const Direction d = rotateDirection(alongZ, 0.6f, 0.8f, random);
        const float phiS = static_cast<float>(0.125f * static_cast<double>(kPi) * 2);
        EXPECT_FLOAT_EQ(d.cosTheta, 0.6f);
        EXPECT_FLOAT_EQ(d.sinTheta, 0.8f);
        EXPECT_EQ(d.cosPhi, -static_cast<float>(std::cos(static_cast<double>(phiS))));
        EXPECT_EQ(d.sinPhi, static_cast<float>(std::sin(static_cast<double>(phiS))));
        EXPECT_NEAR(d.cosPhi, std::cos(3.141592 - 3.141592 / 4), 1e-6);
    }
}
