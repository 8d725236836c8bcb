#pragma once
// The conditions of a sweep: one row per run, read from a CSV table or made
// by a preset, and the "B2F.dat" text of each.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/message_text.h"

namespace sweep {

// A failure of the whole sweep (unreadable table, unusable output folder);
// the message names the file and the problem.
class SweepError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The header the conditions table must start with.
inline constexpr const char* kConditionsHeader =
    "name,kV,angle,inherent,al,cu,field,photons,formula,rectification,material";

// The result file every row's run writes in its own folder, and its companion.
inline constexpr const char* kResultFileName = "result.csv";
inline constexpr const char* kCompanionFileName = "result.json";

// One run's conditions. The numbers are kept as written so that the engine
// reads exactly the text of the table.
struct Condition {
    std::string kV, angle, inherent, al, cu, field, photons;
    std::string formula;        // birch | tucker
    std::string rectification;  // constant | 3phase | 1phase
    std::string material;       // water | tissue
};

// A row of the sweep: its conditions, or why the sweep refuses it before any
// run (a field that is not a number, an unknown formula, a bad name...).
struct ConditionRow {
    std::string name;
    std::optional<Condition> condition;
    std::string refusal;
};

// Reads a conditions table: the header above (blanks around names ignored),
// then one row per line (CR LF or LF; blank lines skipped). A row with the
// wrong number of fields, a field that is not a plain number, a word outside
// its list, or a name that is not a folder name of letters, digits, '.', '_'
// and '-' (not starting with '.', at most 64 bytes, not "summary.csv",
// unique without regard to case) is kept as a refused row. Throws SweepError
// for a missing file, a wrong header or no rows.
std::vector<ConditionRow> readConditions(const std::filesystem::path& table);

// The same on the table's text; `label` names it in messages.
std::vector<ConditionRow> parseConditions(const std::string& text, const std::string& label);

// Why `name` cannot name a row's folder, or empty when it can.
std::string nameProblem(const std::string& name);

// The eleven lines of "B2F.dat" for a condition, CR LF, naming kResultFileName.
std::string runParameterText(const Condition& condition);

// Bytes from a table or a command line, safe to echo in a message: control
// bytes and bytes that are not UTF-8 as \xNN.
inline std::string shown(const std::string& bytes) { return corvane::safeText(bytes); }

}  // namespace sweep
