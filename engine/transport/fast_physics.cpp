#include "transport/fast_physics.h"

#include "model/arithmetic.h"
#include "transport/fast_incoherent.h"

namespace corvane {

FastPhysics::FastPhysics(const FastTables& tables)
    : smax(tables.smax), cmax(tables.cmax), tables_(tables), randomValues_(tables.random) {}

FastPhysics::FastPhysics(const MaterialTable& table)
    : smax(table.smax),
      cmax(table.cmax),
      ownTables_(std::make_unique<const FastTables>(table)),
      tables_(*ownTables_),
      randomValues_(tables_.random) {}

Scatter FastPhysics::sampleIncoherent(float e, RandomGenerator& random) {
    const float twice = e * 2;  // exact
    if (twice >= 1.0f && twice <= static_cast<float>(kBins)) {
        const auto k = static_cast<std::int32_t>(twice);
        if (static_cast<float>(k) == twice) {
            const FirstScatterMemo::Outcome outcome = firstScatters_.sample(tables_, k, e, random);
            // The flight after the scatter looks up the new energy next.
            if (outcome.next) {
                lastEnergy_ = outcome.scatter->energy;
                last_ = *outcome.next;
            }
            return *outcome.scatter;
        }
    }
    return sampleIncoherentAnywhere(e, random);
}

Scatter FastPhysics::sampleIncoherentAnywhere(float e, RandomGenerator& random) const {
    const IncoherentSetup at(e);
    const auto& uniform = randomValues_.uniform;
    IncoherentAngle angle;
    for (;;) {
        const float u1 = uniform[static_cast<std::size_t>(random.nextInteger())];
        const float u2 = uniform[static_cast<std::size_t>(random.nextInteger())];
        const float u3 = uniform[static_cast<std::size_t>(random.nextInteger())];
        float eta;
        if (!kahnAttempt(at.kd, at.p, u1, u2, u3, eta)) continue;
        angle = incoherentAngle(at, eta);
        const float x = momentumTransfer(at, angle);
        if (!(x < kMomentumTransferLimit)) break;
        const float s = tables_.incoherentFunctionAt(x);
        const float u4 = uniform[static_cast<std::size_t>(random.nextInteger())];
        if (asDouble(s) / smax >= u4) break;
    }
    return incoherentScatter(at, angle);
}

}  // namespace corvane
