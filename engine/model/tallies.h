#pragma once
// Counts of the six on-axis spheres and of the source, by energy bin.
// Counts are whole numbers kept exactly in 64-bit integers (a 32-bit float
// counter would stop growing at 16 777 216).

#include <array>
#include <cstdint>

#include "model/energy_grid.h"
#include "model/phantom.h"

namespace corvane {

inline constexpr int kComponents = 3;  // 1 primary, 2 scattered, 3 total

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
    for (std::size_t j = 1; j <= kSpheres; ++j) {
        for (std::size_t k = 1; k <= static_cast<std::size_t>(bins); ++k) {
            tallies.depth[j][3][k] = tallies.depth[j][1][k] + tallies.depth[j][2][k];
        }
    }
}

// A 64-bit FNV-1a hash over every count of the tallies, sphere by sphere,
// component by component, bin by bin, then the incident counts: one number
// that changes with any count.
inline std::uint64_t tallyChecksum(const Tallies& tallies) {
    std::uint64_t checksum = 1469598103934665603ull;
    const auto add = [&checksum](std::int64_t v) {
        checksum = (checksum ^ static_cast<std::uint64_t>(v)) * 1099511628211ull;
    };
    for (const auto& sphere : tallies.depth)
        for (const auto& component : sphere)
            for (std::int64_t v : component) add(v);
    for (std::int64_t v : tallies.incident) add(v);
    return checksum;
}

}  // namespace corvane
