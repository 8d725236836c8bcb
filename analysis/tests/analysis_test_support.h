#pragma once
// Helpers of the analysis tests: a scratch folder, a coefficient table of
// chosen columns, and files written from text.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "analysis/beam_quality.h"

namespace analysis_test {

namespace fs = std::filesystem;

inline const fs::path kFixtures = ANALYSIS_FIXTURES;
inline const fs::path kShippedTable = fs::path(SHIPPED_DATA) / "Att_Coeff2023.dat";

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "analysis-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

inline void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Coefficients of one bin for a hand-made table.
struct TableColumns {
    std::function<double(int)> aluminium = [](int bin) { return 1.0 / (0.5 * bin); };  // 1/E per cm
    std::function<double(int)> air = [](int) { return 1.0; };
    std::function<double(int)> tissue = [](int bin) { return bin == 2 ? 4.0 : 1.0; };
};

// 300 lines of eight numbers in the table's layout, CR LF ends.
inline std::string tableText(const TableColumns& c = {}, int lines = 300) {
    std::string text;
    for (int bin = 1; bin <= lines; ++bin) {
        char line[160];
        std::snprintf(line, sizeof line, "%10.3E%15.6E%15.6E%15.6E%15.6E%15.6E%15.6E%15.6E\r\n", 0.5 * bin, 1.0,
                      c.aluminium(bin), 1.0, c.air(bin), c.tissue(bin), 1.0, 1.0);
        text += line;
    }
    return text;
}

// The hand-made table of the default columns, read through the library.
inline analysis::CoefficientTable handTable(const TableColumns& c = {}) {
    ScratchFolder folder;
    writeFile(folder / "Att_Coeff2023.dat", tableText(c));
    return analysis::readCoefficientTable(folder / "Att_Coeff2023.dat");
}

// Expects `call` to throw an AnalysisError whose message holds every one of `parts`.
template <typename Call>
void expectFailure(Call call, std::initializer_list<std::string> parts) {
    try {
        call();
        ADD_FAILURE() << "no AnalysisError; expected one mentioning " << *parts.begin();
    } catch (const analysis::AnalysisError& error) {
        const std::string message = error.what();
        for (const auto& part : parts) EXPECT_NE(message.find(part), std::string::npos) << message;
    }
}

}  // namespace analysis_test
