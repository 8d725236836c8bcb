#include "transport/sphere_scoring.h"

#include <cstddef>
#if defined(__SSE2__) && !defined(CORVANE_SCALAR_SPHERE_TEST)
#include <emmintrin.h>
#include "model/arithmetic.h"
#endif

namespace corvane {

void scoreFlightFast(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta,
                     float e, int component, int batch) {
    const std::int32_t k = energyBin(e);
    if (k < 1 || k > kBins || component < 1 || component > 2) return;
    addTrackLengths(tallies, x0, y0, z0, x1, y1, z1, component, k, batch);
    if (cosTheta == 0 || x1 == x0 || y1 == y0) return;
    const double r2 = asDouble(kSphereRadiusSquared);
    const double xd0 = asDouble(x0), yd0 = asDouble(y0), zd0 = asDouble(z0);
    const double xd1 = asDouble(x1), yd1 = asDouble(y1), zd1 = asDouble(z1);
    // The line, the same for every sphere.
    const float a = storeFloat((yd1 - yd0) / (xd1 - xd0));
    const float b = storeFloat((zd1 - zd0) / (xd1 - xd0));
    const double ad = asDouble(a), bd = asDouble(b);
    const double zAtX0 = zd0 - xd0 * bd;
    const double yOffset = yd0 - xd0 * ad;
    // The quadratic qa x^2 + qb x + qc = 0 of the line's points on a sphere.
    const float qa = storeFloat(bd * bd + ad * ad + 1);
    const double qad = asDouble(qa);
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
        const double zOffset = zAtX0 - asDouble(kSphereDepths[j]);
        const float qb = storeFloat(-2 * (zOffset * bd + yOffsetA));
        const float qc = storeFloat(zOffset * zOffset + yOffsetSquared - r2);
        const float disc = storeFloat(asDouble(qb) * qb - asDouble(qc) * qad * 4);
        if (!(disc < 0)) meets |= 1u << j;
    }
#endif
    if (meets == 0) return;
    for (int j = 1; j <= kSpheres; ++j) {
        if (!(meets >> (j - 1) & 1u)) continue;
        const double d = asDouble(kSphereDepths[static_cast<std::size_t>(j - 1)]);
        bool scores = crossesAxisPlane || (zd1 - d) * (zd0 - d) <= 0;
        if (!scores) {
            const float dist0 = storeFloat((zd0 - d) * (zd0 - d) + y0Squared + x0Squared);
            const float dist1 = storeFloat((zd1 - d) * (zd1 - d) + y1Squared + x1Squared);
            scores = dist0 <= r2 || dist1 <= r2;
        }
        if (scores) tallies.countFlight(j, component, k, batch);
    }
}

}  // namespace corvane
