// The fast sphere test (SSE2, or scalar in the scalar_sphere test
// configuration) scores exactly where the plain one does.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "transport/sphere_scoring.h"
#include "transport/random_generator.h"
#include "transport/tallies.h"
#include "transport_test_support.h"

using namespace corvane;
using corvane::testing::depthSum;

TEST(SphereScoring, MatchesTheReferenceOnRandomFlights) {
    // Flights of every kind near the spheres: the fast test, which computes
    // the line once per flight, scores exactly where the reference does.
    RandomGenerator random;
    random.initialise();
    auto ta = std::make_unique<Tallies>(), tb = std::make_unique<Tallies>();
    Tallies& a = *ta;
    Tallies& b = *tb;
    for (int n = 0; n < 200000; ++n) {
        float v[6];
        for (float& c : v) c = random.uniform();
        // Mostly within 1 cm of the axis, every fourth flight within 4 cm,
        // which the fast test can often dismiss by its ends alone.
        const float width = n % 4 == 3 ? 8.0f : 2.0f;
        const float x0 = (v[0] - 0.5f) * width, y0 = (v[1] - 0.5f) * width, z0 = v[2] * 22.0f - 1.0f;
        const float x1 = (v[3] - 0.5f) * width, y1 = (v[4] - 0.5f) * width, z1 = z0 + (v[5] - 0.5f) * 3.0f;
        const float e = 2.0f + v[5] * 140.0f;
        scoreFlight(a, x0, y0, z0, x1, y1, z1, 0.5f, e, 1 + (n & 1));
        scoreFlightFast(b, x0, y0, z0, x1, y1, z1, 0.5f, e, 1 + (n & 1));
    }
    // Ends on the rim of the spheres' cross-section, x^2 + y^2 about 0.25,
    // just above and below each centre, on flights that cross no plane.
    for (int j = 0; j < kSpheres; ++j) {
        const float d = kSphereDepths[static_cast<std::size_t>(j)];
        for (float dz : {-0.01f, 0.0f, 0.01f}) {
            for (float rim : {0.3f, std::nextafter(0.3f, 0.0f), std::nextafter(0.3f, 1.0f)}) {
                scoreFlight(a, rim, 0.4f, d + dz, rim + 1.0f, 0.9f, d + dz + 0.5f, 0.5f, 50.0f, 1);
                scoreFlightFast(b, rim, 0.4f, d + dz, rim + 1.0f, 0.9f, d + dz + 0.5f, 0.5f, 50.0f, 1);
                scoreFlight(a, rim + 1.0f, 0.9f, d + dz - 0.5f, rim, 0.4f, d + dz, 0.5f, 50.0f, 2);
                scoreFlightFast(b, rim + 1.0f, 0.9f, d + dz - 0.5f, rim, 0.4f, d + dz, 0.5f, 50.0f, 2);
            }
        }
    }
    // Lines that graze a sphere (at distance 0.5 from its centre, give or
    // take 1e-5 cm), and flights whose x changes by a few units in the last
    // place, whose steep lines make the discriminant a difference of huge
    // terms.
    for (int n = 0; n < 60000; ++n) {
        float v[4];
        for (float& c : v) c = random.uniform();
        const float d = kSphereDepths[static_cast<std::size_t>(n % kSpheres)];
        if (n % 2 == 0) {
            const float offset = 0.5f + (v[0] - 0.5f) * 2e-5f;
            const float x0 = -1.0f - v[1], x1 = 1.0f + v[2];
            const float y0 = offset * (n % 4 == 0 ? 1.0f : 0.6f), z0 = d + offset * (n % 4 == 0 ? 0.0f : 0.8f);
            const float y1 = std::nextafter(y0, 1.0f), z1 = n % 8 < 4 ? z0 : std::nextafter(z0, 30.0f);
            scoreFlight(a, x0, y0, z0, x1, y1, z1, 0.5f, 60.0f, 1);
            scoreFlightFast(b, x0, y0, z0, x1, y1, z1, 0.5f, 60.0f, 1);
        } else {
            const float x0 = (v[0] - 0.5f) * 2.0f, y0 = (v[1] - 0.5f) * 2.0f, z0 = d + (v[2] - 0.5f) * 4.0f;
            float x1 = x0;
            for (int step = 0; step <= n % 5; ++step) x1 = std::nextafter(x1, 5.0f);
            const float y1 = y0 + (v[3] - 0.5f) * 1.5f, z1 = z0 + (v[3] - 0.3f) * 2.0f;
            scoreFlight(a, x0, y0, z0, x1, y1, z1, 0.5f, 60.0f, 2);
            scoreFlightFast(b, x0, y0, z0, x1, y1, z1, 0.5f, 60.0f, 2);
        }
    }
    EXPECT_EQ(a.depth, b.depth);
    EXPECT_TRUE(a.batchCounts == b.batchCounts);
    EXPECT_TRUE(a.trackLength == b.trackLength);
    std::int64_t scored = depthSum(a, 1) + depthSum(a, 2);
    EXPECT_GT(scored, 20000);
}
