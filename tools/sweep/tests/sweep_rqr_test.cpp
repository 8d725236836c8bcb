// The RQR preset: the added aluminium found from the tube spectrum alone
// reproduces each quality's first HVL.

#include <gtest/gtest.h>

#include <cmath>

#include "rqr.h"

namespace sweep {
namespace {

const std::filesystem::path kTable = std::filesystem::path(SHIPPED_DATA) / "Att_Coeff2023.dat";

std::string withAl(double mm) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", mm);
    return text;
}

TEST(RqrPreset, AluminiumReproducesEachFirstHvlForEitherFormulaAndAngle) {
    const HvlCalculator hvl(kTable);
    const struct {
        const char* formula;
        const char* angle;
        const char* material;
    } settings[] = {{"birch", "12", "water"}, {"tucker", "12", "tissue"}, {"birch", "20", "water"}};
    for (const auto& s : settings) {
        RqrSettings rqr;
        rqr.formula = s.formula;
        rqr.angle = s.angle;
        rqr.material = s.material;
        const std::vector<PlannedRow> plan = rqrPlan(hvl, rqr);
        ASSERT_EQ(plan.size(), 9u);
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const PlannedRow& row = plan[i];
            const RqrQuality& q = rqrQualities()[i];
            const std::string label = std::string(s.formula) + " " + s.angle + " " + row.name;
            EXPECT_EQ(row.name, q.name);
            ASSERT_TRUE(row.runnable()) << label << ": " << row.message;
            Condition c = *row.condition;
            EXPECT_EQ(c.formula, s.formula);
            EXPECT_EQ(c.angle, s.angle);
            EXPECT_EQ(c.material, s.material);
            EXPECT_EQ(std::stod(c.kV), q.kV) << label;
            // The aluminium as written, computed again: within 0.01 mm of the
            // standard, and no neighbour on the 0.01 mm grid closer.
            const double al = std::stod(c.al);
            const double error = std::fabs(hvl.firstHvl(c) - q.hvl1);
            EXPECT_LE(error, 0.01) << label << " al " << c.al;
            for (const double step : {-0.01, 0.01}) {
                if (al + step < 0) continue;
                Condition neighbour = c;
                neighbour.al = withAl(al + step);
                EXPECT_GE(std::fabs(hvl.firstHvl(neighbour) - q.hvl1), error) << label << " al " << neighbour.al;
            }
        }
    }
}

TEST(RqrPreset, QualitySofterThanTheUnfilteredTubeIsUnreachable) {
    const HvlCalculator hvl(kTable);
    RqrSettings rqr;
    rqr.inherent = std::to_string(3);  // already harder than RQR2 and RQR3 want
    const std::vector<PlannedRow> plan = rqrPlan(hvl, rqr);
    ASSERT_EQ(plan.size(), 9u);
    EXPECT_EQ(plan[0].status, "unreachable");
    EXPECT_NE(plan[0].message.find("the first HVL of 1.42 mm Al cannot be reached with added aluminium"),
              std::string::npos)
        << plan[0].message;
    EXPECT_FALSE(plan[0].runnable());
    EXPECT_TRUE(plan[8].runnable());
    // Harder than 100 mm of aluminium gives: unreachable as well.
    Condition soft{"40", "12", "1", "0", "0", "10", "1000", "birch", "constant", "water"};
    EXPECT_FALSE(aluminiumForHvl(hvl, soft, 40.0));
}

}  // namespace
}  // namespace sweep
