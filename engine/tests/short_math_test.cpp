// The short exponential, logarithm and arc tangent of the fast transport
// against the library's.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "transport/random_generator.h"
#include "transport/short_math.h"

using namespace corvane;

TEST(ShortMath, ExponentialAndLogarithmRoundAsTheLibrary) {
    // Whenever the short forms decide, they give the float the library's
    // result rounds to; they decide almost always, and refuse what they do
    // not cover.
    RandomGenerator random;
    random.initialise();
    int decided = 0, tried = 0;
    for (int n = 0; n < 300000; ++n) {
        const double u = random.uniform() + random.uniform() / 16384.0;
        const double y = n % 3 == 0 ? (u - 0.5) * 0.02 : (u - 0.5) * 40.0;  // near 0, and wide
        float v;
        ++tried;
        if (expRoundedToFloat(y, v)) {
            ++decided;
            ASSERT_EQ(v, static_cast<float>(std::exp(y))) << y;
        }
        const float x = static_cast<float>(n % 3 == 0 ? 0.5 + u : std::exp2(u * 60.0 - 20.0));
        ++tried;
        if (logRoundedToFloat(x, v)) {
            ++decided;
            ASSERT_EQ(v, static_cast<float>(std::log(static_cast<double>(x)))) << x;
        }
    }
    // Arguments whose exponential lies next to the midpoint between two
    // floats: the library's result may round either way, so the short form
    // must refuse or agree.
    int hard = 0;
    for (float f = 1e-3f; f < 1e3f; f *= 1.013f) {
        const double midpoint = (static_cast<double>(f) + std::nextafter(f, 2 * f)) / 2;
        for (double y : {std::log(midpoint), std::nextafter(std::log(midpoint), 0.0), std::nextafter(std::log(midpoint), 100.0)}) {
            float v;
            if (expRoundedToFloat(y, v)) {
                ASSERT_EQ(v, static_cast<float>(std::exp(y))) << y;
            } else {
                ++hard;
            }
        }
    }
    EXPECT_GT(hard, 1000);
    // Exact powers of two and the floats around 1, where ln is tiny.
    for (int m = -30; m <= 30; ++m) {
        for (float x : {std::ldexp(1.0f, m), std::nextafter(std::ldexp(1.0f, m), 0.0f)}) {
            float v;
            if (logRoundedToFloat(x, v)) {
                ASSERT_EQ(v, static_cast<float>(std::log(static_cast<double>(x)))) << x;
            }
        }
    }
    EXPECT_GT(decided, tried - tried / 1000);
    float v;
    EXPECT_FALSE(expRoundedToFloat(200.0, v));
    EXPECT_FALSE(expRoundedToFloat(std::nan(""), v));
    EXPECT_FALSE(logRoundedToFloat(0.0f, v));
    EXPECT_FALSE(logRoundedToFloat(-2.0f, v));
    EXPECT_FALSE(logRoundedToFloat(std::numeric_limits<float>::infinity(), v));
}

TEST(ShortMath, ArcTangentStaysWithinItsBound) {
    // Cosines over the whole range and crowded near 1, -1, 0 and the 45
    // degree switch of the bucket key: the short arc tangent lies within
    // 3e-16 of the angle of (c, s) and within 6e-16 of the library's
    // atan(s / c), so that a 1e-15 margin decides theta's rounding.
    std::vector<float> cosines;
    RandomGenerator random;
    random.initialise();
    for (int n = 0; n < 400000; ++n) {
        const float u = random.uniform(), v = random.uniform();
        cosines.push_back(static_cast<float>((u + v / 16384.0) * 2.0 - 1.0));
    }
    for (float edge : {1.0f, -1.0f, 0.0f, 0.70710678f, -0.70710678f}) {
        float below = edge, above = edge;
        for (int n = 0; n < 2000; ++n) {
            below = std::nextafter(below, -2.0f);
            above = std::nextafter(above, 2.0f);
            if (below >= -1.0f) cosines.push_back(below);
            if (above <= 1.0f) cosines.push_back(above);
        }
    }
    double worstToAngle = 0, worstToLibrary = 0;
    for (float cosine : cosines) {
        if (cosine == 0.0f) continue;
        const double c = cosine;
        const double s = std::sqrt(1 - c * c);
        const double shortArc = arcTangentOfSineOverCosine(s, c);
        const long double exact = std::atan2(static_cast<long double>(s), static_cast<long double>(std::abs(c)));
        const double angle = static_cast<double>(c > 0 ? exact : -exact);
        worstToAngle = std::max(worstToAngle, std::abs(shortArc - angle));
        worstToLibrary = std::max(worstToLibrary, std::abs(shortArc - std::atan(s / c)));
    }
    EXPECT_LE(worstToAngle, 3e-16);
    EXPECT_LE(worstToLibrary, 6e-16);
    EXPECT_GT(worstToLibrary, 0.0);  // the two are computed apart
}
