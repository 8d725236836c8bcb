#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "transport/fast_physics.h"
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

std::int64_t totalTrack(const Tallies& t) {
    std::int64_t sum = 0;
    for (const auto& batch : t.trackLength)
        for (const auto& sphere : batch)
            for (const auto& component : sphere)
                for (std::int64_t v : component) sum += v;
    return sum;
}

double trackCm(const Tallies& t, int batch, int j, int component, int k) {
    return static_cast<double>(t.trackLength[static_cast<std::size_t>(batch)][static_cast<std::size_t>(j - 1)]
                                            [static_cast<std::size_t>(component - 1)][static_cast<std::size_t>(k)]) /
           kTrackUnitsPerCm;
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

TEST(Tallies, TrackLengthInsideEachSphereOnWorkedFlights) {
    // Chords worked out from the quadratic of the line and the sphere
    // surface, clipped to the segment (or, for a flight that ends in front
    // of the entrance surface, to the ray beyond it). Spheres at depths 0, 2,
    // 5, 10, 15, 20 cm.
    struct Case {
        const char* what;
        float x0, y0, z0, x1, y1, z1;
        std::array<double, kSpheres> chord;
    };
    const Case cases[] = {
        {"along the axis through the 2 cm sphere", 0, 0, 1, 0, 0, 3, {0, 1.0, 0, 0, 0, 0}},
        {"wholly inside", 0, 0, 4.9f, 0.1f, 0, 5.2f, {0, 0, 0.316227766, 0, 0, 0}},
        {"from the centre out, x unchanged", 0, 0, 10, 0, 3, 10, {0, 0, 0, 0.5, 0, 0}},
        {"ending inside", -2, 0, 15, 0.2f, 0, 15, {0, 0, 0, 0, 0.7, 0}},
        {"0.3 cm from the centre", -2, 0.3f, 20, 2, 0.3f, 20, {0, 0, 0, 0, 0, 0.8}},
        {"tangent", -2, 0.5f, 20, 2, 0.5f, 20, {0, 0, 0, 0, 0, 0}},
        {"stopping short of the sphere", -3, 0, 2, -1, 0, 2, {0, 0, 0, 0, 0, 0}},
        {"diagonal through the centre", -1, -1, 4, 1, 1, 6, {0, 0, 1.0, 0, 0, 0}},
        // Through the sphere without crossing a central plane: not counted.
        {"through, counted nowhere", 0.45f, 0.05f, 5.3f, 0.05f, 0.45f, 5.35f, {0, 0, 0.284209771, 0, 0, 0}},
        // Its line meets the 2 cm sphere and it crosses x = 0: counted there,
        // yet it never comes near it.
        {"counted where it never was", 0.1f, 0.01f, 7, -0.1f, 0.02f, 12, {0, 0, 0, 0.998688522, 0, 0}},
        // Leaving through the entrance surface: the segment alone would give
        // 0.424 cm in the depth-0 sphere; the ray on beyond it 0.758 cm.
        {"leaving obliquely through the surface", 0.2f, 0.1f, 0.3f, 0.1f, 0.2f, -0.1f, {0.757953511, 0, 0, 0, 0, 0}},
        {"backscattered along the axis from 2.3 cm", 0, 0, 2.3f, 0, 0, -0.2f, {1.0, 0.8, 0, 0, 0, 0}},
    };
    const int batch = 7, component = 2, bin = 120;  // 60 keV
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto reference = std::make_unique<Tallies>();
        auto fast = std::make_unique<Tallies>();
        scoreFlight(*reference, c.x0, c.y0, c.z0, c.x1, c.y1, c.z1, 0.5f, 60.0f, component, batch);
        FastPhysics::score(*fast, c.x0, c.y0, c.z0, c.x1, c.y1, c.z1, 0.5f, 60.0f, component, batch);
        EXPECT_TRUE(reference->trackLength == fast->trackLength);
        double sum = 0;
        for (int j = 1; j <= kSpheres; ++j) {
            EXPECT_NEAR(trackCm(*reference, batch, j, component, bin), c.chord[static_cast<std::size_t>(j - 1)], 1e-6)
                << "sphere " << j;
            sum += c.chord[static_cast<std::size_t>(j - 1)];
        }
        // Nothing went to another batch, component or bin.
        EXPECT_NEAR(static_cast<double>(totalTrack(*reference)) / kTrackUnitsPerCm, sum, 1e-6);
    }
}

TEST(Tallies, SourceRayCrossesTheFrontHalfOfTheSurfaceSphere) {
    // From the point source 70 cm in front of the surface to the entry point
    // (x, y, 0): only the half of the depth-0 sphere outside the phantom.
    struct Case {
        float x, y;
        double chord;
    };
    for (const Case c : {Case{0, 0, 0.5}, Case{0.3f, 0, 0.401287769}, Case{0, 0.5f, 0.007142675}, Case{0.8f, 0, 0}}) {
        SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
        auto t = std::make_unique<Tallies>();
        addSourceRay(*t, c.x, c.y, 70.0f, 100, 3);
        EXPECT_NEAR(trackCm(*t, 3, 1, 1, 100), c.chord, 1e-6);
        EXPECT_NEAR(static_cast<double>(totalTrack(*t)) / kTrackUnitsPerCm, c.chord, 1e-6);
    }
}

TEST(Tallies, HistoriesSplitIntoTenConsecutiveBatches) {
    // History i of n belongs to batch floor(10 i / n): batch b starts at
    // ceil(b n / 10).
    struct Case {
        std::int32_t index, histories;
        int batch;
    };
    for (const Case c : {Case{0, 1, 0}, Case{6, 7, 8}, Case{2, 25, 0}, Case{3, 25, 1}, Case{24, 25, 9},
                         Case{99, 1000, 0}, Case{100, 1000, 1}, Case{2147483646, 2147483647, 9},
                         Case{214748365, 2147483647, 1}, Case{214748364, 2147483647, 0}}) {
        EXPECT_EQ(batchOf(c.index, c.histories), c.batch) << c.index << " of " << c.histories;
    }
}
