#include "spectrum/incident_photons.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "files/engine_error.h"

namespace corvane {
namespace {

// Independent reference values, worked out in long double straight from the
// formulas, with no single-precision step but the decimal constants: those are
// single-precision reals of the engine (F(0.503) is 0.503 rounded to float),
// and with the cancellation in the Tucker polynomial that shows: B(1) is 4.4
// parts in a million above 0.124. The engine's float results must agree with
// these to a few parts in a million.
using Real = long double;
constexpr Real kRefPi = 3.141592L;
Real F(Real constant) { return static_cast<float>(constant); }

Real phiBirch(Real x) {
    return F(0.503L) - F(0.94597L) * x + F(0.1553L) * x * x + F(1.1632L) * x * x * x - F(0.6818L) * x * x * x * x;
}
Real shapeTucker(Real x) {
    return 1 - F(5.049L) * x + F(10.847L) * x * x - F(10.516L) * x * x * x + F(3.842L) * x * x * x * x;
}
Real stopping(Real t) { return F(1036.1L) * std::exp(-F(0.04695L) * t) + F(202.41L); }
Real refC(Real v) {
    return 141766 + 12157 * v - F(111.046L) * v * v + F(0.552536L) * v * v * v - F(0.000970158L) * v * v * v * v;
}
Real refP(Real v) { return v <= 70 ? 0 : (std::sqrt(F(8.79856L) * v - F(595.149L)) - F(4.55528L)) / F(4.39928L); }

// The bremsstrahlung of bin k for one voltage sample v: the sum over electron
// energies T = E, E + 0.5, ... <= v of one formula's term.
Real referenceBin(bool birch, int k, Real v, Real mu, Real g) {
    const Real e = 0.5L * k;
    Real sum = 0;
    for (Real t = e; t <= v; t += 0.5L) {
        const Real x = e / t;
        const Real d = (v * v - t * t) / (F(19.3L) * refC(v));
        const Real a = std::exp(-mu * d * g);
        sum += birch ? a * (1 + t / 511) * phiBirch(x)
                     : (1 + 511 / t) * shapeTucker(x) * (F(0.03658L) + F(0.000029L) * e) / stopping(t) * a;
    }
    return sum;
}

RunParameters conditions(float kV, std::int32_t rectification, float angle = 12.0f) {
    RunParameters p;
    p.tubePotential = kV;
    p.targetAngle = angle;
    p.rectificationCode = rectification;
    p.formulaCode = 1;
    p.materialCode = 1;
    p.fieldDiameter = 10;
    p.incidentFluence = 1;
    deriveRunValues(p);
    return p;
}

AttenuationTable uniformTable(float target, float aluminium, float copper) {
    AttenuationTable t;
    t.muTarget.fill(target);
    t.muAluminium.fill(aluminium);
    t.muCopper.fill(copper);
    return t;
}

// A table whose coefficients fall with energy like real ones.
AttenuationTable fallingTable() {
    AttenuationTable t;
    for (int k = 1; k <= kBins; ++k) {
        const double e = 0.5 * k;
        t.muTarget[k] = static_cast<float>(5000.0 / (e * e) + 2.0);
        t.muAluminium[k] = static_cast<float>(400.0 / (e * e) + 0.3);
        t.muCopper[k] = static_cast<float>(9000.0 / (e * e) + 1.0);
    }
    return t;
}

void expectRelative(float got, Real expected, Real tolerance, const char* what) {
    EXPECT_NEAR(static_cast<Real>(got) / expected, 1.0L, tolerance) << what << ": " << got << " vs " << static_cast<double>(expected);
}

TEST(Spectrum, ThomsonWhiddingtonConstantAndKLinePercent) {
    for (float v : {10.0f, 77.5f, 80.0f, 150.0f}) expectRelative(thomsonWhiddingtonConstant(v), refC(v), 1e-7L, "C(V)");
    const struct {
        float v;
        float percent;
    } cases[] = {{50, 0}, {70, 0}, {70.5f, 0.10f}, {80, 1.33f}, {100, 2.80f}, {150, 5.08f}, {200, 6.72f}, {200.5f, 7}};
    for (const auto& c : cases) EXPECT_NEAR(kLinePercent(c.v), c.percent, 0.006) << c.v;
}

TEST(Spectrum, BirchTopBinsAt80kV) {
    const RunParameters p = conditions(80, 1);
    const Real g = 1 / std::tan(12.0L * kRefPi / 180);
    const AttenuationTable table = uniformTable(40.0f, 0, 0);
    const IncidentSpectrum s = computeBirchSpectrum(p, table);
    // The top bin has one term, at T = 80 with depth 0 and x = 1.
    expectRelative(s[160], (1 + 80.0L / 511) * phiBirch(1), 1e-6L, "bin 160");
    // The bin below has two, the first from 0.5 keV deep enough to be absorbed.
    expectRelative(s[159], referenceBin(true, 159, 80, 40, g), 2e-6L, "bin 159");
    expectRelative(s[80], referenceBin(true, 80, 80, 40, g), 2e-5L, "bin 80");
    EXPECT_LT(s[159], referenceBin(true, 159, 80, 0, g));
    EXPECT_EQ(s[1], 0.0f);
    for (int k = 161; k <= kBins; ++k) EXPECT_EQ(s[k], 0.0f) << k;
}

TEST(Spectrum, TuckerTopBinsAt80kV) {
    const RunParameters p = conditions(80, 1);
    const Real g = 1 / std::sin(12.0L * kRefPi / 180);
    const AttenuationTable table = uniformTable(40.0f, 0, 0);
    const IncidentSpectrum s = computeTuckerSpectrum(p, table);
    // B(1) is the sum of the five signed coefficients, each a float.
    const Real b1 = 1 - F(5.049L) + F(10.847L) - F(10.516L) + F(3.842L);
    EXPECT_NEAR(b1 / 0.124L, 1.0000044L, 1e-7L);
    expectRelative(s[160], (1 + 511 / 80.0L) * b1 * (F(0.03658L) + F(0.000029L) * 80) / stopping(80), 1e-6L,
                   "bin 160");
    expectRelative(s[159], referenceBin(false, 159, 80, 40, g), 2e-6L, "bin 159");
    expectRelative(s[80], referenceBin(false, 80, 80, 40, g), 2e-5L, "bin 80");
}

TEST(Spectrum, KLinesOnlyAbove70kV) {
    const AttenuationTable table = uniformTable(0, 0, 0);
    const struct {
        int bin;
        Real fraction;
    } lines[] = {{116, 0.2908L}, {119, 0.5048L}, {134, 0.162L}, {138, 0.0424L}};
    for (float kV : {70.0f, 70.5f, 80.0f}) {
        const IncidentSpectrum s = computeBirchSpectrum(conditions(kV, 1), table);
        const int n = static_cast<int>(2 * kV);
        Real total = 0;
        for (int k = 2; k <= n; ++k) total += referenceBin(true, k, kV, 0, 0);
        const Real kLines = 0.01L * refP(kV) * total;
        for (const auto& line : lines) {
            expectRelative(s[line.bin], referenceBin(true, line.bin, kV, 0, 0) + line.fraction * kLines, 3e-5L, "K line");
        }
        // The neighbours carry bremsstrahlung only.
        for (int k : {115, 117, 118, 120, 133, 135, 137, 139}) {
            expectRelative(s[k], referenceBin(true, k, kV, 0, 0), 3e-5L, "no line");
        }
        if (kV == 80.0f) {
            EXPECT_GT(s[119], 1.3 * referenceBin(true, 119, kV, 0, 0));
        }
    }
}

TEST(Spectrum, ThreePhaseAveragesSixteenSamples) {
    const AttenuationTable table = uniformTable(0, 0, 0);
    const IncidentSpectrum constant = computeBirchSpectrum(conditions(80, 1), table);
    const IncidentSpectrum threePhase = computeBirchSpectrum(conditions(80, 2), table);
    // Only the 90 degree sample reaches 80 keV, and every bin is divided by 16.
    EXPECT_EQ(threePhase[160], constant[160] / 16);
    for (int k = 150; k <= 160; ++k) {
        Real expected = 0;
        for (int phi = 75; phi <= 90; ++phi) {
            // V is stored in single precision: at 90 degrees it is 80 itself.
            const Real v = static_cast<float>(80 * std::sin(phi * kRefPi / 180));
            if (static_cast<int>(2 * v) >= k) expected += referenceBin(true, k, v, 0, 0);
        }
        expectRelative(threePhase[k], expected / 16, 2e-5L, "three-phase bin");
    }
}

TEST(Spectrum, SinglePhaseCurrentWeights) {
    const AttenuationTable table = uniformTable(10.0f, 0, 0);
    const IncidentSpectrum weighted = computeTuckerSpectrum(conditions(100, 3), table);
    const IncidentSpectrum unweighted = computeTuckerSpectrum(conditions(100, 5), table);
    // Bins above 74 keV are reached only from 50 degrees on, where the weight
    // is 1 (sin 48 degrees x 100 kV = 74.3 kV).
    for (int k = 149; k <= 200; ++k) EXPECT_EQ(weighted[k], unweighted[k]) << k;
    for (int k : {6, 50, 100, 148}) EXPECT_LT(weighted[k], unweighted[k]) << k;
    // The 3 keV bin: the sum over the 45 samples of weight x bremsstrahlung.
    const Real g = 1 / std::sin(12.0L * kRefPi / 180);
    Real expectedWeighted = 0;
    Real expectedUnweighted = 0;
    for (int phi = 2; phi <= 90; phi += 2) {
        const Real sinPhi = std::sin(phi * kRefPi / 180);
        const Real v = static_cast<float>(100 * sinPhi);
        if (static_cast<int>(2 * v) < 6) continue;
        const Real term = referenceBin(false, 6, v, 10, g);
        expectedWeighted += std::min(sinPhi / 0.75L, Real(1)) * term;
        expectedUnweighted += term;
    }
    expectRelative(weighted[6], expectedWeighted / 45, 2e-5L, "weighted 3 keV");
    expectRelative(unweighted[6], expectedUnweighted / 45, 2e-5L, "unweighted 3 keV");
}

TEST(Spectrum, NothingBelowTwoBins) {
    const AttenuationTable table = uniformTable(10, 1, 1);
    for (float kV : {0.0f, 0.4f, 0.5f, 0.9f}) {
        RunParameters p = conditions(kV, 1);
        IncidentSpectrum s = computeBirchSpectrum(p, table);
        filterAndNormalise(s, p, table);
        for (float value : s) EXPECT_EQ(value, 0.0f) << kV;
    }
}

TEST(Filtration, NormalisesBinsTwoToBinCount) {
    const AttenuationTable table = fallingTable();
    RunParameters p = conditions(100, 1);
    p.inherentFiltration = 2.5f;
    p.aluminiumFilter = 1.0f;
    p.copperFilter = 0.1f;
    deriveRunValues(p);
    IncidentSpectrum s = computeTuckerSpectrum(p, table);
    filterAndNormalise(s, p, table);
    double sum = 0;
    for (int k = 2; k <= 200; ++k) sum += s[k];
    EXPECT_NEAR(sum, 1.0, 1e-5);
    EXPECT_EQ(s[1], 0.0f);
    for (int k = 201; k <= kBins; ++k) EXPECT_EQ(s[k], 0.0f);

    // A constant factor of the formula does not survive normalisation.
    IncidentSpectrum raw = computeTuckerSpectrum(p, table);
    for (float& value : raw) value *= 2;
    filterAndNormalise(raw, p, table);
    EXPECT_EQ(raw, s);
}

TEST(Filtration, FiltersAttenuateAndDivideByBinEnergy) {
    const AttenuationTable table = fallingTable();
    RunParameters bare = conditions(100, 1);
    IncidentSpectrum unfiltered = computeBirchSpectrum(bare, table);
    const IncidentSpectrum raw = unfiltered;
    filterAndNormalise(unfiltered, bare, table);

    RunParameters filtered = bare;
    filtered.inherentFiltration = 2.0f;
    filtered.copperFilter = 0.5f;
    deriveRunValues(filtered);
    IncidentSpectrum withFilters = computeBirchSpectrum(filtered, table);
    filterAndNormalise(withFilters, filtered, table);

    // Without filters only the division by the bin energy shapes the result.
    for (int k : {20, 90, 199}) {
        const Real expected = (Real(raw[k]) / (0.5L * k)) / (Real(raw[60]) / 30.0L);
        expectRelative(unfiltered[k] / unfiltered[60], expected, 1e-6L, "bare ratio");
    }
    // With filters each bin is attenuated by exp(-muAl tAl - muCu tCu), the
    // thicknesses in cm being 2 mm and 0.5 mm times the float 0.1.
    const Real tAl = 2 * F(0.1L);
    const Real tCu = 0.5L * F(0.1L);
    for (int k : {20, 90, 199}) {
        const Real attenuation = std::exp(-Real(table.muAluminium[k]) * tAl - Real(table.muCopper[k]) * tCu) /
                                 std::exp(-Real(table.muAluminium[60]) * tAl - Real(table.muCopper[60]) * tCu);
        expectRelative((withFilters[k] / withFilters[60]) / (unfiltered[k] / unfiltered[60]), attenuation, 2e-6L,
                       "filtered ratio");
    }
}

TEST(Filtration, AddedAluminiumActsLikeInherentFiltration) {
    const AttenuationTable table = fallingTable();
    RunParameters added = conditions(100, 1);
    added.formulaCode = 2;
    added.inherentFiltration = 2.5f;
    added.aluminiumFilter = 1.0f;
    deriveRunValues(added);
    RunParameters inherent = added;
    inherent.inherentFiltration = 3.5f;
    inherent.aluminiumFilter = 0.0f;
    deriveRunValues(inherent);
    IncidentSpectrum a = computeTuckerSpectrum(added, table);
    IncidentSpectrum b = computeTuckerSpectrum(inherent, table);
    filterAndNormalise(a, added, table);
    filterAndNormalise(b, inherent, table);
    for (int k = 2; k <= 200; ++k) EXPECT_NEAR(a[k], b[k], 1e-6f * b[k] + 1e-30f) << k;
}

TEST(Filtration, RefusesASpectrumThatFiltersToNothing) {
    // 20 kV behind 3 mm of a metal absorbing 1000 per cm: every bin underflows
    // to 0 in single precision.
    const AttenuationTable table = uniformTable(10.0f, 1.0f, 1000.0f);
    RunParameters p = conditions(20, 1);
    p.copperFilter = 3.0f;
    deriveRunValues(p);
    IncidentSpectrum s = computeBirchSpectrum(p, table);
    try {
        filterAndNormalise(s, p, table);
        FAIL() << "a spectrum of zeros was normalised";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.status(), ExitStatus::InvalidConditions);
        EXPECT_NE(std::string(e.what()).find("copperFilter = 3"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace corvane
