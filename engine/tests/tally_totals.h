#pragma once
// The sum of every sphere count of a tally, for tests of the scoring.

#include <cstdint>

#include "transport/tallies.h"

namespace corvane::testing {

inline std::int64_t totalCounts(const Tallies& t) {
    std::int64_t sum = 0;
    for (const auto& sphere : t.depth)
        for (const auto& component : sphere)
            for (std::int64_t v : component) sum += v;
    return sum;
}

}  // namespace corvane::testing
