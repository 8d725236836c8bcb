#pragma once
// Helpers of the sweep's tests: the engine tests' scratch folder and file
// reading, and a reader of the summary.

#include <filesystem>
#include <map>
#include <vector>
#include <sstream>
#include <string>

#include "core_test_support.h"

namespace sweep::testing {

using corvane::testing::ScratchFolder;
using corvane::testing::readFile;

// Writes a file, making its folder first.
inline void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::filesystem::create_directories(file.parent_path());
    corvane::testing::writeFile(file, bytes);
}

}  // namespace sweep::testing

namespace sweep::testing {

// The rows of a CSV text (fields in double quotes may hold commas, quotes
// doubled), each a map from the header's names to its fields.
inline std::vector<std::map<std::string, std::string>> csvRows(const std::string& text) {
    std::vector<std::vector<std::string>> lines(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            lines.back().push_back(field);
            field.clear();
        } else if (c == '\n') {
            lines.back().push_back(field);
            field.clear();
            lines.emplace_back();
        } else if (c != '\r') {
            field += c;
        }
    }
    std::vector<std::map<std::string, std::string>> rows;
    for (std::size_t l = 1; l < lines.size(); ++l) {
        if (lines[l].empty()) continue;
        std::map<std::string, std::string> row;
        for (std::size_t f = 0; f < lines[0].size() && f < lines[l].size(); ++f) row[lines[0][f]] = lines[l][f];
        row["#fields"] = std::to_string(lines[l].size());
        rows.push_back(row);
    }
    return rows;
}

}  // namespace sweep::testing
