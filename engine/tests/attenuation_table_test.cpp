#include "files/attenuation_table.h"

#include <gtest/gtest.h>

#include "core_test_support.h"
#include "files/engine_error.h"

namespace corvane {
namespace {

using testing::CoefficientRow;
using testing::ScratchFolder;
using testing::coefficientLine;
using testing::writeFile;

// Row k of the fixture: distinct values that say which row they came from.
CoefficientRow rowOf(int k) { return {1000.0 + k, 2000.0 + k, 3000.0 + k}; }

std::string fixtureTable(int rows) {
    std::string text;
    for (int k = 1; k <= rows; ++k) text += coefficientLine(k, rowOf(k));
    return text;
}

AttenuationTable readText(const std::string& text) {
    ScratchFolder folder;
    writeFile(folder / "Att_Coeff2023.dat", text);
    return readAttenuationTable(folder / "Att_Coeff2023.dat");
}

TEST(AttenuationTable, TakesRowKForBinK) {
    // A 301st row that is not a table row at all is never read.
    const AttenuationTable t = readText(fixtureTable(300) + "not a row\r\n");
    for (int k : {1, 2, 119, 160, 300}) {
        EXPECT_EQ(t.muTarget[k], static_cast<float>(1000.0 + k)) << k;
        EXPECT_EQ(t.muAluminium[k], static_cast<float>(2000.0 + k)) << k;
        EXPECT_EQ(t.muCopper[k], static_cast<float>(3000.0 + k)) << k;
    }
}

TEST(AttenuationTable, ReadsFieldsByColumn) {
    // Row 1 written by hand: an energy field in other steps (it is never
    // compared), an implied decimal point, a blank field, a D exponent,
    // blanks inside a field and LF instead of CR LF.
    const std::string row1 = std::string(" 1.000E+00") + "        5000000" + "               " + "   0.25 D+ 01  " +
                             std::string(60, ' ') + "  trailing columns ignored\n";
    std::string text = row1;
    for (int k = 2; k <= 300; ++k) text += coefficientLine(k, rowOf(k));
    const AttenuationTable t = readText(text);
    EXPECT_EQ(t.muTarget[1], 5.0f);
    EXPECT_EQ(t.muAluminium[1], 0.0f);
    EXPECT_EQ(t.muCopper[1], 2.5f);
    EXPECT_EQ(t.muTarget[2], 1002.0f);
}

TEST(AttenuationTable, RefusesShortTablesAndMalformedFields) {
    std::string malformed = fixtureTable(300);
    // Row 3, field 7 (columns 86 to 100), which the engine does not use.
    const std::size_t row3 = 2 * 117;
    malformed.replace(row3 + 85, 15, "   0.12x456E+00");
    const struct {
        std::string text;
        const char* mentions;
    } cases[] = {
        {fixtureTable(299), "row 300"},
        {"", "row 1"},
        {malformed, "row 3, columns 86-100"},
    };
    for (const auto& c : cases) {
        try {
            readText(c.text);
            ADD_FAILURE() << "accepted a table that " << c.mentions;
        } catch (const EngineError& e) {
            EXPECT_EQ(e.status(), ExitStatus::ReadFailed);
            const std::string message = e.what();
            EXPECT_NE(message.find("read error: Att_Coeff2023.dat"), std::string::npos) << message;
            EXPECT_NE(message.find(c.mentions), std::string::npos) << message;
        }
    }
}

TEST(AttenuationTable, MissingFileIsAnOpenError) {
    ScratchFolder folder;
    try {
        readAttenuationTable(folder / "Att_Coeff2023.dat");
        FAIL() << "a missing table was read";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.status(), ExitStatus::OpenFailed);
        EXPECT_NE(std::string(e.what()).find("open error: Att_Coeff2023.dat"), std::string::npos);
    }
}

}  // namespace
}  // namespace corvane
