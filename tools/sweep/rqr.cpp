#include "rqr.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "analysis/beam_quality.h"
#include "files/attenuation_table.h"
#include "files/run_parameters.h"
#include "spectrum/incident_photons.h"

namespace sweep {

const std::vector<RqrQuality>& rqrQualities() {
    static const std::vector<RqrQuality> qualities = {
        {"RQR2", 40, 1.42},  {"RQR3", 50, 1.78},  {"RQR4", 60, 2.19},  {"RQR5", 70, 2.58},  {"RQR6", 80, 3.01},
        {"RQR7", 90, 3.48},  {"RQR8", 100, 3.97}, {"RQR9", 120, 5.00}, {"RQR10", 150, 6.57},
    };
    return qualities;
}

struct HvlCalculator::Tables {
    corvane::AttenuationTable engine;
    analysis::CoefficientTable analysis;
};

HvlCalculator::HvlCalculator(const std::filesystem::path& coefficientTable)
    : tables_(new Tables{corvane::readAttenuationTable(coefficientTable),
                         analysis::readCoefficientTable(coefficientTable)}) {}

HvlCalculator::~HvlCalculator() { delete tables_; }

double HvlCalculator::firstHvl(const Condition& c) const {
    corvane::RunParameters p;
    p.tubePotential = std::stof(c.kV);
    p.targetAngle = std::stof(c.angle);
    p.inherentFiltration = std::stof(c.inherent);
    p.aluminiumFilter = std::stof(c.al);
    p.copperFilter = std::stof(c.cu);
    p.fieldDiameter = std::stof(c.field);
    p.incidentFluence = std::stof(c.photons);
    p.formulaCode = c.formula == "birch" ? 1 : 2;
    p.rectificationCode = c.rectification == "constant" ? 1 : c.rectification == "3phase" ? 2 : 3;
    p.materialCode = c.material == "water" ? 1 : 2;
    corvane::deriveRunValues(p);
    corvane::IncidentSpectrum spectrum = p.formulaCode == 1 ? corvane::computeBirchSpectrum(p, tables_->engine)
                                                            : corvane::computeTuckerSpectrum(p, tables_->engine);
    corvane::filterAndNormalise(spectrum, p, tables_->engine);
    // Photons per bin, bin k at index k - 1.
    std::vector<double> photons(spectrum.begin() + 1, spectrum.end());
    return analysis::beamQuality(photons, tables_->analysis).hvl1MmAl;
}

namespace {

std::string twoDecimals(double mm) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", mm);
    return text;
}

double hvlWith(const HvlCalculator& hvl, Condition& condition, int hundredths) {
    condition.al = twoDecimals(hundredths / 100.0);
    return hvl.firstHvl(condition);
}

}  // namespace

std::optional<double> aluminiumForHvl(const HvlCalculator& hvl, Condition condition, double target) {
    // On the grid of 0.01 mm: lo below the target, hi at or above it.
    int lo = 0, hi = 10000;
    const double atLo = hvlWith(hvl, condition, lo);
    if (atLo > target) return std::nullopt;
    if (hvlWith(hvl, condition, hi) < target) return std::nullopt;
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        (hvlWith(hvl, condition, mid) < target ? lo : hi) = mid;
    }
    const double below = target - hvlWith(hvl, condition, lo);
    const double above = hvlWith(hvl, condition, hi) - target;
    return (below < above ? lo : hi) / 100.0;
}

std::vector<PlannedRow> rqrPlan(const HvlCalculator& hvl, const RqrSettings& settings) {
    std::vector<PlannedRow> plan;
    for (const RqrQuality& q : rqrQualities()) {
        PlannedRow row;
        row.name = q.name;
        char kV[16];
        std::snprintf(kV, sizeof kV, "%g", q.kV);
        Condition c{kV, settings.angle, settings.inherent, "0", "0", settings.field, settings.photons,
                    settings.formula, "constant", settings.material};
        std::optional<double> al;
        std::string why;
        try {
            al = aluminiumForHvl(hvl, c, q.hvl1);
            if (!al) {
                char text[200];
                std::snprintf(text, sizeof text,
                              "the first HVL of %.2f mm Al cannot be reached with added aluminium from 0 to 100 mm "
                              "(%.3f mm Al without it)",
                              q.hvl1, hvlWith(hvl, c, 0));
                why = text;
            }
        } catch (const std::exception& e) {
            why = std::string("the tube spectrum cannot be computed: ") + e.what();
        }
        c.al = al ? twoDecimals(*al) : std::string();
        row.condition = c;
        if (!al) {
            row.status = "unreachable";
            row.message = why;
        }
        plan.push_back(std::move(row));
    }
    return plan;
}

}  // namespace sweep
