#include "conditions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace sweep {
namespace {

std::string trimmed(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
    return s.substr(a, b - a);
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, ',')) out.push_back(trimmed(field));
    if (!line.empty() && line.back() == ',') out.emplace_back();
    return out;
}

// A decimal number as the engine's list-directed reading takes it: sign,
// digits, point, exponent; finite.
bool plainNumber(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' ||
              c == 'E')) {
            return false;
        }
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::string nameProblem(const std::string& name) {
    if (name.empty()) return "the name is empty";
    if (name.size() > 64) return "the name \"" + shown(name.substr(0, 64)) + "...\" is longer than 64 bytes";
    const bool allowed = std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
    });
    if (!allowed || name.front() == '.') {
        return "the name \"" + shown(name) +
               "\" is not a folder name of letters, digits, '.', '_' and '-' not starting with '.'";
    }
    if (lower(name) == "summary.csv") return "the name \"" + name + "\" is the summary's own";
    return {};
}

std::vector<ConditionRow> parseConditions(const std::string& text, const std::string& label) {
    std::istringstream in(text);
    std::string line;
    int lineNumber = 0;
    bool header = false;
    while (!header && std::getline(in, line)) {
        ++lineNumber;
        if (trimmed(line).empty()) continue;
        std::string joined;
        for (const std::string& f : fields(line)) joined += (joined.empty() ? "" : ",") + f;
        if (lineNumber == 1 && joined.compare(0, 3, "\xEF\xBB\xBF") == 0) joined.erase(0, 3);  // UTF-8 mark
        if (joined != kConditionsHeader) {
            throw SweepError(label + ": line " + std::to_string(lineNumber) + ": the header \"" +
                             shown(trimmed(line)) + "\" is not \"" + kConditionsHeader + "\"");
        }
        header = true;
    }
    if (!header) throw SweepError(label + ": no header \"" + std::string(kConditionsHeader) + "\"");

    std::vector<ConditionRow> rows;
    std::set<std::string> seen;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (trimmed(line).empty()) continue;
        const std::string where = label + ": line " + std::to_string(lineNumber) + ": ";
        const std::vector<std::string> f = fields(line);
        ConditionRow row;
        row.name = f.empty() ? std::string() : f[0];
        if (f.size() != 11) {
            row.refusal = where + std::to_string(f.size()) + " fields where the header has 11";
        } else if (const std::string problem = nameProblem(row.name); !problem.empty()) {
            row.refusal = where + problem;
        } else if (seen.count(lower(row.name)) != 0) {
            row.refusal = where + "the name \"" + row.name + "\" is used by an earlier row";
        } else {
            static const char* const numberColumns[] = {"kV", "angle", "inherent", "al", "cu", "field", "photons"};
            for (int i = 0; i < 7 && row.refusal.empty(); ++i) {
                if (!plainNumber(f[static_cast<std::size_t>(i) + 1])) {
                    row.refusal = where + numberColumns[i] + " \"" + shown(f[static_cast<std::size_t>(i) + 1]) +
                                  "\" is not a number";
                }
            }
            const struct {
                const char* column;
                const std::string& value;
                std::vector<std::string> words;
            } choices[] = {{"formula", f[8], {"birch", "tucker"}},
                           {"rectification", f[9], {"constant", "3phase", "1phase"}},
                           {"material", f[10], {"water", "tissue"}}};
            for (const auto& c : choices) {
                if (!row.refusal.empty()) break;
                if (std::find(c.words.begin(), c.words.end(), lower(c.value)) == c.words.end()) {
                    std::string list;
                    for (const std::string& w : c.words) list += (list.empty() ? "" : ", ") + w;
                    row.refusal = where + c.column + " \"" + shown(c.value) + "\" is not one of " + list;
                }
            }
            if (row.refusal.empty()) {
                row.condition = Condition{f[1], f[2], f[3], f[4], f[5], f[6], f[7], lower(f[8]), lower(f[9]),
                                          lower(f[10])};
            }
        }
        // A refused name still needs a unique, safe label in the summary.
        if (nameProblem(row.name).empty()) seen.insert(lower(row.name));
        rows.push_back(std::move(row));
    }
    if (rows.empty()) throw SweepError(label + ": no condition rows below the header");
    return rows;
}

std::vector<ConditionRow> readConditions(const std::filesystem::path& table) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(table, ec)) {
        throw SweepError(table.string() + ": " + (std::filesystem::exists(table, ec) ? "not a regular file" : "no such file"));
    }
    if (std::filesystem::file_size(table, ec) > (16u << 20)) throw SweepError(table.string() + ": larger than 16 MB");
    std::ifstream in(table, std::ios::binary);
    if (!in) throw SweepError(table.string() + ": cannot be opened");
    std::ostringstream text;
    text << in.rdbuf();
    return parseConditions(text.str(), table.string());
}

std::string runParameterText(const Condition& c) {
    const char* formula = c.formula == "birch" ? "1" : "2";
    const char* rectification = c.rectification == "constant" ? "1" : c.rectification == "3phase" ? "2" : "3";
    const char* material = c.material == "water" ? "1" : "2";
    std::string text;
    for (const std::string& line : {c.kV, c.angle, c.inherent, c.al, c.cu, c.field, c.photons, std::string(formula),
                                    std::string(rectification), std::string(material), std::string(kResultFileName)}) {
        text += line + "\r\n";
    }
    return text;
}

}  // namespace sweep
