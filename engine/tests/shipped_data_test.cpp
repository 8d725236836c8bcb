// The data files shipped beside the programs: their layout, their reading by
// the engine's own readers, the limits the transport relies on, and their
// physics against the published NIST values they were made from.

#include "files/attenuation_table.h"
#include "files/fixed_field.h"
#include "files/material_table.h"
#include "transport/material_lookups.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace corvane {
namespace {

const std::string kData = SHIPPED_DATA;

std::string fileText(const std::string& name) {
    std::ifstream in(kData + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name << " missing";
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines of a file whose every line must end in CR LF.
std::vector<std::string> crlfLines(const std::string& name) {
    const std::string text = fileText(name);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << name << ": a line without CR LF at byte " << start;
            break;
        }
        lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << name << ": stray line end in line "
                                                                           << lines.size();
        start = end + 2;
    }
    return lines;
}

// One NIST table of data/sources: energy (keV) -> {mu/rho, mu_en/rho}.
std::map<double, std::pair<double, double>> nistTable(const std::string& csv) {
    std::ifstream in(kData + "/sources/" + csv);
    EXPECT_TRUE(in.good()) << csv << " missing";
    std::map<double, std::pair<double, double>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        double e = 0, mu = 0, muEn = 0;
        char comma = 0;
        fields >> e >> comma >> mu >> comma >> muEn;
        rows[std::round(e * 1e6) / 1e3] = {mu, muEn};  // edge rows: the later (above-edge) one is kept
    }
    return rows;
}

struct CoefficientRows {
    std::vector<std::vector<double>> fields;  // [row 0..299][field 0..7]
};

// Reads all eight fields of each row by column position, as the engine does.
CoefficientRows coefficientFields() {
    CoefficientRows rows;
    for (const std::string& line : crlfLines("Att_Coeff2023.dat")) {
        std::vector<double> v;
        v.push_back(readFixedDouble(fieldAt(line, 1, 10), 3).value_or(NAN));
        for (int f = 0; f < 7; ++f) v.push_back(readFixedDouble(fieldAt(line, 11 + 15 * f, 15), 6).value_or(NAN));
        rows.fields.push_back(v);
    }
    return rows;
}

TEST(ShippedCoefficientTable, LayoutSuitsColumnAndFreeFormatReaders) {
    const std::vector<std::string> lines = crlfLines("Att_Coeff2023.dat");
    ASSERT_EQ(lines.size(), 300u);
    for (std::size_t r = 0; r < lines.size(); ++r) {
        const std::string& line = lines[r];
        ASSERT_EQ(line.size(), 115u) << "row " << r + 1;
        // Each number lies inside its column range with a blank in front, so
        // a reader counting blank-separated numbers finds the same eight.
        const int starts[8] = {1, 11, 26, 41, 56, 71, 86, 101};
        for (int f = 0; f < 8; ++f) {
            EXPECT_EQ(line[static_cast<std::size_t>(starts[f] - 1)], ' ') << "row " << r + 1 << " field " << f + 1;
        }
        std::istringstream numbers(line);
        std::vector<double> free{std::istream_iterator<double>(numbers), std::istream_iterator<double>()};
        ASSERT_EQ(free.size(), 8u) << "row " << r + 1;
        // The energy of row r is 0.5 r keV to the three digits of E10.3
        // (100.5 keV shows as 0.101E+03); no program uses the field.
        const double energy = 0.5 * static_cast<double>(r + 1);
        EXPECT_NEAR(free[0], energy, energy < 100 ? 1e-9 : 0.5) << "row " << r + 1;
        for (int f = 0; f < 8; ++f) {
            EXPECT_EQ(free[static_cast<std::size_t>(f)],
                      readFixedDouble(fieldAt(line, starts[f], f == 0 ? 10 : 15), f == 0 ? 3 : 6).value_or(NAN));
        }
    }
}

