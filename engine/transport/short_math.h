#pragma once
// Short exponential, logarithm and arc tangent for the fast transport, each
// with the bound of its error: the exponential and the logarithm give the
// float the library's double result rounds to, or say they cannot decide;
// the arc tangent is as close to the true angle as the library's. They are
// inline, to be compiled into the interpolation of the coefficients and the
// incoherent scatter that call them on every new energy.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "model/arithmetic.h"
#include "model/energy_grid.h"

namespace corvane {

// Whether every double within `margin` of v rounds to the same float as v:
// then a value known to lie that close to v is stored as the same float.
[[gnu::always_inline]] inline bool roundsAlike(double v, double margin) {
    const float f = storeFloat(v);
    return storeFloat(v - margin) == f && storeFloat(v + margin) == f;
}

// pi minus the engine's pi 3.141592f, in double (pi as a sum of two doubles).
inline constexpr double kPiHigh = 3.141592653589793116;
inline constexpr double kPiLow = 1.2246467991473532e-16;
inline const double kPiShortfall = (kPiHigh - asDouble(kPi)) + kPiLow;

// exp: y = k ln2 / 256 + r with |r| <= ln2 / 512 (a little more after the
// rounding of k), exp(y) = 2^(k / 256) exp(r), 2^(j / 256) from a table and
// exp(r) from its Taylor polynomial of degree 3.
inline constexpr double kExpShift = 0x1.8p52;        // adding it rounds to an integer
inline constexpr double kTwoFiftySixOverLn2 = 369.32993046757463;
inline constexpr double kLn2OverTwoFiftySixHigh = 0x1.62e42feep-9;  // 32 bits: k times it is exact
inline constexpr double kLn2OverTwoFiftySixLow = 1.90821492927058770002e-10 / 256;
inline const std::array<double, 256> kPowersOfTwo = [] {
    std::array<double, 256> t{};
    for (int j = 0; j < 256; ++j) t[static_cast<std::size_t>(j)] = std::exp2(j / 256.0);
    return t;
}();

// log: v = 2^m x with x in [1, 2), x c = 1 + r for c, a float near the
// inverse of the middle of x's 1/128 interval, so that x c and r are exact
// and |r| < 1/250; ln v = m ln2 - ln c + ln(1 + r), the last from its Taylor
// polynomial of degree 6.
struct LogRow {
    double inverse;        // c
    double minusLogInverse;  // -ln c
};
inline const std::array<LogRow, 128> kLogRows = [] {
    std::array<LogRow, 128> t{};
    for (int j = 0; j < 128; ++j) {
        const float c = storeFloat(1 / (1 + (j + 0.5) / 128));
        t[static_cast<std::size_t>(j)] = LogRow{c, -std::log(asDouble(c))};
    }
    return t;
}();
inline constexpr double kLn2 = 0.69314718055994530942;

// exp(y) rounded to float exactly as the library's double result would be,
// from a table and a short polynomial: true when every double within the
// error bound of the approximation (and of the library's own error) rounds
// to the same float, which is then the result; false when the value lies too
// close to a rounding boundary to decide, or outside the covered range.
//
// Error of the approximation, relative: the reduced argument r is within
// 1e-17 of y - k ln2 / 256 (k ln2_high is exact, the two subtractions round
// once each, |k| < 2^15); the polynomial's truncation is below 1.5e-13 for
// |r| < 0.00136 and its evaluation rounds within 2e-16; the table entry is
// within one unit in the last place (2.3e-16) and the product rounds within
// 1.1e-16. The library's exponential is within one unit in the last place as
// well, so both lie within 2e-13 v of the approximation v, less than 2048
// units in the last place of v (at least v 2^-53 each). A float keeps the
// upper 24 of the 53 bits of a double of its range, so rounding goes by the
// lower 29 bits, and the only boundaries near v lie where they read 2^28,
// the midpoint between two floats (the boundaries around a power of two are
// 2^27 units away from it): when they differ from 2^28 by more than 2048,
// every double within 2048 units of v rounds to the float of v.
[[gnu::always_inline]] inline bool expRoundedToFloat(double y, float& result) {
    if (!(y > -80.0 && y < 80.0)) return false;  // results that are normal floats
    const double shifted = y * kTwoFiftySixOverLn2 + kExpShift;
    const double kd = shifted - kExpShift;
    const auto k = static_cast<std::int32_t>(std::bit_cast<std::uint64_t>(shifted));
    const double r = (y - kd * kLn2OverTwoFiftySixHigh) - kd * kLn2OverTwoFiftySixLow;
    const double p = 1 + r * (1 + r * (0.5 + r * (1.0 / 6)));
    const std::int32_t m = k >> 8;  // floor(k / 256)
    const double scale = std::bit_cast<double>(static_cast<std::uint64_t>(1023 + m) << 52);
    const double v = kPowersOfTwo[static_cast<std::size_t>(k & 255)] * p * scale;
    const std::uint64_t dropped = std::bit_cast<std::uint64_t>(v) & 0x1fffffffu;
    if (dropped - (0x10000000u - 2048u) <= 4096u) return false;  // within 2048 units of a midpoint
    result = storeFloat(v);
    return true;
}

// ln(v) rounded to float exactly as the library's double result would be, in
// the same way as the exponential.
//
// Error of the approximation, absolute: ln2 as a double and m ln2 are within
// 2e-16 |m|, -ln c within 1.6e-16 (the library's logarithm, |ln c| < 0.7),
// the two sums round within 1.1e-16 of a value below 0.7 (|m| + 1) each, and
// the polynomial is within 1e-17: below 5e-16 (|m| + 1). The library's
// logarithm of v is within 1.6e-16 (|m| + 1) as well, so both lie within
// 1e-15 (|m| + 1) of the approximation.
[[gnu::always_inline]] inline bool logRoundedToFloat(float v, float& result) {
    const auto bits = std::bit_cast<std::uint32_t>(v);
    const std::int32_t exponent = static_cast<std::int32_t>(bits >> 23);
    if (exponent == 0 || exponent >= 255) return false;  // zero, subnormal, negative, infinite or not a number
    const std::int32_t m = exponent - 127;
    const LogRow& row = kLogRows[(bits >> 16) & 127];
    const double x = std::bit_cast<float>((bits & 0x7fffffu) | 0x3f800000u);
    const double r = x * row.inverse - 1;  // exact
    const double p =
        r * (1 + r * (-0.5 + r * (1.0 / 3 + r * (-0.25 + r * (0.2 + r * (-1.0 / 6))))));
    const double value = (m * kLn2 + row.minusLogInverse) + p;
    const double margin = 1e-15 * (std::abs(m) + 1);
    if (!roundsAlike(value, margin)) return false;
    result = storeFloat(value);
    return true;
}

// The arc tangent: the angle phi of (|c|, s) in [0, pi/2] is found near
// one of 1024 evenly spaced nodes theta_j, whose cosine and sine are kept as
// doubles with the exact angle of that rounded pair (atan2 in long double,
// as a sum of two doubles). Turning (|c|, s) back by the node gives
// phi - theta_j = atan(r), r = (s cj - |c| sj) / (|c| cj + s sj), and
// |r| < 1e-3, where r - r^3 / 3 + r^5 / 5 is within 2e-22. The node comes
// from a bucket of the smaller of s and |c| (the sine below 45 degrees, the
// cosine above, both at most 0.7072), in which the angle moves by less than
// 2.5e-4. Errors: the numerator loses at most 1.6e-16 to cancellation and
// its products, the quotient another 2 roundings of r, the final sum half a
// unit in the last place of phi (1.1e-16): within 3e-16 in all.
inline constexpr int kArcNodeCount = 1024;
inline constexpr int kArcBucketCount = 4096;
inline constexpr double kArcKeyLimit = 0.7072;
struct ArcNode {
    double cosine, sine;
    double angleHigh, angleLow;  // the angle of (cosine, sine)
};
inline const std::array<ArcNode, kArcNodeCount + 1> kArcNodes = [] {
    std::array<ArcNode, kArcNodeCount + 1> t{};
    for (int j = 0; j <= kArcNodeCount; ++j) {
        const long double angle = static_cast<long double>(j) * (kPiHigh / 2) / kArcNodeCount;
        ArcNode& n = t[static_cast<std::size_t>(j)];
        n.cosine = static_cast<double>(std::cos(angle));
        n.sine = static_cast<double>(std::sin(angle));
        const long double exact = std::atan2(static_cast<long double>(n.sine), static_cast<long double>(n.cosine));
        n.angleHigh = static_cast<double>(exact);
        n.angleLow = static_cast<double>(exact - static_cast<long double>(n.angleHigh));
    }
    return t;
}();
// The node nearest the middle of each bucket: by the sine for angles up to
// 45 degrees, by the cosine above.
// Buckets 0..4095 by the sine, 4096..8191 by the cosine.
inline const std::array<std::uint16_t, 2 * kArcBucketCount> kArcBuckets = [] {
    std::array<std::uint16_t, 2 * kArcBucketCount> t{};
    const double spacing = (kPiHigh / 2) / kArcNodeCount;
    for (int b = 0; b < kArcBucketCount; ++b) {
        const double middle = (b + 0.5) * kArcKeyLimit / kArcBucketCount;
        t[static_cast<std::size_t>(b)] = static_cast<std::uint16_t>(std::lround(std::asin(middle) / spacing));
        t[static_cast<std::size_t>(kArcBucketCount + b)] =
            static_cast<std::uint16_t>(std::lround(std::acos(middle) / spacing));
    }
    return t;
}();

// The arc tangent of s / c for a cosine c != 0 and s = sqrt(1 - c^2), within
// 3e-16 of the angle of the vector (c, s), as the library's atan(s / c) is.
// Written without branches: which side of 45 degrees, and the sign of c,
// are as likely one way as the other.
[[gnu::always_inline]] inline double arcTangentOfSineOverCosine(double s, double c) {
    const double a = std::abs(c);
    const double key = std::min(s, a);
    auto b = static_cast<std::int32_t>(key * (kArcBucketCount / kArcKeyLimit));
    b = std::min(b, kArcBucketCount - 1);
    const std::int32_t side = static_cast<std::int32_t>(s > a) * kArcBucketCount;
    const ArcNode& n = kArcNodes[kArcBuckets[static_cast<std::size_t>(side + b)]];
    const double r = (s * n.cosine - a * n.sine) / (a * n.cosine + s * n.sine);
    const double r2 = r * r;
    const double phi = n.angleHigh + (n.angleLow + (r + r * r2 * (-1.0 / 3 + r2 * 0.2)));
    return std::copysign(phi, c);
}

}  // namespace corvane
