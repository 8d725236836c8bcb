#include "transport/fast_physics.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#if defined(__SSE2__) && !defined(CORVANE_SCALAR_SPHERE_TEST)
#include <emmintrin.h>
#endif

#include "model/energy_grid.h"
#include "transport/short_math.h"

namespace corvane {

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
    double arc = arcTangentOfSineOverCosine(s, c);
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
    if (!logRoundedToFloat(e, lnE)) lnE = static_cast<float>(std::log(static_cast<double>(e)));
    // The first row i >= 2 with E[i] > e, bounded by the last row.
    const auto i = static_cast<std::size_t>(energyRows_.row(table_.energy, table_.n, e));
    const double lnELow = lnEnergy_[i - 1];
    const float f = static_cast<float>((static_cast<double>(lnE) - lnELow) / lnEnergyStep_[i]);
    const auto exponential = [](double y) {
        float v;
        if (!expRoundedToFloat(y, v)) v = static_cast<float>(std::exp(y));
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
#if defined(__SSE2__) && !defined(CORVANE_SCALAR_SPHERE_TEST)
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
