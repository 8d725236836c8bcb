#include "transport/first_scatter_memo.h"

#include "model/arithmetic.h"
#include "transport/fast_incoherent.h"

namespace corvane {
namespace {

// The number of draws a whose uniform number lies below v (or at most v):
// the draws that pass a test "v > u" (or "v >= u"), as the uniform numbers
// rise with a. Each uniform number is a / D within a relative 2^-24, so the
// count is found a step or two from v D.
std::uint16_t drawsBelow(const RandomValueTables& tables, double v, bool orEqual) {
    const auto& uniform = tables.uniform;
    const auto passes = [&](std::int32_t a) {
        const double u = asDouble(uniform[static_cast<std::size_t>(a)]);
        return orEqual ? u <= v : u < v;
    };
    const double estimate = v * asDouble(RandomGenerator::kDivisor);
    std::int32_t count = 0;
    if (estimate >= RandomGenerator::kModulus) count = RandomGenerator::kModulus;
    else if (estimate > 0) count = static_cast<std::int32_t>(estimate);
    while (count > 0 && !passes(count - 1)) --count;
    while (count < RandomGenerator::kModulus && passes(count)) ++count;
    return static_cast<std::uint16_t>(count);
}

}  // namespace

FirstScatterMemo::FirstScatterMemo()
    : kahnLimits_(2 * RandomGenerator::kModulus), firstScatters_(2 * RandomGenerator::kModulus) {}

// At a bin energy, an attempt's outcome depends only on its branch (u1
// against p) and on the draw a2 of u2: the Kahn acceptance value and the
// S(x) / SMAX ratio become the counts of third and fourth draws that pass
// them, and the scatter of an accepted attempt, with the coefficients of its
// new energy, is worked out once. Entries are filled on first use and carry
// their bin, so a run through a bin's histories computes each at most once.
FirstScatterMemo::Outcome FirstScatterMemo::sample(const FastTables& tables, std::int32_t k, float e,
                                                  RandomGenerator& random) {
    const auto bin = static_cast<std::uint16_t>(k);
    if (binSetupFor_ != k) {
        binSetup_ = IncoherentSetup(e);
        binSetupFor_ = k;
    }
    const IncoherentSetup& at = binSetup_;
    const auto& uniform = tables.random.uniform;
    for (;;) {
        const auto a1 = static_cast<std::size_t>(random.nextInteger());
        const auto a2 = static_cast<std::size_t>(random.nextInteger());
        const auto a3 = static_cast<std::size_t>(random.nextInteger());
        const std::size_t key = (uniform[a1] <= at.p ? 0 : RandomGenerator::kModulus) + a2;
        KahnLimit& limit = kahnLimits_[key];
        if (limit.bin != bin) {
            limit.passing = drawsBelow(tables.random, kahnProposal(at.kd, at.p, uniform[a1], uniform[a2]).acceptance, false);
            limit.bin = bin;
        }
        if (a3 >= limit.passing) continue;
        FirstScatter& outcome = firstScatters_[key];
        if (outcome.bin != bin) {
            const IncoherentAngle angle = incoherentAngle(at, kahnProposal(at.kd, at.p, uniform[a1], uniform[a2]).eta);
            const float x = momentumTransfer(at, angle);
            outcome.passing = x < kMomentumTransferLimit
                                  ? drawsBelow(tables.random, asDouble(tables.incoherentFunctionAt(x)) / tables.smax, true)
                                  : kNoFunctionTest;
            outcome.scatter = incoherentScatter(at, angle);
            if (outcome.scatter.energy >= kEnergyCutoff) outcome.next = tables.coefficientsOf(outcome.scatter.energy);
            outcome.bin = bin;
        }
        if (outcome.passing != kNoFunctionTest && static_cast<std::size_t>(random.nextInteger()) >= outcome.passing) {
            continue;
        }
        return Outcome{&outcome.scatter, outcome.scatter.energy >= kEnergyCutoff ? &outcome.next : nullptr};
    }
}

}  // namespace corvane
