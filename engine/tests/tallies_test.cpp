#include <gtest/gtest.h>

#include <cstdint>

#include "transport/tallies.h"

using namespace corvane;

namespace {

std::int64_t totalCounts(const Tallies& t) {
    std::int64_t sum = 0;
    for (const auto& sphere : t.depth)
        for (const auto& component : sphere)
            for (std::int64_t v : component) sum += v;
    return sum;
}

}  // namespace

TEST(Tallies, EnergyBinRule) {
    struct Case {
        float energy;
        int bin;
    };
    for (const Case c : {Case{2.0f, 4}, Case{2.25f, 5}, Case{2.5f, 5}, Case{2.501f, 6}, Case{2.0004f, 4},
                         Case{149.9f, 300}, Case{150.0f, 300}}) {
        EXPECT_EQ(energyBin(c.energy), c.bin) << c.energy;
    }
    // A primary of bin k scores in bin k.
    for (int k = 1; k <= kBins; ++k) EXPECT_EQ(energyBin(static_cast<float>(k * 0.5)), k) << k;
}

TEST(Tallies, WorkedFlightsAtEachSphere) {
    for (int j = 1; j <= kSpheres; ++j) {
        const float d = kSphereDepths[static_cast<std::size_t>(j - 1)];
        SCOPED_TRACE(j);
        // Through the sphere (its midpoint is inside) without crossing a
        // central plane and with both ends outside: not scored.
        {
            Tallies t;
            scoreFlight(t, 0.45f, 0.05f, d + 0.3f, 0.05f, 0.45f, d + 0.35f, 0.1f, 60.0f, 2);
            EXPECT_EQ(t.depth[static_cast<std::size_t>(j)][2][120], 0);
        }
        // Never near the sphere, but its line meets it and it crosses x = 0:
        // scored, in the scattered component at the bin of 60 keV.
        {
            Tallies t;
            scoreFlight(t, 0.1f, 0.01f, d + 5.0f, -0.1f, 0.02f, d + 10.0f, 0.99f, 60.0f, 2);
            EXPECT_EQ(t.depth[static_cast<std::size_t>(j)][2][120], 1);
            EXPECT_EQ(t.depth[static_cast<std::size_t>(j)][1][120], 0);
        }
    }
}

TEST(Tallies, FlightsThatScoreNowhere) {
    // A flight straight through the centre of the 10 cm sphere scores there
    // with a general direction, and nowhere when cos theta = 0, X' = X or Y' = Y.
    {
        Tallies t;
        scoreFlight(t, -1.0f, -0.5f, 10.0f, 1.0f, 0.5f, 10.0f, 0.1f, 30.0f, 1);
        EXPECT_EQ(t.depth[4][1][60], 1);
        EXPECT_EQ(totalCounts(t), 1);
    }
    Tallies t;
    scoreFlight(t, -1.0f, -0.5f, 10.0f, 1.0f, 0.5f, 10.0f, 0.0f, 30.0f, 1);
    scoreFlight(t, 0.0f, -1.0f, 9.0f, 0.0f, 1.0f, 11.0f, 0.7f, 30.0f, 1);
    scoreFlight(t, -1.0f, 0.0f, 9.0f, 1.0f, 0.0f, 11.0f, 0.7f, 30.0f, 1);
    EXPECT_EQ(totalCounts(t), 0);
}

TEST(Tallies, EndsInsideOrOnTheSphereScore) {
    Tallies t;
    // Both ends off the central planes' far sides; the end point lies inside
    // the 5 cm sphere.
    scoreFlight(t, 3.0f, 2.0f, 8.0f, 0.2f, 0.1f, 5.2f, 0.7f, 45.0f, 1);
    EXPECT_EQ(t.depth[3][1][90], 1);
    // Starting inside the 2 cm sphere and leaving it without crossing a plane.
    scoreFlight(t, 0.1f, 0.1f, 2.1f, 3.0f, 2.0f, 6.0f, 0.7f, 45.0f, 1);
    EXPECT_EQ(t.depth[2][1][90], 1);
    // A line that misses every sphere, though it crosses all three planes of
    // the depth-0 sphere.
    Tallies miss;
    scoreFlight(miss, 1.0f, -1.0f, -0.5f, -1.0f, 5.0f, 0.5f, 0.3f, 45.0f, 1);
    EXPECT_EQ(totalCounts(miss), 0);
}

TEST(Tallies, OneFlightScoresInEverySphereItsLinePasses) {
    // Nearly along the axis from the surface to the rear: the line meets all
    // six spheres and the flight crosses every plane z = D.
    Tallies t;
    scoreFlight(t, 0.01f, 0.01f, 0.0f, -0.01f, 0.02f, 29.0f, 0.9999f, 80.0f, 1);
    for (int j = 1; j <= kSpheres; ++j) EXPECT_EQ(t.depth[static_cast<std::size_t>(j)][1][160], 1) << j;
    EXPECT_EQ(totalCounts(t), 6);
}
