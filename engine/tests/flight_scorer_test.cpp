#include <gtest/gtest.h>

#include <cstdint>

#include "tally_totals.h"
#include "transport/flight_scorer.h"
#include "transport/random_generator.h"
#include "transport/tallies.h"

using namespace corvane;
using corvane::testing::totalCounts;

namespace {

// Flights near the spheres, enough of them to wrap the ring many times.
template <class Score>
void scoreRandomFlights(Score score) {
    RandomGenerator random;
    random.initialise();
    for (int n = 0; n < 300000; ++n) {
        float v[6];
        for (float& c : v) c = random.uniform();
        const float x0 = (v[0] - 0.5f) * 2.0f, y0 = (v[1] - 0.5f) * 2.0f, z0 = v[2] * 22.0f - 1.0f;
        const float x1 = (v[3] - 0.5f) * 2.0f, y1 = (v[4] - 0.5f) * 2.0f, z1 = z0 + (v[5] - 0.5f) * 3.0f;
        score(Flight{x0, y0, z0, x1, y1, z1, 0.5f, 2.0f + v[5] * 140.0f, 1 + (n & 1)});
    }
}

}  // namespace

TEST(FlightScorer, ScoringAlongsideCountsWhatScoringInPlaceCounts) {
    Tallies direct, inPlace, alongside;
    scoreRandomFlights([&](const Flight& f) {
        scoreFlight(direct, f.x0, f.y0, f.z0, f.x1, f.y1, f.z1, f.cosTheta, f.e, f.component);
    });
    {
        FlightScorer scorer(inPlace, false);
        EXPECT_FALSE(scorer.alongside());
        scoreRandomFlights([&](const Flight& f) { scorer.score(f); });
        scorer.finish();
    }
    {
        FlightScorer scorer(alongside, true);
        EXPECT_TRUE(scorer.alongside());
        scoreRandomFlights([&](const Flight& f) { scorer.score(f); });
        scorer.finish();
        scorer.finish();  // a second finish changes nothing
    }
    EXPECT_GT(totalCounts(direct), 10000);
    EXPECT_EQ(inPlace.depth, direct.depth);
    EXPECT_EQ(alongside.depth, direct.depth);
}

TEST(FlightScorer, LeavingTheScopeScoresEveryFlightHandedOver) {
    // A run that ends by an error still joins the scoring thread, and what
    // was handed over is counted: fewer flights than one publication.
    Tallies direct, alongside;
    {
        FlightScorer scorer(alongside, true);
        for (int n = 0; n < 5; ++n) {
            const Flight f{0.3f, -0.2f, 4.8f + 0.1f * static_cast<float>(n), -0.3f, 0.25f, 5.3f, 0.9f, 30.0f, 2};
            scorer.score(f);
            scoreFlight(direct, f.x0, f.y0, f.z0, f.x1, f.y1, f.z1, f.cosTheta, f.e, f.component);
        }
    }
    EXPECT_EQ(totalCounts(direct), 5);
    EXPECT_EQ(alongside.depth, direct.depth);
}
