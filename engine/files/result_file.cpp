#include "files/result_file.h"

#include "files/atomic_file.h"
#include "files/engine_error.h"
#include "files/file_names.h"
#include "files/fixed_field.h"
#include "model/arithmetic.h"

namespace corvane {
namespace {

constexpr const char* kEol = "\r\n";

const char* const kColumnLabels[20] = {
    "keV",     "incident", "0cm P",   "0cm S",    "0cm P+S", "2cm P",    "2cm S",  "2cm P+S", "  5cm P",  "5cm S",
    "5cm P+S", "10cm P",   "10cm S",  "10cm P+S", "15cm P",  "15cm S",   "15cm P+S", "20cm P", "20cm S",  "20cm P+S",
};

std::string count(std::int64_t value) { return formatF(static_cast<double>(value), 10, 0); }

}  // namespace

std::string resultFileName(const RunParameters& parameters) {
    std::string name = parameters.resultFileName;
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    return name;
}

std::string formatResultFile(const RunParameters& p, const Tallies& tallies) {
    std::string text;
    const char* rectification = p.rectificationCode == 1   ? "Constant potential rectification"
                                : p.rectificationCode == 2 ? "Three-phase full-wave rectification 12-peak"
                                                           : "Single-phase full-wave rectification";
    text += std::string(" ") + rectification + kEol;
    text += " Tube potential = " + formatF(p.tubePotential, 6, 1) + " [kV]" + kEol;
    text += " Target angle   = " + formatF(p.targetAngle, 6, 1) + " [deg]" + kEol;
    text += " Inherent filtration = " + formatF(p.inherentFiltration, 6, 3) + " [mmAl eq.]" + kEol;
    text += " Aliminum filter = " + formatF(p.aluminiumFilter, 6, 3) + " [mm]" + kEol;
    text += " Copper filter   = " + formatF(p.copperFilter, 6, 3) + " [mm]" + kEol;
    text += " Field diameter  = " + formatF(p.fieldDiameter, 6, 1) + " [cm]" + kEol;
    text += " Incident photons/cm2  = " + formatF(p.incidentFluence, 11, 0) + kEol;
    text += std::string(" ") + (p.formulaCode == 1 ? "by Birch formula" : "by Tucker formula") + kEol;
    text += std::string(" ") + (p.materialCode == 1 ? "in water phantom" : "in ICRU Soft-tissue phantom") + kEol;
    text += " ";
    for (int i = 0; i < 20; ++i) {
        if (i > 0) text += ",";
        text += kColumnLabels[i];
    }
    text += kEol;

    const int binCount = binsInTables(p.binCount);
    for (int k = 1; k <= binCount; ++k) {
        text += formatF(0.5 * k, 6, 1);
        text += "," + count(tallies.incident[k]);
        for (int j = 1; j <= kSpheres; ++j) {
            for (int c = 1; c <= kComponents; ++c) text += "," + count(tallies.depth[j][c][k]);
        }
        text += kEol;
    }
    return text;
}

void writeResultFile(const std::filesystem::path& folder, const RunParameters& p, const Tallies& tallies) {
    const std::string text = formatResultFile(p, tallies);

    const std::string name = resultFileName(p);
    if (name.empty()) throw writeError("(blank name)", "the result file name is blank");
    replaceFileWhole(resolveFileName(folder, name), name, text);
}

}  // namespace corvane
