// The fast transport against the plain reading of the rules, piece by
// piece: the lookups, the scatters and the escape test return the same bits
// and draw the same numbers.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "files/material_table.h"
#include "transport/fast_physics.h"
#include "transport/material_lookups.h"
#include "transport/reference_physics.h"
#include "transport_test_support.h"

using namespace corvane;
using corvane::testing::smallTable;

TEST(FastPhysics, LookupsReturnTheReferenceBits) {
    for (const char* name : {"water.dat", "ICRUSoft.dat"}) {
        SCOPED_TRACE(name);
        const MaterialTable table = readMaterialTable(std::filesystem::path(SHIPPED_DATA) / name);
        FastPhysics fast(table);
        // Every bin energy, every tabulated energy, and energies between.
        std::vector<float> energies;
        for (int k = 1; k <= kBins; ++k) energies.push_back(static_cast<float>(k * 0.5));
        for (int i = 1; i <= table.n; ++i) energies.push_back(table.energy[static_cast<std::size_t>(i)]);
        for (float e = 0.7f; e < 150.0f; e *= 1.0037f) energies.push_back(e);
        // Scattered photons arrive at any float energy.
        RandomGenerator random;
        random.initialise();
        for (int n = 0; n < 100000; ++n) {
            const float u = random.uniform(), v = random.uniform();
            energies.push_back(static_cast<float>(2.0 + (u + v / 16384.0) * 148.0));
        }
        for (float e : energies) {
            for (int repeat = 0; repeat < 2; ++repeat) {  // computed, then from the cache
                const InteractionCoefficients a = fast.coefficientsAt(e), b = coefficientsAt(table, e);
                ASSERT_EQ(a.coherent, b.coherent) << e;
                ASSERT_EQ(a.incoherent, b.incoherent) << e;
                ASSERT_EQ(a.photoelectric, b.photoelectric) << e;
            }
        }
        std::vector<float> arguments;
        for (int i = 1; i <= kMomentumRows; ++i) {
            for (float key : {table.x[static_cast<std::size_t>(i)], table.cumulative[static_cast<std::size_t>(i)]}) {
                arguments.push_back(key);  // and the floats on either side of it
                arguments.push_back(std::nextafter(key, -1.0f));
                arguments.push_back(std::nextafter(key, 20.0f));
            }
        }
        for (float v = 0.0f; v < 10.0f; v += 0.00731f) arguments.push_back(v);
        for (float v : arguments) {
            if (v >= 0.0f && v < 10.0f) {
                ASSERT_EQ(fast.incoherentFunctionAt(v), incoherentFunctionAt(table, v)) << v;
            }
            if (v >= 0.0f && v < table.cmax) {
                ASSERT_EQ(fast.coherentMomentumTransfer(v), coherentMomentumTransfer(table, v)) << v;
            }
        }
    }
}

TEST(FastPhysics, ScattersReturnTheReferenceBits) {
    // Both samplers at energies from the cut-off to 150 keV, bin energies and
    // others, each on its own copy of one random stream.
    for (const char* name : {"water.dat", "ICRUSoft.dat"}) {
        SCOPED_TRACE(name);
        const MaterialTable table = readMaterialTable(std::filesystem::path(SHIPPED_DATA) / name);
        FastPhysics fast(table);
        const ReferencePhysics reference(table);
        RandomGenerator fastRandom, referenceRandom;
        fastRandom.initialise();
        referenceRandom.initialise();
        for (float e : {2.0f, 2.37f, 5.5f, 17.0f, 33.3f, 60.0f, 99.9f, 124.0f, 124.5f, 140.7f, 150.0f}) {
            for (int n = 0; n < 20000; ++n) {
                const bool incoherent = n % 4 != 0;
                const Scatter a = incoherent ? fast.sampleIncoherent(e, fastRandom) : fast.sampleCoherent(e, fastRandom);
                const Scatter b = incoherent ? reference.sampleIncoherent(e, referenceRandom)
                                             : reference.sampleCoherent(e, referenceRandom);
                ASSERT_EQ(a.energy, b.energy) << e << " keV, sample " << n;
                ASSERT_EQ(a.cosTheta, b.cosTheta) << e << " keV, sample " << n;
                ASSERT_EQ(a.sinTheta, b.sinTheta) << e << " keV, sample " << n;
                ASSERT_EQ(fastRandom.lastInteger(), referenceRandom.lastInteger()) << e << " keV, sample " << n;
                ASSERT_EQ(fastRandom.longLag(), referenceRandom.longLag()) << e << " keV, sample " << n;
            }
        }
    }
}

TEST(FastPhysics, EscapeTestDecidesAsTheSquareRoot) {
    // End points at and just inside or outside the phantom radius, in every
    // direction, and at the two surfaces.
    std::vector<std::array<float, 3>> points{{0, 0, 0}, {0, 0, 30.0f}, {0, 0, std::nextafter(30.0f, 0.0f)},
                                             {0, 0, std::nextafter(0.0f, 1.0f)}, {0, 0, -1e-30f}};
    for (float angle = 0; angle < 6.3f; angle += 0.01f) {
        const float x = static_cast<float>(30.0 * std::cos(angle)), y = static_cast<float>(30.0 * std::sin(angle));
        for (float dx : {x, std::nextafter(x, 0.0f), std::nextafter(x, 2 * x)})
            for (float dy : {y, std::nextafter(y, 0.0f), std::nextafter(y, 2 * y)}) points.push_back({dx, dy, 5.0f});
    }
    points.push_back({30.0f, 0, 5.0f});
    points.push_back({std::nextafter(30.0f, 0.0f), 0, 5.0f});
    points.push_back({0, -30.0f, 5.0f});
    int inside = 0;
    for (const auto& q : points) {
        ASSERT_EQ(FastPhysics::escapes(q[0], q[1], q[2]), ReferencePhysics::escapes(q[0], q[1], q[2]))
            << q[0] << ", " << q[1] << ", " << q[2];
        inside += !ReferencePhysics::escapes(q[0], q[1], q[2]);
    }
    EXPECT_GT(inside, 100);  // both sides of the radius were tried
}
