#include "rows.h"

#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "process.h"

namespace sweep {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> readSmallFile(const fs::path& file, std::uintmax_t limit) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec) || fs::file_size(file, ec) > limit) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

nlohmann::json conditionJson(const Condition& c) {
    return {{"kV", c.kV},           {"angle", c.angle},     {"inherent", c.inherent},
            {"al", c.al},           {"cu", c.cu},           {"field", c.field},
            {"photons", c.photons}, {"formula", c.formula}, {"rectification", c.rectification},
            {"material", c.material}};
}

Condition conditionFrom(const nlohmann::json& j) {
    Condition c;
    for (const auto& [key, field] :
         {std::pair<const char*, std::string*>{"kV", &c.kV}, {"angle", &c.angle}, {"inherent", &c.inherent},
          {"al", &c.al}, {"cu", &c.cu}, {"field", &c.field}, {"photons", &c.photons}, {"formula", &c.formula},
          {"rectification", &c.rectification}, {"material", &c.material}}) {
        *field = j.at(key).get<std::string>();
    }
    return c;
}

// A working file of a row, refused when something else stands in its place.
void requireRegularOrAbsent(const fs::path& file) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(file, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        throw SweepError(file.string() + ": exists but is not a regular file; it is left as it is");
    }
}

}  // namespace

fs::path planPath(const fs::path& outdir) { return outdir / ".sweep" / "plan.json"; }

void writeFileAtomically(const fs::path& file, const std::string& text) {
    requireRegularOrAbsent(file);
    const fs::path temporary = file.parent_path() / ("." + file.filename().string() + ".tmp" + std::to_string(::getpid()));
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::error_code ec;
            fs::remove(temporary, ec);
            throw SweepError(file.string() + ": cannot be written");
        }
    }
    std::error_code ec;
    fs::rename(temporary, file, ec);
    if (ec) {
        fs::remove(temporary, ec);
        throw SweepError(file.string() + ": cannot be written: " + ec.message());
    }
}

void writePlan(const fs::path& outdir, const std::vector<PlannedRow>& rows) {
    nlohmann::json list = nlohmann::json::array();
    for (const PlannedRow& row : rows) {
        nlohmann::json j = {{"name", row.name}, {"status", row.status}, {"message", row.message}};
        if (row.condition) j["condition"] = conditionJson(*row.condition);
        list.push_back(j);
    }
    std::error_code ec;
    fs::create_directories(outdir / ".sweep", ec);
    if (!fs::is_directory(outdir / ".sweep", ec)) throw SweepError((outdir / ".sweep").string() + ": cannot be created");
    writeFileAtomically(planPath(outdir), nlohmann::json{{"format", "corvane-sweep-plan/1"}, {"rows", list}}.dump(1) + "\n");
}

std::vector<PlannedRow> readPlan(const fs::path& outdir) {
    const fs::path file = planPath(outdir);
    const auto text = readSmallFile(file, 64u << 20);
    if (!text) throw SweepError(file.string() + ": no sweep plan (is " + outdir.string() + " the output folder of a sweep?)");
    try {
        const nlohmann::json j = nlohmann::json::parse(*text);
        if (j.at("format") != "corvane-sweep-plan/1") throw SweepError(file.string() + ": not a sweep plan");
        std::vector<PlannedRow> rows;
        for (const nlohmann::json& r : j.at("rows")) {
            PlannedRow row;
            row.name = r.at("name").get<std::string>();
            if (!nameProblem(row.name).empty()) throw SweepError(file.string() + ": a row name is not a folder name");
            row.status = r.at("status").get<std::string>();
            row.message = r.at("message").get<std::string>();
            if (r.contains("condition")) row.condition = conditionFrom(r.at("condition"));
            rows.push_back(std::move(row));
        }
        return rows;
    } catch (const nlohmann::json::exception& e) {
        throw SweepError(file.string() + ": malformed sweep plan: " + e.what());
    }
}

