#include "files/result_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "files/atomic_file.h"
#include "files/engine_error.h"
#include "files/file_names.h"
#include "files/fixed_field.h"
#include "files/message_text.h"
#include "files/text_file.h"
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

std::string resultTargetProblem(const std::filesystem::path& folder, const std::string& name) {
    if (const std::string ambiguity = nameAmbiguity(folder, name); !ambiguity.empty()) return ": " + ambiguity;
    const std::filesystem::path target = resolveFileName(folder, name);
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec)) return " is the name of a folder; it must name a file";
    if (const std::string kind = specialFileKind(target); !kind.empty()) {
        return " points at " + kind + "; only a regular file or a symbolic link is replaced by a result";
    }
    const std::filesystem::path dir = folderOf(target);
    const std::string shownDir = quotedBytes(dir.string());
    if (!std::filesystem::is_directory(dir, ec)) {
        return ": the folder " + shownDir + " does not exist; the result file could not be created";
    }
    // The same steps as the final write: a file created beside the target, then
    // removed again.
    std::string probe;
    const int fd = createTemporaryBeside(dir, probe);
    if (fd < 0) {
        const int error = errno;
        const bool denied = error == EACCES || error == EPERM || error == EROFS;
        return ": the folder " + shownDir + (denied ? " is not writable (" : " does not take a new file (") +
               std::strerror(error) + "); the result file could not be created";
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

void writeResultFile(const std::filesystem::path& folder, const RunParameters& p, const Tallies& tallies) {
    const std::string text = formatResultFile(p, tallies);

    const std::string name = resultFileName(p);
    if (name.empty()) throw writeError("(blank name)", "the result file name is blank");
    replaceFileWhole(folder, name, text);
}

}  // namespace corvane
