#pragma once
// Small helpers of the engine's file, spectrum and run tests: a scratch
// folder, whole-file reading and writing, and a coefficient table written in
// the table's own fixed columns.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "files/attenuation_table.h"
#include "files/fixed_field.h"

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

}  // namespace corvane::testing
