#pragma once
// Small helpers of the transport tests: the small material table of the
// fixtures and sums over the tallies.

#include <cstdint>
#include <filesystem>

#include "files/material_table.h"
#include "model/tallies.h"

namespace corvane::testing {

// The fixture: energies 1, 10, 100, 200 keV, x = 0 to 11 per angstrom.
inline MaterialTable smallTable() {
    return readMaterialTable(std::filesystem::path(ENGINE_FIXTURES) / "transport" / "small_material.dat");
}

// The sum of one component over every sphere and bin.
inline std::int64_t depthSum(const Tallies& t, int component) {
    std::int64_t sum = 0;
    for (int j = 1; j <= kSpheres; ++j)
        for (std::int64_t v : t.depth[static_cast<std::size_t>(j)][static_cast<std::size_t>(component)]) sum += v;
    return sum;
}

}  // namespace corvane::testing
