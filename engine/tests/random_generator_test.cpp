#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "transport/random_generator.h"

using corvane::RandomGenerator;

namespace {

// The seeding and the warm-up replayed in plain integer arithmetic on a
// table indexed like the generator's (1..55), then `count` further values.
std::vector<std::int32_t> replay(int count) {
    std::int32_t a[56] = {};
    a[1] = 3783;
    for (int i = 2; i <= 55; ++i) a[i] = (2 * a[i - 1] + i) % 16384;
    int j = 24, k = 55;
    std::vector<std::int32_t> out;
    for (int step = 0; step < 1000 + count; ++step) {
        a[k] = (a[j] + a[k]) % 16384;
        if (step >= 1000) out.push_back(a[k]);
        j = j == 1 ? 55 : j - 1;
        k = k == 1 ? 55 : k - 1;
    }
    return out;
}

}  // namespace

TEST(RandomGenerator, SeedTableWrapsOnceAfterA14) {
    RandomGenerator g;
    g.seed();
    EXPECT_EQ(g.tableValue(1), 3783);
    // Doubling plus the index stays below the modulus up to A[14] = 16368
    // (2 x 8177 + 14, no wrap); from A[15] on each value is one less.
    EXPECT_EQ(g.tableValue(13), 8177);
    EXPECT_EQ(g.tableValue(14), 16368);
    for (int i = 15; i <= 55; ++i) EXPECT_EQ(g.tableValue(i), g.tableValue(i - 1) - 1) << "A[" << i << "]";
    EXPECT_EQ(g.shortLag(), 24);
    EXPECT_EQ(g.longLag(), 55);
}

TEST(RandomGenerator, WarmUpLeavesTheLagsAt14And45) {
    RandomGenerator g;
    g.initialise();
    EXPECT_EQ(g.shortLag(), 14);
    EXPECT_EQ(g.longLag(), 45);
}

TEST(RandomGenerator, DrawsReplayThePlainIntegerStream) {
    const int count = 20000;
    const std::vector<std::int32_t> expected = replay(count);
    RandomGenerator g;
    g.initialise();
    for (int n = 0; n < count; ++n) {
        const float r = g.uniform();
        ASSERT_EQ(g.lastInteger(), expected[static_cast<std::size_t>(n)]) << "draw " << n;
        // a / 16384.099609375 formed in double, rounded once to float.
        ASSERT_EQ(r, static_cast<float>(expected[static_cast<std::size_t>(n)] / 16384.099609375)) << "draw " << n;
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
    }
    // In terms of the values produced, x(n) = (x(n-24) + x(n-55)) mod 16384.
    for (std::size_t n = 55; n < expected.size(); ++n) {
        ASSERT_EQ(expected[n], (expected[n - 24] + expected[n - 55]) % 16384) << n;
    }
}

TEST(RandomGenerator, ExtremeTableValuesGiveZeroAndJustBelowOne) {
    EXPECT_EQ(RandomGenerator::toUniform(0), 0.0f);
    const float top = RandomGenerator::toUniform(16383);
    EXPECT_LT(top, 1.0f);
    EXPECT_EQ(top, static_cast<float>(16383.0 / 16384.099609375));
    EXPECT_EQ(static_cast<double>(RandomGenerator::kDivisor), 16384.099609375);
}

TEST(RandomGenerator, TwoGeneratorsDrawTheSameNumbers) {
    RandomGenerator first, second;
    first.initialise();
    second.initialise();
    for (int n = 0; n < 1000; ++n) ASSERT_EQ(first.uniform(), second.uniform());
    // Initialising again restarts the stream from the seed.
    RandomGenerator again;
    again.initialise();
    const float firstDraw = again.uniform();
    again.initialise();
    EXPECT_EQ(again.uniform(), firstDraw);
}

TEST(RandomGenerator, PositionCountsTheDrawsAndAdvancingDrawsAhead) {
    // Jumps of every length from within a block to many blocks, each landing
    // where drawing one by one would: the next value is the stream's.
    const std::vector<std::int32_t> expected = replay(200000);
    RandomGenerator g;
    g.initialise();
    EXPECT_EQ(g.position(), 1000u);
    std::uint64_t at = 1000;
    for (std::uint64_t jump : {0u, 1u, 17u, 255u, 256u, 257u, 311u, 5000u, 70001u}) {
        at += jump;
        g.advanceTo(at);
        ASSERT_EQ(g.position(), at);
        ASSERT_EQ(g.nextInteger(), expected[at - 1000]) << "after a jump of " << jump;
        ++at;
        ASSERT_EQ(g.position(), at);
    }
    g.advanceTo(at - 1);  // never backwards
    EXPECT_EQ(g.position(), at);
}

TEST(RandomGenerator, TableFormFollowsThePlainTableThroughManyDraws) {
    // The table A[1..55] and the indices J and K after every draw of the
    // first 1000 after the warm-up, and after 30 000 more.
    std::int32_t a[56] = {};
    a[1] = 3783;
    for (int i = 2; i <= 55; ++i) a[i] = (2 * a[i - 1] + i) % 16384;
    int j = 24, k = 55;
    const auto step = [&] {
        a[k] = (a[j] + a[k]) % 16384;
        j = j == 1 ? 55 : j - 1;
        k = k == 1 ? 55 : k - 1;
    };
    for (int n = 0; n < 1000; ++n) step();
    RandomGenerator g;
    g.initialise();
    const auto compare = [&](int n) {
        ASSERT_EQ(g.shortLag(), j) << "draw " << n;
        ASSERT_EQ(g.longLag(), k) << "draw " << n;
        for (int i = 1; i <= 55; ++i) ASSERT_EQ(g.tableValue(i), a[i]) << "A[" << i << "], draw " << n;
    };
    compare(0);
    for (int n = 1; n <= 31000; ++n) {
        step();
        g.nextInteger();
        if (n <= 1000 || n == 31000) compare(n);
        if (::testing::Test::HasFatalFailure()) return;
    }
}
