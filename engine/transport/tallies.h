#pragma once
// Counts of the six on-axis spheres and of the source, by energy bin.
// Counts are whole numbers kept exactly in 64-bit integers (a 32-bit float
// counter would stop growing at 16 777 216).

#include <array>
#include <cstdint>

#include "files/attenuation_table.h"

namespace corvane {

inline constexpr int kSpheres = 6;      // depths 0, 2, 5, 10, 15, 20 cm
inline constexpr int kComponents = 3;   // 1 primary, 2 scattered, 3 total

// Depths of the sphere centres on the beam axis (cm), sphere j = 1..6 at
// index j - 1, and the squared sphere radius (1 cm diameter).
inline constexpr std::array<float, kSpheres> kSphereDepths{0.0f, 2.0f, 5.0f, 10.0f, 15.0f, 20.0f};
inline constexpr float kSphereRadiusSquared = 0.25f;

struct Tallies {
    // depth[j][c][k]: sphere j = 1..6, component c = 1..3, bin k = 1..300.
    std::array<std::array<std::array<std::int64_t, kBins + 1>, kComponents + 1>, kSpheres + 1> depth{};
    // incident[k]: source photons of bin k entering within 0.5 cm of the axis.
    std::array<std::int64_t, kBins + 1> incident{};

    void clear() {
        for (auto& sphere : depth)
            for (auto& component : sphere) component.fill(0);
        incident.fill(0);
    }
};

// Forms the total component (primary plus scatter) of every sphere for bins
// 1..binCount, limited to the tables.
inline void formTotals(Tallies& tallies, std::int32_t binCount) {
    const int bins = binsInTables(binCount);
    for (int j = 1; j <= kSpheres; ++j) {
        for (int k = 1; k <= bins; ++k) tallies.depth[j][3][k] = tallies.depth[j][1][k] + tallies.depth[j][2][k];
    }
}

// A 64-bit FNV-1a hash over every count of the tallies, sphere by sphere,
// component by component, bin by bin, then the incident counts: one number
// that changes with any count.
inline std::uint64_t tallyChecksum(const Tallies& tallies) {
    std::uint64_t checksum = 1469598103934665603ull;
    const auto add = [&checksum](std::int64_t v) { checksum = (checksum ^ static_cast<std::uint64_t>(v)) * 1099511628211ull; };
    for (const auto& sphere : tallies.depth)
        for (const auto& component : sphere)
            for (std::int64_t v : component) add(v);
    for (std::int64_t v : tallies.incident) add(v);
    return checksum;
}

// The energy bin a photon of energy e (keV) is counted in: int(2e - 0.001) + 1,
// so 0.5 m keV falls in bin m.
inline std::int32_t energyBin(float e) {
    return static_cast<std::int32_t>(2 * static_cast<double>(e) - static_cast<double>(0.001f)) + 1;
}

// Scores one flight from (x0, y0, z0) to (x1, y1, z1) of a photon of energy e
// travelling with polar cosine cosTheta, into component 1 (primary) or 2
// (scattered) of every sphere it passes: the flight's line must meet the
// sphere, and the flight must cross one of the three planes through the
// sphere's centre or start or end inside the sphere. A flight parallel to the
// surface, or with an unchanged x or y, scores nowhere.
void scoreFlight(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta,
                 float e, int component);

}  // namespace corvane
