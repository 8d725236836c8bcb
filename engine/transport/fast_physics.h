#pragma once
// The transport rules computed fast, with results identical to the bit to the
// plain reading (ReferencePhysics):
//  - the logarithms of the material table are taken once, and the row of a
//    lookup (firstRowAbove from row 2) is found between the two rows a
//    bucket index gives;
//  - the coefficients of the 300 bin energies are computed once, with the sum
//    mu and the two interaction thresholds of a flight, and those of the last
//    energy looked up are kept (a primary keeps its energy from flight to
//    flight, and so does a coherently scattered photon);
//  - quantities that depend on one 14-bit random value only are tabulated by
//    that value: ln R of the flight length, cos and sin of the azimuth, the
//    coherent momentum transfer;
//  - at a bin energy, where every primary photon scatters first, the outcome
//    of an incoherent attempt depends on two draws only (the branch and u2),
//    so it is kept per bin: the acceptance tests as counts of passing draws,
//    the scatter and the coefficients of the new energy;
//  - the logarithm of a new energy and the exponentials of its interpolated
//    coefficients come from short polynomials, and the arc tangent of a
//    scattering angle from a table and a short series, whenever their error
//    bound shows that the library's result rounds to the same float;
//  - the escape test compares the squared distance from the axis;
//  - the parts of the sphere test that do not depend on the sphere are
//    computed once per flight.

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "files/material_table.h"
#include "transport/material_lookups.h"
#include "transport/histories.h"
#include "transport/interactions.h"
#include "transport/random_generator.h"
#include "transport/random_value_tables.h"
#include "transport/tallies.h"

namespace corvane {

// Finds the row of a lookup (firstRowAbove from row 2) almost without a
// search: the argument range [0, limit) is cut into equal buckets, each
// knowing the row of an argument one bucket below its lower edge and the row
// of an argument one bucket above its upper edge. The row of every argument
// in the bucket lies between the two (the row never falls as the argument
// grows), and the search between them, mostly zero or one rows apart, arrives
// where the search over the whole table would.
class RowIndex {
public:
    static constexpr int kBuckets = 4096;

    template <std::size_t Size>
    void build(const std::array<float, Size>& key, int last, float limit);

