#include "transport/fast_physics.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "files/run_parameters.h"

namespace corvane {

RandomValueTables::RandomValueTables() {
    for (std::int32_t a = 0; a < RandomGenerator::kModulus; ++a) {
        const auto i = static_cast<std::size_t>(a);
        const float r = RandomGenerator::toUniform(a);
        uniform[i] = r;
        logUniform[i] = a == 0 ? 0.0 : std::log(static_cast<double>(r));
        // The azimuth phi = U * pi * 2, stored, then its cosine and sine.
        const float phi = static_cast<float>(static_cast<double>(r) * kPi * 2);
        cosAzimuth[i] = static_cast<float>(std::cos(static_cast<double>(phi)));
        sinAzimuth[i] = static_cast<float>(std::sin(static_cast<double>(phi)));
    }
}

const RandomValueTables& randomValueTables() {
    static const RandomValueTables tables;
    return tables;
}

template <std::size_t Size>
void RowIndex::build(const std::array<float, Size>& key, int last, float limit) {
    scale_ = kBuckets / static_cast<double>(limit);
    for (int b = 0; b < kBuckets; ++b) {
        // The row of the lower edge of the bucket below: no argument that
        // lands in bucket b is smaller, whatever the rounding of its scaling.
        const float edge = b == 0 ? 0.0f : static_cast<float>((b - 1) / scale_);
        int i = 2;
        while (i < last && key[static_cast<std::size_t>(i)] <= edge) ++i;
        start_[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(b == 0 ? 2 : i);
    }
}

FastPhysics::FastPhysics(const MaterialTable& table)
    : smax(table.smax),
      cmax(table.cmax),
      kahnLimits_(2 * RandomGenerator::kModulus),
      firstScatters_(2 * RandomGenerator::kModulus),
      table_(table),
      tables_(randomValueTables()) {
    for (int row = 1; row <= table.n && row <= kMaxEnergyRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        lnEnergy_[i] = static_cast<float>(std::log(static_cast<double>(table.energy[i])));
        lnCoherent_[i] = static_cast<float>(std::log(static_cast<double>(table.muCoherent[i])));
        lnIncoherent_[i] = static_cast<float>(std::log(static_cast<double>(table.muIncoherent[i])));
        lnPhotoelectric_[i] = static_cast<float>(std::log(static_cast<double>(table.muPhotoelectric[i])));
        if (row >= 2) {
            lnEnergyStep_[i] = static_cast<double>(lnEnergy_[i]) - lnEnergy_[i - 1];
            lnCoherentStep_[i] = static_cast<double>(lnCoherent_[i]) - lnCoherent_[i - 1];
            lnIncoherentStep_[i] = static_cast<double>(lnIncoherent_[i]) - lnIncoherent_[i - 1];
            lnPhotoelectricStep_[i] = static_cast<double>(lnPhotoelectric_[i]) - lnPhotoelectric_[i - 1];
        }
    }
    {
        const float highest = table.n >= 1 && table.n <= kMaxEnergyRows ? table.energy[static_cast<std::size_t>(table.n)] : 0.0f;
        energyRows_.build(table.energy, table.n, highest > 0 ? highest : 1.0f);
    }
    for (int k = 1; k <= kBins; ++k) {
        binCoefficients_[static_cast<std::size_t>(k)] = coefficientsOf(static_cast<float>(k * 0.5));
    }
    for (int row = 2; row <= kMomentumRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        incoherentSlope_[i] = (static_cast<double>(table.incoherentFunction[i]) - table.incoherentFunction[i - 1]) /
                              (static_cast<double>(table.x[i]) - table.x[i - 1]);
    }
    incoherentRows_.build(table.x, kMomentumRows, kMomentumTransferLimit);
    for (std::size_t a = 0; a < coherentX_.size(); ++a) {
        const float c = static_cast<float>(static_cast<double>(tables_.uniform[a]) * cmax);
        coherentX_[a] = coherentMomentumTransfer(c);
    }
}

namespace {

// Whether every double within `margin` of v rounds to the same float as v:
// then a value known to lie that close to v is stored as the same float.
[[gnu::always_inline]] inline bool roundsAlike(double v, double margin) {
    const float f = static_cast<float>(v);
    return static_cast<float>(v - margin) == f && static_cast<float>(v + margin) == f;
}

// pi minus the engine's pi 3.141592f, in double (pi as a sum of two doubles).
constexpr double kPiHigh = 3.141592653589793116;
constexpr double kPiLow = 1.2246467991473532e-16;
const double kPiShortfall = (kPiHigh - static_cast<double>(kPi)) + kPiLow;

// exp: y = k ln2 / 256 + r with |r| <= ln2 / 512 (a little more after the
// rounding of k), exp(y) = 2^(k / 256) exp(r), 2^(j / 256) from a table and
// exp(r) from its Taylor polynomial of degree 3.
constexpr double kExpShift = 0x1.8p52;        // adding it rounds to an integer
constexpr double kTwoFiftySixOverLn2 = 369.32993046757463;
constexpr double kLn2OverTwoFiftySixHigh = 0x1.62e42feep-9;  // 32 bits: k times it is exact
constexpr double kLn2OverTwoFiftySixLow = 1.90821492927058770002e-10 / 256;
const std::array<double, 256> kPowersOfTwo = [] {
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
const std::array<LogRow, 128> kLogRows = [] {
    std::array<LogRow, 128> t{};
    for (int j = 0; j < 128; ++j) {
        const float c = static_cast<float>(1 / (1 + (j + 0.5) / 128));
        t[static_cast<std::size_t>(j)] = LogRow{c, -std::log(static_cast<double>(c))};
    }
    return t;
}();
constexpr double kLn2 = 0.69314718055994530942;

}  // namespace

// The two short functions are written to be inlined where the coefficients
// are interpolated; the named functions below give them to the rest.
namespace {

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
[[gnu::always_inline]] inline bool shortExp(double y, float& result) {
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
    result = static_cast<float>(v);
    return true;
}

// Error of the approximation, absolute: ln2 as a double and m ln2 are within
// 2e-16 |m|, -ln c within 1.6e-16 (the library's logarithm, |ln c| < 0.7),
// the two sums round within 1.1e-16 of a value below 0.7 (|m| + 1) each, and
// the polynomial is within 1e-17: below 5e-16 (|m| + 1). The library's
// logarithm of v is within 1.6e-16 (|m| + 1) as well, so both lie within
// 1e-15 (|m| + 1) of the approximation.
[[gnu::always_inline]] inline bool shortLog(float v, float& result) {
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
    result = static_cast<float>(value);
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
constexpr int kArcNodeCount = 1024;
constexpr int kArcBucketCount = 4096;
constexpr double kArcKeyLimit = 0.7072;
struct ArcNode {
    double cosine, sine;
    double angleHigh, angleLow;  // the angle of (cosine, sine)
};
const std::array<ArcNode, kArcNodeCount + 1> kArcNodes = [] {
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
const std::array<std::uint16_t, 2 * kArcBucketCount> kArcBuckets = [] {
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

// Written without branches: which side of 45 degrees, and the sign of c,
// are as likely one way as the other.
[[gnu::always_inline]] inline double shortArcTangent(double s, double c) {
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

}  // namespace

bool expRoundedToFloat(double y, float& result) { return shortExp(y, result); }
bool logRoundedToFloat(float v, float& result) { return shortLog(v, result); }
double arcTangentOfSineOverCosine(double s, double c) { return shortArcTangent(s, c); }

FastPhysics::IncoherentSetup::IncoherentSetup(float e) {
    ed = e;
    const float k = static_cast<float>(static_cast<double>(kElectronRestEnergy) / ed);
    kd = k;
    p = static_cast<float>((kd + 2.0f) / (9.0f * kd + 2.0f));
    restOverE = kElectronRestEnergy / ed;
    momentumMargin = 1e-15 * (1 + ed);
    energyMargin = 2e-15 * ed * (1 + ed) + 1e-14;
}

// The scattering angle is stored as a float theta, so its sine, cosine and
// half-angle sine are those of an angle a little off the one whose cosine is
// the sampled cos theta. The offset delta between the two is known within
// 3e-16 once the arc tangent is taken, and for |delta| < 1e-6 the rotation by it,
// cos(a + delta) = c (1 - delta^2 / 2) - s delta and so on, gives the three
// values within about 1e-15. Each result is stored as a float (or enters a
// float formula), and it is taken from the rotation only when everything
// within a safe margin of it rounds to the same float; otherwise, and in the
// special cases of the angle (cos theta = 0, a negative cos theta whose arc
// tangent rounds to zero), the library functions give it as the plain
// reading does.
[[gnu::always_inline]] inline FastPhysics::IncoherentAngle FastPhysics::incoherentAngle(const IncoherentSetup& at, float eta) {
    IncoherentAngle angle;
    float cosTheta = static_cast<float>(1 - (static_cast<double>(eta) - 1) * at.restOverE);
    if (cosTheta == 0) {
        angle.theta = static_cast<float>(static_cast<double>(kPi) * 0.5f);
        return angle;
    }
    if (cosTheta > 1) cosTheta = 1;
    const double c = cosTheta;
    const double s = std::sqrt(1 - c * c);
    // The short arc tangent and the library's lie within 1e-15 of each
    // other: when everything that close rounds to one float, that float is
    // the library's theta, and the short value serves as the arc below.
    double arc = shortArcTangent(s, c);
    if (!roundsAlike(arc, 1e-15)) arc = std::atan(s / c);
    angle.theta = static_cast<float>(arc);
    if (angle.theta < 0) {
        angle.theta = static_cast<float>(static_cast<double>(angle.theta) + kPi);
        // theta - (arc + pi), with theta - 3.141592f exact.
        angle.delta = ((static_cast<double>(angle.theta) - static_cast<double>(kPi)) - arc) - kPiShortfall;
        angle.rotated = true;
    } else if (c > 0) {
        angle.delta = static_cast<double>(angle.theta) - arc;  // exact: the two are within a float rounding
        angle.rotated = true;
    }
    angle.cosine = c;
    angle.sine = s;
    return angle;
}

[[gnu::always_inline]] inline float FastPhysics::momentumTransfer(const IncoherentSetup& at, const IncoherentAngle& angle) {
    if (angle.rotated) {
        const double h = angle.delta * 0.5;
        const double halfSine =
            std::sqrt((1 - angle.cosine) * 0.5) * (1 - h * h * 0.5) + std::sqrt((1 + angle.cosine) * 0.5) * h;
        const double xValue = halfSine * at.ed / kHc;
        if (roundsAlike(xValue, at.momentumMargin)) return static_cast<float>(xValue);
    }
    return static_cast<float>(std::sin(static_cast<double>(angle.theta) * 0.5f) * at.ed / kHc);
}

[[gnu::always_inline]] inline Scatter FastPhysics::incoherentScatter(const IncoherentSetup& at, const IncoherentAngle& angle) {
    constexpr double unitMargin = 4e-15;
    const double ed = at.ed;
    Scatter out;
    if (angle.rotated) {
        const double halfDeltaSquared = angle.delta * angle.delta * 0.5;
        const double cosValue = angle.cosine * (1 - halfDeltaSquared) - angle.sine * angle.delta;
        const double sinValue = angle.sine * (1 - halfDeltaSquared) + angle.cosine * angle.delta;
        const double energyValue = ed / ((1 - cosValue) * (ed / kElectronRestEnergy) + 1);
        if (roundsAlike(cosValue, unitMargin) && roundsAlike(sinValue, unitMargin) &&
            roundsAlike(energyValue, at.energyMargin)) {
            out.energy = static_cast<float>(energyValue);
            out.sinTheta = static_cast<float>(sinValue);
            out.cosTheta = static_cast<float>(cosValue);
            return out;
        }
    }
    const double theta = angle.theta;
    out.energy = static_cast<float>(ed / ((1 - std::cos(theta)) * (ed / kElectronRestEnergy) + 1));
    out.sinTheta = static_cast<float>(std::sin(theta));
    out.cosTheta = static_cast<float>(std::cos(theta));
    return out;
}

Scatter FastPhysics::sampleIncoherent(float e, RandomGenerator& random) {
    const float twice = e * 2;  // exact
    if (twice >= 1.0f && twice <= static_cast<float>(kBins)) {
        const auto k = static_cast<std::int32_t>(twice);
        if (static_cast<float>(k) == twice) return sampleIncoherentAtBin(k, e, random);
    }
    return sampleIncoherentAnywhere(e, random);
}

Scatter FastPhysics::sampleIncoherentAnywhere(float e, RandomGenerator& random) const {
    const IncoherentSetup at(e);
    const auto& uniform = tables_.uniform;
    IncoherentAngle angle;
    for (;;) {
        const float u1 = uniform[static_cast<std::size_t>(random.nextInteger())];
        const float u2 = uniform[static_cast<std::size_t>(random.nextInteger())];
        const float u3 = uniform[static_cast<std::size_t>(random.nextInteger())];
        float eta;
        if (!kahnAttempt(at.kd, at.p, u1, u2, u3, eta)) continue;
        angle = incoherentAngle(at, eta);
        const float x = momentumTransfer(at, angle);
        if (!(x < kMomentumTransferLimit)) break;
        const float s = incoherentFunctionAt(x);
        const float u4 = uniform[static_cast<std::size_t>(random.nextInteger())];
        if (static_cast<double>(s) / smax >= u4) break;
    }
    return incoherentScatter(at, angle);
}

// The number of draws a whose uniform number lies below v (or at most v):
// the draws that pass a test "v > u" (or "v >= u"), as the uniform numbers
// rise with a. Each uniform number is a / D within a relative 2^-24, so the
// count is found a step or two from v D.
std::uint16_t FastPhysics::drawsBelow(double v, bool orEqual) const {
    const auto& uniform = tables_.uniform;
    const auto passes = [&](std::int32_t a) {
        const double u = uniform[static_cast<std::size_t>(a)];
        return orEqual ? u <= v : u < v;
    };
    const double estimate = v * static_cast<double>(RandomGenerator::kDivisor);
    std::int32_t count = 0;
    if (estimate >= RandomGenerator::kModulus) count = RandomGenerator::kModulus;
    else if (estimate > 0) count = static_cast<std::int32_t>(estimate);
    while (count > 0 && !passes(count - 1)) --count;
    while (count < RandomGenerator::kModulus && passes(count)) ++count;
    return static_cast<std::uint16_t>(count);
}

// At a bin energy, an attempt's outcome depends only on its branch (u1
// against p) and on the draw a2 of u2: the Kahn acceptance value and the
// S(x) / SMAX ratio become the counts of third and fourth draws that pass
// them, and the scatter of an accepted attempt, with the coefficients of its
// new energy, is worked out once. Entries are filled on first use and carry
// their bin, so a run through a bin's histories computes each at most once.
Scatter FastPhysics::sampleIncoherentAtBin(std::int32_t k, float e, RandomGenerator& random) {
    const auto bin = static_cast<std::uint16_t>(k);
    if (binSetupFor_ != k) {
        binSetup_ = IncoherentSetup(e);
        binSetupFor_ = k;
    }
    const IncoherentSetup& at = binSetup_;
    const auto& uniform = tables_.uniform;
    for (;;) {
        const auto a1 = static_cast<std::size_t>(random.nextInteger());
        const auto a2 = static_cast<std::size_t>(random.nextInteger());
        const auto a3 = static_cast<std::size_t>(random.nextInteger());
        const std::size_t key = (uniform[a1] <= at.p ? 0 : RandomGenerator::kModulus) + a2;
        KahnLimit& limit = kahnLimits_[key];
        if (limit.bin != bin) {
            limit.passing = drawsBelow(kahnProposal(at.kd, at.p, uniform[a1], uniform[a2]).acceptance, false);
            limit.bin = bin;
        }
        if (a3 >= limit.passing) continue;
        FirstScatter& outcome = firstScatters_[key];
        if (outcome.bin != bin) {
            const IncoherentAngle angle = incoherentAngle(at, kahnProposal(at.kd, at.p, uniform[a1], uniform[a2]).eta);
            const float x = momentumTransfer(at, angle);
            outcome.passing = x < kMomentumTransferLimit
                                  ? drawsBelow(static_cast<double>(incoherentFunctionAt(x)) / smax, true)
                                  : kNoFunctionTest;
            outcome.scatter = incoherentScatter(at, angle);
            if (outcome.scatter.energy >= kEnergyCutoff) outcome.next = coefficientsOf(outcome.scatter.energy);
            outcome.bin = bin;
        }
        if (outcome.passing != kNoFunctionTest && static_cast<std::size_t>(random.nextInteger()) >= outcome.passing) {
            continue;
        }
        // The flight after the scatter looks up the new energy next.
        if (outcome.scatter.energy >= kEnergyCutoff) {
            lastEnergy_ = outcome.scatter.energy;
            last_ = outcome.next;
        }
        return outcome.scatter;
    }
}

InteractionCoefficients FastPhysics::interpolateCoefficients(float e) const {
    float lnE;
    if (!shortLog(e, lnE)) lnE = static_cast<float>(std::log(static_cast<double>(e)));
    // The first row i >= 2 with E[i] > e, bounded by the last row.
    const auto i = static_cast<std::size_t>(energyRows_.row(table_.energy, table_.n, e));
    const double lnELow = lnEnergy_[i - 1];
    const float f = static_cast<float>((static_cast<double>(lnE) - lnELow) / lnEnergyStep_[i]);
    const auto exponential = [](double y) {
        float v;
        if (!shortExp(y, v)) v = static_cast<float>(std::exp(y));
        return v;
    };
    InteractionCoefficients mu;
    mu.coherent = exponential(lnCoherentStep_[i] * f + lnCoherent_[i - 1]);
    mu.incoherent = exponential(lnIncoherentStep_[i] * f + lnIncoherent_[i - 1]);
    mu.photoelectric = exponential(lnPhotoelectricStep_[i] * f + lnPhotoelectric_[i - 1]);
    return mu;
}

void FastPhysics::score(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta,
                        float e, int component, int batch) {
    const std::int32_t k = energyBin(e);
    if (k < 1 || k > kBins || component < 1 || component > 2) return;
    addTrackLengths(tallies, x0, y0, z0, x1, y1, z1, component, k, batch);
    if (cosTheta == 0 || x1 == x0 || y1 == y0) return;
    const double r2 = kSphereRadiusSquared;
    const double xd0 = x0, yd0 = y0, zd0 = z0, xd1 = x1, yd1 = y1, zd1 = z1;
    // The line, the same for every sphere.
    const float a = static_cast<float>((yd1 - yd0) / (xd1 - xd0));
    const float b = static_cast<float>((zd1 - zd0) / (xd1 - xd0));
    const double ad = a, bd = b;
    const double zAtX0 = zd0 - xd0 * bd;
    const double yOffset = yd0 - xd0 * ad;
    const float qa = static_cast<float>(bd * bd + ad * ad + 1);
    const double qad = qa;
    const double yOffsetA = yOffset * ad;
    const double yOffsetSquared = yOffset * yOffset;
    // Crossing the planes x = 0 or y = 0 does not depend on the sphere.
    const bool crossesAxisPlane = xd1 * xd0 <= 0 || yd1 * yd0 <= 0;
    const double y0Squared = yd0 * yd0, x0Squared = xd0 * xd0, y1Squared = yd1 * yd1, x1Squared = xd1 * xd1;
    // The discriminant of every sphere, two spheres at a time in vector
    // registers and without branches (most flights meet no sphere), each
    // operation the same rounding as its scalar form. Written out with the
    // SSE2 operations rather than left to the compiler's vectoriser, which
    // was seen to change the roundings of such a loop.
    unsigned meets = 0;  // bit j: the line meets sphere j + 1 (a discriminant that is not a number counts)
#if defined(__SSE2__)
    {
        const __m128d zAtX0Pair = _mm_set1_pd(zAtX0), bPair = _mm_set1_pd(bd), yOffsetAPair = _mm_set1_pd(yOffsetA);
        const __m128d yOffsetSquaredPair = _mm_set1_pd(yOffsetSquared), r2Pair = _mm_set1_pd(r2);
        const __m128d qaPair = _mm_set1_pd(qad), minusTwo = _mm_set1_pd(-2.0), four = _mm_set1_pd(4.0);
        const __m128d zero = _mm_setzero_pd();
        for (std::size_t j = 0; j < kSpheres; j += 2) {
            const __m128d depth = _mm_set_pd(kSphereDepths[j + 1], kSphereDepths[j]);
            const __m128d zOffset = _mm_sub_pd(zAtX0Pair, depth);
            // float(-2 (zOffset b + yOffset a)) and float(zOffset^2 + yOffset^2 - r^2), back in double
            const __m128d qb = _mm_cvtps_pd(_mm_cvtpd_ps(
                _mm_mul_pd(minusTwo, _mm_add_pd(_mm_mul_pd(zOffset, bPair), yOffsetAPair))));
            const __m128d qc = _mm_cvtps_pd(_mm_cvtpd_ps(
                _mm_sub_pd(_mm_add_pd(_mm_mul_pd(zOffset, zOffset), yOffsetSquaredPair), r2Pair)));
            // float(qb qb - qc qa 4), then !(disc < 0)
            const __m128d disc = _mm_cvtps_pd(_mm_cvtpd_ps(
                _mm_sub_pd(_mm_mul_pd(qb, qb), _mm_mul_pd(_mm_mul_pd(qc, qaPair), four))));
            meets |= static_cast<unsigned>(_mm_movemask_pd(_mm_cmpnlt_pd(disc, zero))) << j;
        }
    }
#else
    for (std::size_t j = 0; j < kSpheres; ++j) {
        const double zOffset = zAtX0 - static_cast<double>(kSphereDepths[j]);
        const float qb = static_cast<float>(-2 * (zOffset * bd + yOffsetA));
        const float qc = static_cast<float>(zOffset * zOffset + yOffsetSquared - r2);
        const float disc = static_cast<float>(static_cast<double>(qb) * qb - static_cast<double>(qc) * qad * 4);
        if (!(disc < 0)) meets |= 1u << j;
    }
#endif
    if (meets == 0) return;
    for (int j = 1; j <= kSpheres; ++j) {
        if (!(meets >> (j - 1) & 1u)) continue;
        const double d = kSphereDepths[static_cast<std::size_t>(j - 1)];
        bool scores = crossesAxisPlane || (zd1 - d) * (zd0 - d) <= 0;
        if (!scores) {
            const float dist0 = static_cast<float>((zd0 - d) * (zd0 - d) + y0Squared + x0Squared);
            const float dist1 = static_cast<float>((zd1 - d) * (zd1 - d) + y1Squared + x1Squared);
            scores = dist0 <= r2 || dist1 <= r2;
        }
        if (scores) tallies.countFlight(j, component, k, batch);
    }
}

}  // namespace corvane
