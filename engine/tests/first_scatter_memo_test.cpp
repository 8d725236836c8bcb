// The memo of first incoherent scatters gives, at bin energies, the scatter
// the plain sampler gives from the same stream, whether an entry is filled
// now, was filled before in the same bin, or was left by another bin.

#include <gtest/gtest.h>

#include <filesystem>

#include "files/material_table.h"
#include "transport/fast_tables.h"
#include "transport/first_scatter_memo.h"
#include "transport/material_lookups.h"
#include "transport/random_generator.h"
#include "transport/reference_physics.h"

using namespace corvane;

TEST(FirstScatterMemo, GivesThePlainScatterAndTheCoefficientsOfItsEnergy) {
    const MaterialTable table = readMaterialTable(std::filesystem::path(SHIPPED_DATA) / "water.dat");
    const FastTables tables(table);
    const ReferencePhysics reference(table);
    FirstScatterMemo memo;
    RandomGenerator memoRandom, plainRandom;
    memoRandom.initialise();
    plainRandom.initialise();
    // Runs of one bin (entries reused) and bins taking turns (entries of
    // another bin under the same key), from the lowest followed energy to
    // the top of the grid.
    const int runs[][2] = {{120, 3000}, {4, 2000}, {300, 2000}, {121, 1}, {120, 1}, {121, 1}, {120, 1}};
    for (int turn = 0; turn < 400; ++turn) {
        for (const auto& [bin, samples] : runs) {
            if (turn > 0 && samples > 1) continue;  // the long runs once
            const float e = static_cast<float>(bin * 0.5);
            for (int n = 0; n < samples; ++n) {
                const FirstScatterMemo::Outcome outcome = memo.sample(tables, bin, e, memoRandom);
                const Scatter plain = reference.sampleIncoherent(e, plainRandom);
                ASSERT_EQ(outcome.scatter->energy, plain.energy) << "bin " << bin << ", turn " << turn;
                ASSERT_EQ(outcome.scatter->cosTheta, plain.cosTheta) << "bin " << bin << ", turn " << turn;
                ASSERT_EQ(outcome.scatter->sinTheta, plain.sinTheta) << "bin " << bin << ", turn " << turn;
                ASSERT_EQ(memoRandom.position(), plainRandom.position()) << "bin " << bin << ", turn " << turn;
                if (plain.energy < kEnergyCutoff) {
                    ASSERT_EQ(outcome.next, nullptr);
                    continue;
                }
                ASSERT_NE(outcome.next, nullptr);
                const InteractionCoefficients mu = coefficientsAt(table, plain.energy);
                ASSERT_EQ(outcome.next->coefficients.coherent, mu.coherent);
                ASSERT_EQ(outcome.next->coefficients.incoherent, mu.incoherent);
                ASSERT_EQ(outcome.next->coefficients.photoelectric, mu.photoelectric);
                ASSERT_EQ(outcome.next->flight.mu, flightCoefficients(mu).mu);
            }
        }
    }
}
