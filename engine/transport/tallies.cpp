#include "transport/tallies.h"

namespace corvane {

void scoreFlight(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta,
                 float e, int component) {
    if (cosTheta == 0 || x1 == x0 || y1 == y0) return;
    const std::int32_t k = energyBin(e);
    if (k < 1 || k > kBins || component < 1 || component > 2) return;  // never outside the tables
    const double r2 = kSphereRadiusSquared;
    for (int j = 1; j <= kSpheres; ++j) {
        const double d = kSphereDepths[static_cast<std::size_t>(j - 1)];
        // The flight's line with x as parameter: y = (Y - X a) + a x, z = (Z - X b) + b x.
        const float a = static_cast<float>((static_cast<double>(y1) - y0) / (static_cast<double>(x1) - x0));
        const float b = static_cast<float>((static_cast<double>(z1) - z0) / (static_cast<double>(x1) - x0));
        const double ad = a;
        const double bd = b;
        const double zOffset = static_cast<double>(z0) - static_cast<double>(x0) * bd - d;
        const double yOffset = static_cast<double>(y0) - static_cast<double>(x0) * ad;
        const float qa = static_cast<float>(bd * bd + ad * ad + 1);
        const float qb = static_cast<float>(-2 * (zOffset * bd + yOffset * ad));
        const float qc = static_cast<float>(zOffset * zOffset + yOffset * yOffset - r2);
        const float disc = static_cast<float>(static_cast<double>(qb) * qb - static_cast<double>(qc) * qa * 4);
        if (disc < 0) continue;  // the line misses the sphere
        const float d0 = static_cast<float>((static_cast<double>(z0) - d) * (static_cast<double>(z0) - d) +
                                            static_cast<double>(y0) * y0 + static_cast<double>(x0) * x0);
        const float d1 = static_cast<float>((static_cast<double>(z1) - d) * (static_cast<double>(z1) - d) +
                                            static_cast<double>(y1) * y1 + static_cast<double>(x1) * x1);
        if (static_cast<double>(x1) * x0 <= 0 || static_cast<double>(y1) * y0 <= 0 ||
            (static_cast<double>(z1) - d) * (static_cast<double>(z0) - d) <= 0 || d0 <= r2 || d1 <= r2) {
            ++tallies.depth[static_cast<std::size_t>(j)][static_cast<std::size_t>(component)][static_cast<std::size_t>(k)];
        }
    }
}

}  // namespace corvane
