#pragma once
// The output folder of a sweep: the plan of its rows, each row's own working
// folder with its "B2F.dat", data files, result and companion, and the record
// of each row's run.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "conditions.h"

namespace sweep {

// A row of the plan: what was asked, and whether it is to be run at all.
struct PlannedRow {
    std::string name;
    std::optional<Condition> condition;  // empty when the row's fields could not be read
    std::string status;                  // "refused" or "unreachable" when not to be run
    std::string message;                 // why not

    bool runnable() const { return condition.has_value() && status.empty(); }
};

// OUTDIR/.sweep/plan.json: the rows in order. Written when a sweep starts,
// read by the row runs of the parallel and SLURM executors and by the
// collecting of the summary.
std::filesystem::path planPath(const std::filesystem::path& outdir);
void writePlan(const std::filesystem::path& outdir, const std::vector<PlannedRow>& rows);
std::vector<PlannedRow> readPlan(const std::filesystem::path& outdir);

// The rows a preset or a table gives, refused ones kept with their reason.
std::vector<PlannedRow> planOf(const std::vector<ConditionRow>& rows);

// The data files every run reads from its working folder.
inline const char* const kDataFiles[] = {"Att_Coeff2023.dat", "water.dat", "ICRUSoft.dat"};

// Files a row's run leaves beside its result: Corvane's standard output and
// error, and its exit status (written last).
inline constexpr const char* kOutputLog = "corvane.log";
inline constexpr const char* kErrorLog = "corvane.err";
inline constexpr const char* kExitStatusFile = "exit-status";

// True when the row's folder holds the "B2F.dat" of its condition, a result
// file and a companion that is a JSON object of the agreed format: the run
// ended and need not be repeated.
bool rowComplete(const std::filesystem::path& outdir, const PlannedRow& row);

// Lays out the row's folder: creates it, writes its "B2F.dat" (a changed one
// also drops the result, companion and exit status of the old conditions) and
// copies the data files from `dataDir`. Throws SweepError when the folder or
// one of its files is there but not of its kind, or cannot be written.
void prepareRow(const std::filesystem::path& outdir, const PlannedRow& row, const std::filesystem::path& dataDir);

// Runs `corvane --batch [--threads N]` in the row's folder with standard
// input closed, its output into the logs, and records its exit status
// (128 + the signal for a run ended by a signal). Returns that status.
int runCorvaneInRow(const std::filesystem::path& outdir, const std::string& name,
                    const std::filesystem::path& corvane, int threads);

// What a row's run left: its exit status and the last line it wrote to
// standard error; empty when it has not ended.
struct RunRecord {
    std::optional<int> exitStatus;
    std::string message;
};
RunRecord readRunRecord(const std::filesystem::path& outdir, const std::string& name);

// Writes `text` to `file` through a temporary file beside it and a rename,
// never over something that is not a regular file. Throws SweepError.
void writeFileAtomically(const std::filesystem::path& file, const std::string& text);

}  // namespace sweep
