#pragma once
// The memo of first incoherent scatters. At a bin energy, where every
// primary photon scatters first, the outcome of an incoherent attempt depends
// on two draws only (the branch and u2): the acceptance tests become counts
// of passing draws, and the scatter with the coefficients of its new energy
// is worked out once per bin and attempt key. One memo per core: it is
// filled as the core's histories ask.

#include <cstdint>
#include <vector>

#include "transport/fast_incoherent.h"
#include "transport/fast_tables.h"
#include "transport/interactions.h"
#include "transport/random_generator.h"

namespace corvane {

class FirstScatterMemo {
public:
    FirstScatterMemo();

    // The scatter, and the coefficients of its energy when it is followed
    // (not below the cut-off), both kept in the memo.
    struct Outcome {
        const Scatter* scatter;
        const FastCoefficients* next;
    };

    // An incoherent scatter at the energy e = 0.5 k keV of bin k, drawing
    // exactly the numbers the plain sampler draws.
    Outcome sample(const FastTables& tables, std::int32_t k, float e, RandomGenerator& random);

private:
    // Per attempt key (branch x 16384 + a2) at the bin `bin`: the count of
    // third draws that accept the proposal, and for an accepted one the count
    // of fourth draws that pass S(x) / SMAX (or no fourth draw at x >= 10),
    // the scatter and the coefficients of its energy.
    static constexpr std::uint16_t kNoFunctionTest = 0xffff;
    struct KahnLimit {
        std::uint16_t bin = 0;
        std::uint16_t passing = 0;
    };
    struct FirstScatter {
        std::uint16_t bin = 0;
        std::uint16_t passing = 0;
        Scatter scatter;
        FastCoefficients next;
    };
    std::vector<KahnLimit> kahnLimits_;
    std::vector<FirstScatter> firstScatters_;
    IncoherentSetup binSetup_;
    std::int32_t binSetupFor_ = 0;
};

}  // namespace corvane