TEST(ShippedCoefficientTable, ReadsThroughTheEngineReader) {
    const AttenuationTable table = readAttenuationTable(kData + "/Att_Coeff2023.dat");
    const CoefficientRows rows = coefficientFields();
    ASSERT_EQ(rows.fields.size(), 300u);
    for (int k = 1; k <= kBins; ++k) {
        const auto& f = rows.fields[static_cast<std::size_t>(k - 1)];
        EXPECT_GT(table.muTarget[k], 0.0f) << "bin " << k;
        EXPECT_GT(table.muAluminium[k], 0.0f) << "bin " << k;
        EXPECT_GT(table.muCopper[k], 0.0f) << "bin " << k;
        EXPECT_EQ(table.muTarget[k], static_cast<float>(f[1]));
        EXPECT_EQ(table.muAluminium[k], static_cast<float>(f[2]));
        EXPECT_EQ(table.muCopper[k], static_cast<float>(f[3]));
        for (std::size_t field = 4; field < 8; ++field) EXPECT_GT(f[field], 0.0) << "bin " << k << " field " << field + 1;
    }
}

TEST(ShippedCoefficientTable, PhysicsAgreesWithPublishedValues) {
    const CoefficientRows rows = coefficientFields();
    ASSERT_EQ(rows.fields.size(), 300u);
    auto at = [&](double keV) { return rows.fields[static_cast<std::size_t>(std::lround(keV * 2)) - 1]; };

    // Tungsten's K edge (69.5 keV) lies between the rows for 69.5 and 70 keV;
    // aluminium and copper have no edge there.
    EXPECT_GT(at(70.0)[1] / at(69.5)[1], 3.0);
    EXPECT_LT(at(70.0)[2], at(69.5)[2]);
    EXPECT_LT(at(70.0)[3], at(69.5)[3]);
    // Away from edges, attenuation falls with energy; above the tungsten M
    // edges (below 3 keV) the only rises are at the copper K edge (9.0 keV)
    // and the tungsten L3, L2, L1 and K edges (10.2, 11.5, 12.1, 69.5 keV).
    for (double e = 3.5; e <= 150.0; e += 0.5) {
        const bool tungstenEdge = e == 10.5 || e == 12.0 || e == 12.5 || e == 70.0;
        if (!tungstenEdge) {
            EXPECT_LT(at(e)[1], at(e - 0.5)[1]) << e << " keV";
        }
        EXPECT_LT(at(e)[2], at(e - 0.5)[2]) << e << " keV";
        if (e != 9.0) {
            EXPECT_LT(at(e)[3], at(e - 0.5)[3]) << e << " keV";
        }
    }

    // Air and soft tissue energy absorption reproduce NIST at its energies.
    const auto air = nistTable("air-dry.csv");
    const auto tissue = nistTable("tissue-soft-icru44.csv");
    for (double e : {10.0, 20.0, 30.0, 50.0, 100.0, 150.0}) {
        EXPECT_NEAR(at(e)[4] / air.at(e).second, 1.0, 0.005) << e << " keV";
        EXPECT_NEAR(at(e)[5] / tissue.at(e).second, 1.0, 0.005) << e << " keV";
    }
    // Soft tissue absorbs 3 % to 12 % more than air per gram in the
    // diagnostic range.
    for (double e = 15.0; e <= 150.0; e += 0.5) {
        const double ratio = at(e)[5] / at(e)[4];
        EXPECT_GT(ratio, 1.03) << e << " keV";
        EXPECT_LT(ratio, 1.12) << e << " keV";
    }
    // The unused water columns: energy absorption and attenuation per gram.
    const auto water = nistTable("water-liquid.csv");
    for (double e : {10.0, 30.0, 60.0, 100.0, 150.0}) {
        EXPECT_NEAR(at(e)[6] / water.at(e).second, 1.0, 0.005) << e << " keV";
        EXPECT_NEAR(at(e)[7] / water.at(e).first, 1.0, 0.02) << e << " keV";
    }
}

struct MaterialCase {
    const char* file;
    double density;
    const char* nistCsv;
};

class ShippedMaterialTable : public ::testing::TestWithParam<MaterialCase> {};

