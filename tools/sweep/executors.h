#pragma once
// Running the rows of a sweep: one after the other on this machine, through
// GNU parallel (here or on the machines of a login file), or as a SLURM job
// array.

#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "rows.h"

namespace sweep {

struct SweepSettings {
    std::filesystem::path outdir;   // absolute
    std::filesystem::path corvane;  // the engine, absolute
    std::filesystem::path self;     // this program, absolute
    std::filesystem::path dataDir;  // holds the data files
    int threads = 0;                // per condition; 0: the engine's own choice
    // GNU parallel
    int jobs = 1;                          // conditions at a time (per machine)
    std::filesystem::path sshLoginFile;    // empty: this machine only
    bool transfer = false;                 // copy the rows' files to the machines and back
    // SLURM
    int cpusPerTask = 4;
    bool submit = false;
};

// Rows prepared for a run, and those whose folder could not be laid out.
struct Preparation {
    std::vector<std::string> pending;              // to run, in plan order
    std::map<std::string, std::string> failures;  // name -> reason
};

// Lays out the folder of every runnable row that is not complete.
Preparation prepareRows(const SweepSettings& settings, const std::vector<PlannedRow>& plan);

// The sweep's progress: conditions done of all, time left; redrawn in place
// when `inPlace`, else one line each.
class SweepProgress {
public:
    SweepProgress(std::ostream& out, int total, bool inPlace, std::function<double()> seconds);
    void done(int count);  // `count` conditions have ended
    void finish();

private:
    std::ostream& out_;
    int total_;
    bool inPlace_;
    std::function<double()> seconds_;
    double start_;
    int shown_ = -1;
};

// Runs the pending rows one at a time, each on all allowed cores (or the
// threads asked for).
void runLocal(const SweepSettings& settings, const std::vector<std::string>& pending, SweepProgress& progress);

// The command line of GNU parallel for the pending rows listed one a line in
// `jobList` (relative to OUTDIR, where it is started).
std::vector<std::string> parallelCommand(const SweepSettings& settings, const std::string& jobList);

// Runs GNU parallel over the pending rows and follows their exit-status
// files for the progress. Throws SweepError when it cannot be started.
void runParallel(const SweepSettings& settings, const std::vector<std::string>& pending, SweepProgress& progress);

// The SLURM job-array script for the rows listed one a line in
// OUTDIR/.sweep/tasks.txt (array task i runs line i, counted from 0), and the
// command that collects the summary afterwards.
std::string slurmScript(const SweepSettings& settings, int tasks);
std::string collectCommand(const SweepSettings& settings);

// Writes OUTDIR/.sweep/tasks.txt and OUTDIR/sweep.sbatch; with `submit`,
// submits it with sbatch and the collecting as a job that waits for it.
// Writes what to do next to `out`. Throws SweepError.
void prepareSlurm(const SweepSettings& settings, const std::vector<std::string>& pending, std::ostream& out);

// The name on line `index` (from 0) of OUTDIR/.sweep/tasks.txt. Throws SweepError.
std::string taskName(const std::filesystem::path& outdir, long index);

// A text as one shell word.
std::string shellWord(const std::string& text);

}  // namespace sweep