    template <std::size_t Size>
    int row(const std::array<float, Size>& key, int last, float argument) const {
        const double scaled = static_cast<double>(argument) * scale_;
        if (scaled >= 0 && scaled < kBuckets) {
            const auto b = static_cast<std::size_t>(scaled);
            return firstRowAbove(key, start_[b], end_[b], argument);
        }
        return firstRowAbove(key, 2, last, argument);
    }

private:
    double scale_ = 0;
    std::array<std::uint8_t, kBuckets> start_{}, end_{};
};

template <std::size_t Size>
inline void RowIndex::build(const std::array<float, Size>& key, int last, float limit) {
    scale_ = kBuckets / static_cast<double>(limit);
    for (int b = 0; b < kBuckets; ++b) {
        // The rows of the lower edge of the bucket below and of the upper
        // edge of the bucket above: no argument that lands in bucket b lies
        // outside them, whatever the rounding of its scaling.
        const float low = b == 0 ? 0.0f : static_cast<float>((b - 1) / scale_);
        const float high = static_cast<float>((b + 2) / scale_);
        start_[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(b == 0 ? 2 : firstRowAbove(key, 2, last, low));
        end_[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(firstRowAbove(key, 2, last, high));
    }
}

class FastPhysics {
public:
    explicit FastPhysics(const MaterialTable& table);

    InteractionCoefficients coefficientsAt(float e) { return lookup(e).coefficients; }
    FlightCoefficients flightCoefficientsAt(float e) { return lookup(e).flight; }

    float incoherentFunctionAt(float x) const {
        const auto i = static_cast<std::size_t>(incoherentRows_.row(table_.x, kMomentumRows, x));
        return static_cast<float>(incoherentSlope_[i] * (static_cast<double>(x) - table_.x[i - 1]) +
                                  table_.incoherentFunction[i - 1]);
    }

    float coherentMomentumTransfer(float c) const { return corvane::coherentMomentumTransfer(table_, c); }

    FlightDraw drawFlight(RandomGenerator& random) const {
        std::int32_t a1, a2;
        do {
            a1 = random.nextInteger();
            a2 = random.nextInteger();
        } while (a1 == 0);  // R1 = 0 exactly when a = 0
        return FlightDraw{tables_.logUniform[static_cast<std::size_t>(a1)], tables_.uniform[static_cast<std::size_t>(a2)]};
    }

    // The square root is correctly rounded and never falls as its argument
    // grows, and the largest double below 900 has a root that rounds below
    // 30, so comparing the squared distance with 900 decides as the root does.
    static bool escapes(float x1, float y1, float z1) {
        static_assert(PhantomGeometry::radius == 30.0f);
        return z1 <= 0 || z1 >= PhantomGeometry::thickness ||
               static_cast<double>(y1) * y1 + static_cast<double>(x1) * x1 >= 900.0;
    }

    Scatter sampleIncoherent(float e, RandomGenerator& random);

    Scatter sampleCoherent(float e, RandomGenerator& random) const {
        return coherentScatter(
            e,
            // x of c = U1 x CMAX depends on the draw alone.
            [&] { return coherentX_[static_cast<std::size_t>(random.nextInteger())]; },
            [&] { return tables_.uniform[static_cast<std::size_t>(random.nextInteger())]; });
    }

    Direction rotate(const Direction& old, float cosThetaS, float sinThetaS, RandomGenerator& random) const {
        const auto a = static_cast<std::size_t>(random.nextInteger());
        return rotateDirectionBy(old, cosThetaS, sinThetaS, tables_.cosAzimuth[a], tables_.sinAzimuth[a]);
    }

    // The sphere test of a flight and its track lengths (batch `batch`); it
    // reads nothing but its arguments and writes only `tallies`.
    static void score(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta,
                      float e, int component, int batch = 0);

    const float smax;
    const float cmax;

private:
    struct Coefficients {
        InteractionCoefficients coefficients;
        FlightCoefficients flight;
    };

    const Coefficients& lookup(float e) {
        if (e == lastEnergy_) return last_;
        const float twice = e * 2;  // exact
        if (twice >= 1.0f && twice <= static_cast<float>(kBins)) {
            const auto k = static_cast<std::int32_t>(twice);
            if (static_cast<float>(k) == twice) return binCoefficients_[static_cast<std::size_t>(k)];
        }
        lastEnergy_ = e;
        last_ = coefficientsOf(e);
        return last_;
    }

    Coefficients coefficientsOf(float e) const {
        Coefficients c;
        c.coefficients = interpolateCoefficients(e);
        c.flight = flightCoefficients(c.coefficients);
        return c;
    }

    InteractionCoefficients interpolateCoefficients(float e) const;

    // What an incoherent scatter at energy e works with.
    struct IncoherentSetup {
        double ed = 0;         // e
        double kd = 0;         // K = 511 / e, stored as a float
        double restOverE = 0;  // 511 / e unrounded, for cos theta
        float p = 0;           // the probability of Kahn's first branch
        double momentumMargin = 0, energyMargin = 0;
        IncoherentSetup() = default;
        explicit IncoherentSetup(float e);
    };
    // The stored angle theta of a proposal, with, when `rotated`, the cosine
    // and sine the arc tangent was taken from and the offset delta of theta
    // from that arc.
    struct IncoherentAngle {
        float theta = 0;
        bool rotated = false;
        double cosine = 0, sine = 0, delta = 0;
    };
    static IncoherentAngle incoherentAngle(const IncoherentSetup& at, float eta);
    static float momentumTransfer(const IncoherentSetup& at, const IncoherentAngle& angle);
    static Scatter incoherentScatter(const IncoherentSetup& at, const IncoherentAngle& angle);
    Scatter sampleIncoherentAnywhere(float e, RandomGenerator& random) const;
    Scatter sampleIncoherentAtBin(std::int32_t k, float e, RandomGenerator& random);
    std::uint16_t drawsBelow(double v, bool orEqual) const;

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
        Coefficients next;
    };
    std::vector<KahnLimit> kahnLimits_;
    std::vector<FirstScatter> firstScatters_;
    IncoherentSetup binSetup_;
    std::int32_t binSetupFor_ = 0;

    const MaterialTable& table_;
    // Single-precision logarithms of the energies and the coefficients.
    std::array<float, kMaxEnergyRows + 1> lnEnergy_{}, lnCoherent_{}, lnIncoherent_{}, lnPhotoelectric_{};
    // The differences of the logarithms from each row to the next, as the
    // interpolation forms them.
    std::array<double, kMaxEnergyRows + 1> lnEnergyStep_{}, lnCoherentStep_{}, lnIncoherentStep_{}, lnPhotoelectricStep_{};
    RowIndex energyRows_;
    std::array<Coefficients, kBins + 1> binCoefficients_{};
    float lastEnergy_ = -1;
    Coefficients last_{};
    // The slope (S[i] - S[i-1]) / (X[i] - X[i-1]) of each interval, the
    // quotient the interpolation forms first.
    std::array<double, kMomentumRows + 1> incoherentSlope_{};
    RowIndex incoherentRows_;
    // The coherent momentum transfer of c = U1 x CMAX for every draw.
    std::array<float, RandomGenerator::kModulus> coherentX_{};
    const RandomValueTables& tables_;
};

}  // namespace corvane
