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

}  // namespace corvane