std::vector<PlannedRow> planOf(const std::vector<ConditionRow>& rows) {
    std::vector<PlannedRow> plan;
    for (const ConditionRow& row : rows) {
        PlannedRow p;
        p.name = row.name;
        p.condition = row.condition;
        if (!row.condition) {
            p.status = "refused";
            p.message = row.refusal;
        }
        plan.push_back(std::move(p));
    }
    return plan;
}

bool rowComplete(const fs::path& outdir, const PlannedRow& row) {
    if (!row.runnable()) return false;
    const fs::path folder = outdir / row.name;
    const auto parameters = readSmallFile(folder / "B2F.dat", 1u << 16);
    if (!parameters || *parameters != runParameterText(*row.condition)) return false;
    std::error_code ec;
    if (!fs::is_regular_file(folder / kResultFileName, ec) || fs::file_size(folder / kResultFileName, ec) == 0) {
        return false;
    }
    const auto companion = readSmallFile(folder / kCompanionFileName, 1u << 30);
    if (!companion) return false;
    const nlohmann::json j = nlohmann::json::parse(*companion, nullptr, false);
    return j.is_object() && j.contains("format") && j["format"] == "corvane-spectra/1";
}

void prepareRow(const fs::path& outdir, const PlannedRow& row, const fs::path& dataDir) {
    const fs::path folder = outdir / row.name;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(folder, ec);
    if (fs::exists(status) && !fs::is_directory(status)) {
        throw SweepError(folder.string() + ": exists but is not a folder; it is left as it is");
    }
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) throw SweepError(folder.string() + ": cannot be created");
    const std::string parameters = runParameterText(*row.condition);
    if (readSmallFile(folder / "B2F.dat", 1u << 16) != parameters) {
        for (const char* stale : {kResultFileName, kCompanionFileName, kExitStatusFile}) {
            requireRegularOrAbsent(folder / stale);
            fs::remove(folder / stale, ec);
        }
        writeFileAtomically(folder / "B2F.dat", parameters);
    }
    for (const char* data : kDataFiles) {
        requireRegularOrAbsent(folder / data);
        fs::copy_file(dataDir / data, folder / data, fs::copy_options::overwrite_existing, ec);
        if (ec) throw SweepError((dataDir / data).string() + ": cannot be copied to " + folder.string() + ": " + ec.message());
    }
}

int runCorvaneInRow(const fs::path& outdir, const std::string& name, const fs::path& corvane, int threads) {
    const fs::path folder = outdir / name;
    std::error_code ec;
    requireRegularOrAbsent(folder / kExitStatusFile);
    fs::remove(folder / kExitStatusFile, ec);
    for (const char* log : {kOutputLog, kErrorLog}) requireRegularOrAbsent(folder / log);

    std::vector<std::string> arguments = {corvane.string(), "--batch"};
    if (threads > 0) {
        arguments.push_back("--threads");
        arguments.push_back(std::to_string(threads));
    }
    int exitStatus = 127;
    std::string failure;
    try {
        exitStatus = exitStatusOf(startProcess(arguments, folder, kOutputLog, kErrorLog));
    } catch (const SweepError& e) {
        failure = std::string("corvane-sweep: ") + e.what() + "\n";
    }
    if (!failure.empty()) writeFileAtomically(folder / kErrorLog, failure);
    writeFileAtomically(folder / kExitStatusFile, std::to_string(exitStatus) + "\n");
    return exitStatus;
}

RunRecord readRunRecord(const fs::path& outdir, const std::string& name) {
    RunRecord record;
    const auto status = readSmallFile(outdir / name / kExitStatusFile, 64);
    if (!status) return record;
    try {
        record.exitStatus = std::stoi(*status);
    } catch (const std::exception&) {
        return record;
    }
    // The last line written to standard error, without its control bytes.
    const auto err = readSmallFile(outdir / name / kErrorLog, 1u << 20);
    if (err) {
        std::istringstream lines(*err);
        for (std::string line; std::getline(lines, line);) {
            std::string clean;
            for (const char c : line) {
                if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) clean.push_back(c);
            }
            if (!clean.empty()) record.message = clean;
        }
    }
    return record;
}

}  // namespace sweep
