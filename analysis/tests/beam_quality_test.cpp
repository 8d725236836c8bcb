#include "analysis/beam_quality.h"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/result_analysis.h"
#include "analysis_test_support.h"

using namespace analysis;
using namespace analysis_test;

// Bins 1 and 2 with the same kerma weight (2 photons of 0.5 keV, 1 of 1 keV,
// air 1) and aluminium coefficients 2/cm and 1/cm: the kerma behind t cm is
// (x² + x)/2 with x = exp(-t), so the first HVL solves x² + x = 1 and the
// total of both solves x² + x = 1/2.
TEST(BeamQuality, TwoBinSpectrumHasTheClosedFormHalfValueLayers) {
    const CoefficientTable table = handTable();
    const double hvl1 = -10.0 * std::log((std::sqrt(5.0) - 1.0) / 2.0);
    const double both = -10.0 * std::log((std::sqrt(3.0) - 1.0) / 2.0);

    const BeamQuality q = beamQuality({2.0, 1.0}, table);
    EXPECT_NEAR(q.hvl1MmAl, hvl1, 1e-8);
    EXPECT_NEAR(q.hvl2MmAl, both - hvl1, 1e-8);
    EXPECT_NEAR(q.homogeneity, hvl1 / (both - hvl1), 1e-8);
    EXPECT_NEAR(q.meanEnergyKeV, 2.0 / 3.0, 1e-12);
    // The aluminium coefficient is 1/E: the mono energy of that HVL is HVL/ln 2.
    EXPECT_NEAR(q.effectiveEnergyKeV, hvl1 / 10.0 / std::log(2.0), 1e-9);
    EXPECT_NEAR(aluminiumThicknessMm({2.0, 1.0}, table, 0.25), both, 1e-8);
}

TEST(BeamQuality, MonoEnergeticSpectrumIsHomogeneous) {
    const CoefficientTable table = handTable();
    std::vector<double> photons(200, 0.0);
    photons[139] = 5.0;  // 70 keV: about 1/70 per cm, as the table writes it
    const BeamQuality q = beamQuality(photons, table);
    EXPECT_NEAR(q.hvl1MmAl, 10.0 * std::log(2.0) / table.aluminium[140], 1e-7);
    EXPECT_NEAR(q.hvl1MmAl, 700.0 * std::log(2.0), 1e-3);
    EXPECT_NEAR(q.homogeneity, 1.0, 1e-9);
    EXPECT_NEAR(q.effectiveEnergyKeV, 70.0, 1e-7);
    EXPECT_DOUBLE_EQ(q.meanEnergyKeV, 70.0);
}

// Birch formula, 70 kV, 20 degrees, 2.5 mm Al, constant potential: the engine's
// incident counts of a 1 cm field of 10^7 photons/cm2 give the first HVL of
// 2.30 mm Al (a standard laboratory measures 2.29 for such a beam).
TEST(BeamQuality, BirchSeventyKilovoltBeamHasAFirstHvlOf2_30MillimetresAluminium) {
    const ResultAnalysis a = analyseResult(kFixtures / "birch70.csv", readCoefficientTable(kShippedTable));
    EXPECT_NEAR(a.incidentBeam.hvl1MmAl, 2.30, 0.005);
    EXPECT_GT(a.incidentBeam.hvl2MmAl, a.incidentBeam.hvl1MmAl);  // hardening
    EXPECT_GT(a.incidentBeam.effectiveEnergyKeV, 25.0);
    EXPECT_LT(a.incidentBeam.effectiveEnergyKeV, a.incidentBeam.meanEnergyKeV);
}

TEST(BeamQuality, SpectraWithoutAnHvlAreRefused) {
    const CoefficientTable table = handTable();
    TableColumns transparent;
    transparent.aluminium = [](int) { return 0.0; };
    const CoefficientTable clear = handTable(transparent);
    const struct {
        std::vector<double> photons;
        const CoefficientTable* table;
        const char* problem;
    } cases[] = {
        {{}, &table, "no air kerma"},
        {{0.0, 0.0}, &table, "no air kerma"},
        {{1.0, -1.0}, &table, "bin 2 is negative"},
        {{1.0, NAN}, &table, "bin 2 is negative or not a finite"},
        {std::vector<double>(301, 1.0), &table, "more than the table's 300"},
        {{1.0, 1.0}, &clear, "does not reduce"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.problem);
        expectFailure([&] { beamQuality(c.photons, *c.table); }, {c.problem});
    }
}

TEST(BeamQuality, EffectiveEnergyBeyondTheTableIsNotANumber) {
    EXPECT_TRUE(std::isnan(effectiveEnergyKeV(2000.0, handTable())));  // harder than 150 keV
    EXPECT_TRUE(std::isnan(effectiveEnergyKeV(0.0, handTable())));
}

TEST(CoefficientTableReading, TakesAluminiumAirAndTissueColumnsByLine) {
    const CoefficientTable shipped = readCoefficientTable(kShippedTable);
    // Line 1 of the shipped table (0.5 keV), columns 3, 5 and 6.
    EXPECT_DOUBLE_EQ(shipped.aluminium[1], 0.182058E+05);
    EXPECT_DOUBLE_EQ(shipped.air[1], 0.239376E+05);
    EXPECT_DOUBLE_EQ(shipped.tissue[1], 0.235826E+05);

    ScratchFolder folder;
    std::string lf = tableText();
    for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    writeFile(folder / "lf.dat", lf + "extra lines are ignored\n");
    const CoefficientTable fromLf = readCoefficientTable(folder / "lf.dat");
    const CoefficientTable fromCrLf = handTable();
    EXPECT_EQ(fromLf.aluminium, fromCrLf.aluminium);
    EXPECT_EQ(fromLf.tissue, fromCrLf.tissue);
    EXPECT_DOUBLE_EQ(fromLf.tissue[2], 4.0);
}

TEST(CoefficientTableReading, MalformedTablesAreRefusedNamingFileAndProblem) {
    ScratchFolder folder;
    std::string badNumber = tableText();
    badNumber.replace(badNumber.find("1.000000E+00"), 12, "1.0\x01x\xff" "0E+00");
    TableColumns zeroAir;
    zeroAir.air = [](int bin) { return bin == 7 ? 0.0 : 1.0; };
    const struct {
        const char* name;
        std::string text;
        const char* problem;
    } cases[] = {
        {"short.dat", tableText({}, 299), "299 lines"},
        {"seven.dat", tableText().substr(0, 10) + tableText().substr(25), "line 1 holds 7 numbers"},
        {"bytes.dat", badNumber, "number 2 is not a number: \"1.0\\x01x\\xFF0E+00\""},
        {"air.dat", tableText(zeroAir), "line 7: the air coefficient"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(folder / c.name, c.text);
        expectFailure([&] { readCoefficientTable(folder / c.name); }, {c.name, c.problem});
    }
    expectFailure([&] { readCoefficientTable(folder / "none.dat"); }, {"none.dat", "no such file"});
    expectFailure([&] { readCoefficientTable(folder.path()); }, {"not a regular file"});
    writeFile(folder / "huge.dat", std::string((4u << 20) + 1, ' '));
    expectFailure([&] { readCoefficientTable(folder / "huge.dat"); }, {"huge.dat", "more than the"});
}