TEST_P(ShippedMaterialTable, LayoutIsFixedColumnRecords) {
    const std::vector<std::string> lines = crlfLines(GetParam().file);
    ASSERT_GE(lines.size(), 2u);
    const int n = readFixedInteger(fieldAt(lines[0], 1, 3)).value_or(0);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(2 + n + 45));
    EXPECT_EQ(lines[0].size(), 3u);
    EXPECT_EQ(lines[1].size(), 9u);
    for (int i = 0; i < n; ++i) {
        const std::string& line = lines[static_cast<std::size_t>(2 + i)];
        ASSERT_EQ(line.size(), 39u) << line;
        // Every field ends in its two exponent digits at its last column and
        // holds its number's point, so no digit strays into a neighbour.
        for (int last : {9, 19, 29, 39}) {
            EXPECT_EQ(line[static_cast<std::size_t>(last - 4)], 'E') << line;
        }
    }
    for (int i = 0; i < 45; ++i) {
        const std::string& line = lines[static_cast<std::size_t>(2 + n + i)];
        ASSERT_EQ(line.size(), 34u) << line;
        for (int last : {10, 22, 34}) EXPECT_EQ(line[static_cast<std::size_t>(last - 4)], 'E') << line;
    }
}

TEST_P(ShippedMaterialTable, ReadsThroughTheEngineReaderWithinTheLimits) {
    const MaterialTable t = readMaterialTable(kData + "/" + GetParam().file);
    EXPECT_NO_THROW(checkMaterialTable(t, GetParam().file, 150.0f));
    EXPECT_FLOAT_EQ(t.header, static_cast<float>(GetParam().density));
    ASSERT_GE(t.n, 2);
    ASSERT_LE(t.n, kMaxEnergyRows);
    EXPECT_LE(t.energy[1], 1.0f);
    EXPECT_GE(t.energy[static_cast<std::size_t>(t.n)], 200.0f);
    for (std::size_t i = 1; i <= static_cast<std::size_t>(t.n); ++i) {
        if (i > 1) {
            EXPECT_GT(t.energy[i], t.energy[i - 1]);
        }
        EXPECT_GT(t.muCoherent[i], 0.0f);
        EXPECT_GT(t.muIncoherent[i], 0.0f);
        EXPECT_GT(t.muPhotoelectric[i], 0.0f);
    }
    EXPECT_EQ(t.x[1], 0.0f);
    for (std::size_t i = 2; i <= kMomentumRows; ++i) {
        EXPECT_GT(t.x[i], t.x[i - 1]);
        EXPECT_GE(t.cumulative[i], t.cumulative[i - 1]);
        EXPECT_GE(t.incoherentFunction[i], t.incoherentFunction[i - 1]);
    }
    EXPECT_GE(t.x[kMomentumRows], 10.0f);
    EXPECT_GT(t.cmax, 0.0f);
    EXPECT_GT(t.smax, 0.0f);
    // The coherent distribution is essentially complete by 10 per angstrom,
    // and S has reached its free-electron plateau there.
    EXPECT_GT(t.cumulative[kMomentumRows - 4] / t.cmax, 0.995f);
    EXPECT_NEAR(t.incoherentFunction[kMomentumRows - 4] / t.smax, 1.0f, 1e-3f);
}

TEST_P(ShippedMaterialTable, TotalAttenuationMatchesNist) {
    const MaterialTable t = readMaterialTable(kData + "/" + GetParam().file);
    const auto nist = nistTable(GetParam().nistCsv);
    // 60 keV: NIST gives 0.2059 per cm for water. Scattering dominates from
    // 30 keV up, so the sum tests all three coefficients at once.
    for (double e : {10.0, 20.0, 30.0, 60.0, 100.0, 150.0}) {
        const InteractionCoefficients c = coefficientsAt(t, static_cast<float>(e));
        const double total = static_cast<double>(c.coherent) + c.incoherent + c.photoelectric;
        EXPECT_NEAR(total / (nist.at(e).first * GetParam().density), 1.0, 0.02) << GetParam().file << " " << e << " keV";
    }
}

INSTANTIATE_TEST_SUITE_P(Both, ShippedMaterialTable,
                         ::testing::Values(MaterialCase{"water.dat", 1.0, "water-liquid.csv"},
                                           MaterialCase{"ICRUSoft.dat", 1.06, "tissue-soft-icru44.csv"}),
                         [](const auto& info) { return std::string(info.param.density == 1.0 ? "Water" : "SoftTissue"); });

}  // namespace
}  // namespace corvane
