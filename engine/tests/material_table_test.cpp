#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "files/engine_error.h"
#include "files/material_table.h"
#include "transport/material_lookups.h"

using namespace corvane;

namespace {

const std::filesystem::path kFixture = std::filesystem::path(ENGINE_FIXTURES) / "transport" / "small_material.dat";

// The fixture: energies 1, 10, 100, 200 keV with MU_COH = 10 (E/keV)^-2,
// MU_INC = 0.2 and MU_PE = 1000 (E/keV)^-3; x = 0, 0.25, ..., 11 per
// angstrom; C(x) = x up to 2.25, flat to x = 2.75, then rising with slope 1;
// S(x) = x up to 4, then 4.
MaterialTable fixture() { return readMaterialTable(kFixture); }

void expectRelative(float actual, double expected, double tolerance = 2e-6) {
    EXPECT_NEAR(actual, expected, std::fabs(expected) * tolerance) << "expected " << expected;
}

class TempDir {
public:
    TempDir() {
        path_ = std::filesystem::temp_directory_path() /
                ("corvane_material_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::filesystem::path write(const std::string& name, const std::vector<std::string>& lines) const {
        std::ofstream out(path_ / name, std::ios::binary);
        for (const auto& line : lines) out << line << "\r\n";
        return path_ / name;
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::vector<std::string> fixtureLines() {
    std::ifstream in(kFixture, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

TEST(MaterialTable, ReadsFixedColumnsWithImpliedDecimalsAndMeV) {
    const MaterialTable t = fixture();
    EXPECT_EQ(t.n, 4);
    EXPECT_EQ(t.header, 1.0f);  // "  1000000" with six implied decimals
    EXPECT_EQ(t.energy[1], 1.0f);  // 1.000E-03 MeV is 1 keV
    EXPECT_EQ(t.energy[2], 10.0f);
    EXPECT_EQ(t.energy[4], 200.0f);
    EXPECT_EQ(t.muCoherent[1], 10.0f);
    EXPECT_EQ(t.muIncoherent[2], 0.2f);  // "       200" with three implied decimals
    EXPECT_EQ(t.muPhotoelectric[4], 0.000125f);
    EXPECT_EQ(t.x[45], 11.0f);
    EXPECT_EQ(t.cumulative[11], 2.25f);
    EXPECT_EQ(t.incoherentFunction[30], 4.0f);
    EXPECT_EQ(t.smax, 4.0f);
    EXPECT_EQ(t.cmax, 10.5f);
    EXPECT_NO_THROW(checkMaterialTable(t, "small_material.dat", 150.0f));
}

TEST(MaterialTable, CoefficientsInterpolateLogLog) {
    const MaterialTable t = fixture();
    struct Case {
        float energy;
        const char* what;
    };
    // Power laws are straight lines in log-log space, so interpolation and
    // extrapolation reproduce them: at a tabulated energy, between rows, and
    // below the first row (extrapolated along rows 1 and 2).
    for (const Case c : {Case{10.0f, "equal to row 2"}, Case{100.0f, "equal to row 3"}, Case{31.6227766f, "between"},
                         Case{0.5f, "below row 1"}, Case{150.0f, "last interval"}, Case{2.0f, "first interval"}}) {
        SCOPED_TRACE(c.what);
        const InteractionCoefficients mu = coefficientsAt(t, c.energy);
        const double e = c.energy;
        if (c.energy <= 100.0f) {
            expectRelative(mu.coherent, 10.0 / (e * e), 1e-5);
            expectRelative(mu.photoelectric, 1000.0 / (e * e * e), 1e-5);
        }
        expectRelative(mu.incoherent, 0.2, 1e-6);
    }
    // A tabulated energy uses the interval that starts there (f = 0): the
    // row's own coefficients come back.
    const InteractionCoefficients row2 = coefficientsAt(t, 10.0f);
    EXPECT_FLOAT_EQ(row2.coherent, 0.1f);
    EXPECT_FLOAT_EQ(row2.photoelectric, 1.0f);
    // Between 100 and 200 keV the coherent coefficient falls as E^-2 too.
    expectRelative(coefficientsAt(t, 141.421356f).coherent, 0.0005, 1e-5);
}

TEST(MaterialTable, IncoherentFunctionInterpolatesLinearly) {
    const MaterialTable t = fixture();
    EXPECT_EQ(incoherentFunctionAt(t, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(incoherentFunctionAt(t, 0.3f), 0.3f);
    EXPECT_FLOAT_EQ(incoherentFunctionAt(t, 3.9f), 3.9f);
    EXPECT_EQ(incoherentFunctionAt(t, 4.0f), 4.0f);  // tabulated x: the row's own value
    EXPECT_EQ(incoherentFunctionAt(t, 9.99f), 4.0f);
}

TEST(MaterialTable, CoherentMomentumTransferInvertsTheCumulative) {
    const MaterialTable t = fixture();
    // c = 0 lies in the first interval whose upper row has C > 0.
    EXPECT_EQ(coherentMomentumTransfer(t, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(coherentMomentumTransfer(t, 1.1f), 1.1f);
    // Rows of equal C are passed over: the plateau's value maps to its end.
    EXPECT_EQ(coherentMomentumTransfer(t, 2.25f), 2.75f);
    EXPECT_FLOAT_EQ(coherentMomentumTransfer(t, 2.5f), 3.0f);
    EXPECT_FLOAT_EQ(coherentMomentumTransfer(t, 10.49f), 10.99f);
}

TEST(MaterialTable, FileNameByMaterialCode) {
    EXPECT_STREQ(materialFileName(1), "water.dat");
    for (int code : {0, 2, 7, -1}) EXPECT_STREQ(materialFileName(code), "ICRUSoft.dat") << code;
}

TEST(MaterialTable, ReadFailuresNameTheFile) {
    TempDir dir;
    const std::vector<std::string> good = fixtureLines();
    ASSERT_EQ(good.size(), 51u);

    try {
        readMaterialTable(dir.path() / "water.dat");
        FAIL() << "a missing file was read";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.status(), ExitStatus::OpenFailed);
        EXPECT_NE(std::string(e.what()).find("water.dat"), std::string::npos) << e.what();
    }

    struct Case {
        const char* what;
        std::function<void(std::vector<std::string>&)> edit;
        ExitStatus status;
    };
    const std::vector<Case> cases = {
        {"a momentum-transfer row missing", [](auto& l) { l.pop_back(); }, ExitStatus::ReadFailed},
        {"an energy row cut short of the file", [](auto& l) { l.resize(4); }, ExitStatus::ReadFailed},
        {"a letter in a coefficient", [](auto& l) { l[3].replace(12, 1, "x"); }, ExitStatus::ReadFailed},
        {"a letter in the row count", [](auto& l) { l[0] = " 4a"; }, ExitStatus::ReadFailed},
        {"more rows than the storage holds", [](auto& l) { l[0] = " 41"; }, ExitStatus::InvalidData},
        {"one energy row", [](auto& l) { l[0] = "  1"; }, ExitStatus::InvalidData},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = good;
        c.edit(lines);
        const auto file = dir.write("ICRUSoft.dat", lines);
        try {
            readMaterialTable(file);
            ADD_FAILURE() << c.what << ": read without error";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.status(), c.status) << c.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find("ICRUSoft.dat"), std::string::npos) << e.what();
        }
    }

    // LF line ends and a name in another letter case are accepted.
    {
        std::ofstream out(dir.path() / "WATER.DAT", std::ios::binary);
        for (const auto& line : good) out << line << "\n";
    }
    const MaterialTable t = readMaterialTable(dir.path() / "water.dat");
    EXPECT_EQ(t.cmax, 10.5f);
}

TEST(MaterialTable, CheckRefusesTablesThatBreakTheLookupLimits) {
    struct Case {
        const char* what;
        std::function<void(MaterialTable&)> edit;
        float topEnergy;
        const char* phrase;  // part of the rule named in the message
    };
    const std::vector<Case> cases = {
        {"n of 41", [](MaterialTable& t) { t.n = 41; }, 150.0f, "between 2 and 40"},
        {"n of 1", [](MaterialTable& t) { t.n = 1; }, 150.0f, "between 2 and 40"},
        {"equal energies", [](MaterialTable& t) { t.energy[3] = t.energy[2]; }, 150.0f, "increase strictly"},
        {"a zero coefficient", [](MaterialTable& t) { t.muPhotoelectric[2] = 0; }, 150.0f, "positive"},
        {"a negative coefficient", [](MaterialTable& t) { t.muCoherent[4] = -1; }, 150.0f, "positive"},
        {"a zero first energy", [](MaterialTable& t) { t.energy[1] = 0; }, 150.0f, "positive"},
        {"the top energy at the last row", [](MaterialTable&) {}, 200.0f, "highest photon energy"},
        {"the top energy above the last row", [](MaterialTable&) {}, 250.0f, "highest photon energy"},
        {"equal x", [](MaterialTable& t) { t.x[20] = t.x[19]; }, 150.0f, "increase strictly"},
        {"a falling C", [](MaterialTable& t) { t.cumulative[30] = 1.0f; }, 150.0f, "must not decrease"},
        {"x ending below 10",
         [](MaterialTable& t) {
             for (int i = 1; i <= kMomentumRows; ++i) t.x[static_cast<std::size_t>(i)] = static_cast<float>(i - 1) / 4.5f;
         },
         150.0f, "at least 10"},
        {"C all zero", [](MaterialTable& t) { t.cumulative.fill(0); t.cmax = 0; }, 150.0f, "positive"},
        {"S all zero", [](MaterialTable& t) { t.incoherentFunction.fill(0); t.smax = 0; }, 150.0f, "S(x) must be positive"},
        {"a positive first C without a rise", [](MaterialTable& t) { t.cumulative[1] = t.cumulative[2]; }, 150.0f,
         "rise"},
        {"a negative S", [](MaterialTable& t) { t.incoherentFunction[10] = -0.1f; }, 150.0f, "must not be negative"},
        {"x at C = 0 beyond a 2 keV photon's reach",
         [](MaterialTable& t) {
             for (int i = 1; i <= kMomentumRows; ++i) t.x[static_cast<std::size_t>(i)] += 0.2f;
         },
         150.0f, "reach of a 2 keV photon"},
    };
    for (const Case& c : cases) {
        MaterialTable t = fixture();
        c.edit(t);
        try {
            checkMaterialTable(t, "water.dat", c.topEnergy);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const EngineError& e) {
            const std::string message = e.what();
            EXPECT_EQ(e.status(), ExitStatus::InvalidData) << c.what;
            EXPECT_NE(message.find("water.dat"), std::string::npos) << c.what << ": " << message;
            EXPECT_NE(message.find(c.phrase), std::string::npos) << c.what << ": " << message;
        }
    }
    // Just below the last row is fine, and x may end exactly at 10.
    MaterialTable t = fixture();
    EXPECT_NO_THROW(checkMaterialTable(t, "water.dat", 199.5f));
    for (int i = 1; i <= kMomentumRows; ++i) t.x[static_cast<std::size_t>(i)] = static_cast<float>(i - 1) / 4.4f;
    ASSERT_EQ(t.x[45], 10.0f);
    EXPECT_NO_THROW(checkMaterialTable(t, "water.dat", 150.0f));
}
