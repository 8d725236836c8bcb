#pragma once
// Small helpers of the engine's file, spectrum and run tests: a scratch
// folder, whole-file reading and writing, and a coefficient table written in
// the table's own fixed columns.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "files/attenuation_table.h"
#include "files/fixed_field.h"
#include "files/run_parameters.h"

namespace corvane::testing {

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-core-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

#ifdef CORVANE_EXE
// What the built Corvane did when run as a user would: its exit status and
// the two console streams.
struct ProgramRun {
    int status;
    std::string out;
    std::string err;
};

// Runs the built Corvane in `folder` with `arguments`, in a UTF-8 locale, with
// `input` on standard input (or standard input closed at once).
inline ProgramRun runCorvaneProgram(const std::filesystem::path& folder, const std::string* input,
                                    const std::string& arguments = "") {
    std::string redirect = "< /dev/null";
    if (input) {
        writeFile(folder / ".input", *input);
        redirect = "< .input";
    }
    const std::string command = "cd '" + folder.string() + "' && LC_ALL=C.UTF-8 '" CORVANE_EXE "' " + arguments +
                                " " + redirect + " > .stdout 2> .stderr";
    const int raw = std::system(command.c_str());
    ProgramRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(folder / ".stdout"), readFile(folder / ".stderr")};
    for (const char* scratch : {".input", ".stdout", ".stderr"}) std::filesystem::remove(folder / scratch);
    return run;
}
#endif

// The coefficients of one row of the coefficient table, bin k = 1..300.
struct CoefficientRow {
    double target;
    double aluminium;
    double copper;
};

// One row in the table's columns: E10.3 energy, then seven E15.6 fields
// (tungsten, aluminium, copper, air, tissue and two unused ones), CR LF.
inline std::string coefficientLine(int k, const CoefficientRow& row) {
    return formatE(0.5 * k, 10, 3) + formatE(row.target, 15, 6) + formatE(row.aluminium, 15, 6) +
           formatE(row.copper, 15, 6) + formatE(1.0, 15, 6) + formatE(1.1, 15, 6) + formatE(1.2, 15, 6) +
           formatE(1.3, 15, 6) + "\r\n";
}

// The text of a 300-row table whose row k holds rowAt(k).
inline std::string coefficientTableText(const std::function<CoefficientRow(int)>& rowAt) {
    std::string text;
    for (int k = 1; k <= kBins; ++k) text += coefficientLine(k, rowAt(k));
    return text;
}

// A plausible table: coefficients falling with energy, all positive.
inline CoefficientRow smoothRow(int k) {
    const double e = 0.5 * k;
    return {2000.0 / (e * e) + 1.0, 30.0 / (e * e) + 0.2, 300.0 / (e * e) + 0.5};
}

// The lines of "B2F.dat" as the front-end writes them, CR LF.
inline std::string runParameterText(const std::string& tube, const std::string& angle, const std::string& inherent,
                                    const std::string& aluminium, const std::string& copper,
                                    const std::string& field, const std::string& fluence, const std::string& formula,
                                    const std::string& rectification, const std::string& material,
                                    const std::string& name) {
    std::string text;
    for (const std::string* line : {&tube, &angle, &inherent, &aluminium, &copper, &field, &fluence, &formula,
                                    &rectification, &material, &name}) {
        text += *line + "\r\n";
    }
    return text;
}

// The files of a run in `folder`: "B2F.dat" holding `parameters`, a
// coefficient table of `rows`, and both material tables of the fixtures.
inline void writeRunFiles(const std::filesystem::path& folder, const std::string& parameters,
                          const std::function<CoefficientRow(int)>& rows = smoothRow) {
    const std::filesystem::path fixtures = std::filesystem::path(ENGINE_FIXTURES) / "core";
    writeFile(folder / "B2F.dat", parameters);
    writeFile(folder / "Att_Coeff2023.dat", coefficientTableText(rows));
    std::filesystem::copy_file(fixtures / "water.dat", folder / "water.dat");
    std::filesystem::copy_file(fixtures / "ICRUSoft.dat", folder / "ICRUSoft.dat");
}

// Valid conditions of an 80 kV run: 12 degrees, 1 mm Al inherent, no
// aluminium filter, a 10 cm field of 10^6 photons per cm2, Birch, constant
// potential, water; the copper filter and result file name as given.
inline RunParameters conditions80kV(float copperFilter, const std::string& name) {
    RunParameters p;
    p.tubePotential = 80;
    p.targetAngle = 12;
    p.inherentFiltration = 1;
    p.aluminiumFilter = 0;
    p.copperFilter = copperFilter;
    p.fieldDiameter = 10;
    p.incidentFluence = 1000000;
    p.formulaCode = 1;
    p.rectificationCode = 1;
    p.materialCode = 1;
    p.resultFileName = nameLine30(name);
    deriveRunValues(p);
    return p;
}

}  // namespace corvane::testing
