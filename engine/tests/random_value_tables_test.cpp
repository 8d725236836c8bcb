// The tables of the random values hold, for every 14-bit draw, exactly what
// the plain reading computes from the drawn number.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>

#include "transport/interactions.h"
#include "transport/random_value_tables.h"
#include "scripted_uniforms.h"

using namespace corvane;

TEST(RandomValueTables, EveryDrawHoldsThePlainValues) {
    const RandomValueTables& tables = randomValueTables();
    EXPECT_EQ(&tables, &randomValueTables()) << "built once";
    // A direction off the axis, so that the turn reads both the cosine and
    // the sine of the azimuth.
    const Direction old{0.6f, 0.8f, 0.28f, 0.96f};
    for (std::int32_t a = 0; a < RandomGenerator::kModulus; ++a) {
        const auto i = static_cast<std::size_t>(a);
        const float u = RandomGenerator::toUniform(a);
        ASSERT_EQ(tables.uniform[i], u) << a;
        if (a > 0) {
            ASSERT_EQ(tables.logUniform[i], std::log(static_cast<double>(u))) << a;
        }
        // The turn by the tabulated azimuth is the turn rotateDirection
        // makes from the drawn number.
        corvane::testing::ScriptedUniforms random{u};
        const Direction plain = rotateDirection(old, 0.5f, 0.8660254f, random);
        const Direction tabulated = rotateDirectionBy(old, 0.5f, 0.8660254f, tables.cosAzimuth[i], tables.sinAzimuth[i]);
        ASSERT_EQ(plain.cosTheta, tabulated.cosTheta) << a;
        ASSERT_EQ(plain.sinTheta, tabulated.sinTheta) << a;
        ASSERT_EQ(plain.cosPhi, tabulated.cosPhi) << a;
        ASSERT_EQ(plain.sinPhi, tabulated.sinPhi) << a;
    }
    // The draw 0 never reaches a logarithm (the flight draws again).
    EXPECT_EQ(tables.uniform[0], 0.0f);
}
