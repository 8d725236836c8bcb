#include "transport/tallies.h"

#include <algorithm>
#include <cmath>
#include "model/arithmetic.h"

namespace corvane {
namespace {

void addTrack(Tallies& tallies, int j, int component, int k, int batch, double chord) {
    if (!(chord > 0)) return;
    tallies.addTrackUnits(j, component, k, batch, static_cast<std::int32_t>(chord * kTrackUnitsPerCm));
}

}  // namespace

double chordInSphere(double x0, double y0, double z0, double vx, double vy, double vz, double d, bool ray) {
    const double squaredLength = vx * vx + vy * vy + vz * vz;
    if (!(squaredLength > 0)) return 0;
    const double length = std::sqrt(squaredLength);
    const double ux = vx / length, uy = vy / length, uz = vz / length;
    // The point of the line nearest the centre, at distance `nearest` along
    // the path from p0, and its squared distance from the centre (formed from
    // the offset vector, which keeps its precision when the line grazes).
    const double fz = z0 - d;
    const double nearest = -(x0 * ux + y0 * uy + fz * uz);
    const double px = x0 + nearest * ux, py = y0 + nearest * uy, pz = fz + nearest * uz;
    const double r2 = asDouble(kSphereRadiusSquared);
    const double h2 = px * px + py * py + pz * pz;
    if (!(h2 < r2)) return 0;
    const double halfChord = std::sqrt(r2 - h2);
    const double from = std::max(nearest - halfChord, 0.0);
    const double to = ray ? nearest + halfChord : std::min(nearest + halfChord, length);
    return to > from ? to - from : 0;
}

void addTrackLengths(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, int component,
                     int k, int batch) {
    const double xd0 = asDouble(x0), yd0 = asDouble(y0), zd0 = asDouble(z0);
    const double xd1 = asDouble(x1), yd1 = asDouble(y1), zd1 = asDouble(z1);
    const bool ray = z1 <= 0;  // left through the entrance surface
    constexpr double radius = 0.5;
    if (!ray) {
        // A segment whose points all lie more than a radius off the axis in
        // x or in y meets no sphere (most flights).
        if ((xd0 > radius && xd1 > radius) || (xd0 < -radius && xd1 < -radius) || (yd0 > radius && yd1 > radius) ||
            (yd0 < -radius && yd1 < -radius)) {
            return;
        }
    }
    const double zLow = ray ? -HUGE_VAL : std::min(zd0, zd1);
    const double zHigh = ray ? zd0 : std::max(zd0, zd1);
    for (int j = 1; j <= kSpheres; ++j) {
        const double d = asDouble(kSphereDepths[static_cast<std::size_t>(j - 1)]);
        if (zLow > d + radius || zHigh < d - radius) continue;
        addTrack(tallies, j, component, k, batch, chordInSphere(xd0, yd0, zd0, xd1 - xd0, yd1 - yd0, zd1 - zd0, d, ray));
    }
}

void addSourceRay(Tallies& tallies, float x, float y, float ssd, int k, int batch) {
    const double xd = asDouble(x), yd = asDouble(y);
    // At 1 cm off the axis at the surface the ray passes the sphere's half in
    // front of the phantom more than 0.99 cm off the axis.
    if (xd * xd + yd * yd >= 1) return;
    const double from = -asDouble(ssd);
    addTrack(tallies, 1, 1, k, batch, chordInSphere(0, 0, from, xd, yd, -from, kSphereDepths[0], false));
}

void scoreFlight(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta,
                 float e, int component, int batch) {
    const std::int32_t k = energyBin(e);
    if (k < 1 || k > kBins || component < 1 || component > 2) return;  // never outside the tables
    addTrackLengths(tallies, x0, y0, z0, x1, y1, z1, component, k, batch);
    if (cosTheta == 0 || x1 == x0 || y1 == y0) return;
    const double r2 = asDouble(kSphereRadiusSquared);
    for (int j = 1; j <= kSpheres; ++j) {
        const double d = asDouble(kSphereDepths[static_cast<std::size_t>(j - 1)]);
        // The flight's line with x as parameter: y = (Y - X a) + a x, z = (Z - X b) + b x.
        const float a = storeFloat((asDouble(y1) - y0) / (asDouble(x1) - x0));
        const float b = storeFloat((asDouble(z1) - z0) / (asDouble(x1) - x0));
        const double ad = asDouble(a);
        const double bd = asDouble(b);
        const double zOffset = asDouble(z0) - asDouble(x0) * bd - d;
        const double yOffset = asDouble(y0) - asDouble(x0) * ad;
        // The points of the line on the sphere: qa x^2 + qb x + qc = 0, met
        // when its discriminant is not negative.
        const float qa = storeFloat(bd * bd + ad * ad + 1);
        const float qb = storeFloat(-2 * (zOffset * bd + yOffset * ad));
        const float qc = storeFloat(zOffset * zOffset + yOffset * yOffset - r2);
        const float disc = storeFloat(asDouble(qb) * qb - asDouble(qc) * qa * 4);
        if (disc < 0) continue;  // the line misses the sphere
        const float d0 = storeFloat((asDouble(z0) - d) * (asDouble(z0) - d) +
                                            asDouble(y0) * y0 + asDouble(x0) * x0);
        const float d1 = storeFloat((asDouble(z1) - d) * (asDouble(z1) - d) +
                                            asDouble(y1) * y1 + asDouble(x1) * x1);
        if (asDouble(x1) * x0 <= 0 || asDouble(y1) * y0 <= 0 ||
            (asDouble(z1) - d) * (asDouble(z0) - d) <= 0 || d0 <= r2 || d1 <= r2) {
            tallies.countFlight(j, component, k, batch);
        }
    }
}

}  // namespace corvane
