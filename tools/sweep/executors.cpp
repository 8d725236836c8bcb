#include "executors.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "conditions.h"
#include "process.h"
#include "run/progress_line.h"
#include "transport/allowed_cores.h"

namespace sweep {
namespace {

namespace fs = std::filesystem;

std::string listText(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += n + "\n";
    return text;
}

int ended(const fs::path& outdir, const std::vector<std::string>& names) {
    int count = 0;
    std::error_code ec;
    for (const std::string& n : names) count += fs::is_regular_file(outdir / n / kExitStatusFile, ec) ? 1 : 0;
    return count;
}

}  // namespace

std::string shellWord(const std::string& text) {
    std::string word = "'";
    for (const char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

Preparation prepareRows(const SweepSettings& settings, const std::vector<PlannedRow>& plan) {
    Preparation preparation;
    for (const PlannedRow& row : plan) {
        if (!row.runnable() || rowComplete(settings.outdir, row)) continue;
        try {
            prepareRow(settings.outdir, row, settings.dataDir);
            preparation.pending.push_back(row.name);
        } catch (const SweepError& e) {
            preparation.failures[row.name] = e.what();
        }
    }
    return preparation;
}

SweepProgress::SweepProgress(std::ostream& out, int total, bool inPlace, std::function<double()> seconds)
    : out_(out), total_(total), inPlace_(inPlace), seconds_(std::move(seconds)), start_(seconds_()) {}

void SweepProgress::done(int count) {
    if (count == shown_) return;
    shown_ = count;
    const double elapsed = seconds_() - start_;
    const double left = count > 0 ? elapsed * (total_ - count) / count : -1;
    const std::string text = "corvane-sweep: " + std::to_string(count) + " / " + std::to_string(total_) +
                             " conditions done, time left " + corvane::durationText(left);
    if (inPlace_) {
        out_ << '\r' << text << std::flush;
    } else {
        out_ << text << '\n' << std::flush;
    }
}

void SweepProgress::finish() {
    if (inPlace_ && shown_ >= 0) out_ << '\n' << std::flush;
}

void runLocal(const SweepSettings& settings, const std::vector<std::string>& pending, SweepProgress& progress) {
    progress.done(0);
    int count = 0;
    for (const std::string& name : pending) {
        runCorvaneInRow(settings.outdir, name, settings.corvane, settings.threads);
        progress.done(++count);
    }
}

std::vector<std::string> parallelCommand(const SweepSettings& settings, const std::string& jobList) {
    std::vector<std::string> command = {"parallel", "--jobs", std::to_string(std::max(1, settings.jobs)),
                                        "--halt", "never"};
    if (!settings.sshLoginFile.empty()) {
        command.insert(command.end(), {"--sshloginfile", settings.sshLoginFile.string()});
    }
    std::vector<std::string> run;
    if (settings.transfer) {
        // Each row's files go to a scratch folder on the machine and its
        // results come back; corvane-sweep and Corvane must be in the PATH there.
        command.insert(command.end(), {"--workdir", "...", "--cleanup"});
        command.push_back("--transferfile");
        command.push_back("{}/B2F.dat");
        for (const char* data : kDataFiles) command.insert(command.end(), {"--transferfile", std::string("{}/") + data});
        for (const char* back : {kResultFileName, kCompanionFileName, kOutputLog, kErrorLog, kExitStatusFile}) {
            command.insert(command.end(), {"--return", std::string("{}/") + back});
        }
        run = {"corvane-sweep", "--run-row", "{}"};
    } else {
        run = {settings.self.string(), "--run-row", (settings.outdir / "{}").string(), "--corvane",
               settings.corvane.string()};
    }
    if (settings.threads > 0) run.insert(run.end(), {"--threads", std::to_string(settings.threads)});
    // GNU parallel hands the command to a shell: every word quoted, the row's
    // name ({}) left for it to fill in.
    std::string line;
    for (const std::string& word : run) {
        std::string quoted;
        std::size_t at = 0;
        for (std::size_t brace; (brace = word.find("{}", at)) != std::string::npos; at = brace + 2) {
            quoted += (brace > at ? shellWord(word.substr(at, brace - at)) : std::string()) + "{}";
        }
        if (at < word.size() || word.empty()) quoted += shellWord(word.substr(at));
        line += (line.empty() ? "" : " ") + quoted;
    }
    command.push_back(line);
    command.insert(command.end(), {"::::", jobList});
    return command;
}

void runParallel(const SweepSettings& settings, const std::vector<std::string>& pending, SweepProgress& progress) {
    const std::string jobList = ".sweep/pending.txt";
    writeFileAtomically(settings.outdir / jobList, listText(pending));
    const pid_t pid = startProcess(parallelCommand(settings, jobList), settings.outdir, settings.outdir / ".sweep/parallel.log");
    progress.done(0);
    for (;;) {
        const int status = exitStatusOf(pid, false);
        progress.done(ended(settings.outdir, pending));
        if (status >= 0) {
            // GNU parallel counts failed jobs in its status; those are in the
            // rows' records. 255 and above 100 mean it did not run them.
            if (status > 100 && ended(settings.outdir, pending) < static_cast<int>(pending.size())) {
                throw SweepError("GNU parallel ended with status " + std::to_string(status) + "; see " +
                                 (settings.outdir / ".sweep/parallel.log").string());
            }
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

std::string collectCommand(const SweepSettings& settings) {
    return shellWord(settings.self.string()) + " --collect " + shellWord(settings.outdir.string());
}

std::string slurmScript(const SweepSettings& settings, int tasks) {
    const std::string cpus = std::to_string(std::max(1, settings.cpusPerTask));
    std::string script = "#!/bin/bash\n"
                         "# One array task per condition: task i runs line i (from 0) of .sweep/tasks.txt\n"
                         "# in the output folder, with as many engine threads as processors given.\n"
                         "#SBATCH --job-name=corvane-sweep\n"
                         "#SBATCH --array=0-" + std::to_string(std::max(0, tasks - 1)) + "\n"
                         "#SBATCH --cpus-per-task=" + cpus + "\n"
                         "#SBATCH --ntasks=1\n"
                         "#SBATCH --output=" + (settings.outdir / ".sweep" / "slurm-%A_%a.out").string() + "\n";
    script += "exec " + shellWord(settings.self.string()) + " --run-task " + shellWord(settings.outdir.string()) +
              " \"$SLURM_ARRAY_TASK_ID\" --threads \"${SLURM_CPUS_PER_TASK:-" + cpus + "}\" --corvane " +
              shellWord(settings.corvane.string()) + "\n";
    script += "# When every task has ended, collect the summary with:\n# " + collectCommand(settings) + "\n";
    return script;
}

void prepareSlurm(const SweepSettings& settings, const std::vector<std::string>& pending, std::ostream& out) {
    const fs::path script = settings.outdir / "sweep.sbatch";
    std::error_code ec;
    fs::create_directories(settings.outdir / ".sweep", ec);
    writeFileAtomically(settings.outdir / ".sweep" / "tasks.txt", listText(pending));
    writeFileAtomically(script, slurmScript(settings, static_cast<int>(pending.size())));
    if (!settings.submit) {
        out << "SLURM job array written: " << script.string() << "\n"
            << "submit it with: sbatch " << shellWord(script.string()) << "\n"
            << "then, when every task has ended: " << collectCommand(settings) << "\n";
        return;
    }
    const fs::path log = settings.outdir / ".sweep" / "sbatch.out";
    int status = exitStatusOf(startProcess({"sbatch", "--parsable", script.string()}, settings.outdir, log));
    std::ifstream in(log);
    std::string job;
    std::getline(in, job);
    job = job.substr(0, job.find(';'));  // "jobid;cluster"
    if (status != 0 || job.empty()) throw SweepError("sbatch " + script.string() + " failed with status " + std::to_string(status));
    out << "submitted SLURM job array " << job << " (" << pending.size() << " tasks)\n";
    const std::vector<std::string> collect = {
        "sbatch",  "--parsable", "--dependency=afterany:" + job, "--job-name=corvane-sweep-collect",
        "--output=" + (settings.outdir / ".sweep" / "slurm-collect-%j.out").string(), "--wrap=" + collectCommand(settings)};
    status = exitStatusOf(startProcess(collect, settings.outdir, log));
    if (status == 0) {
        out << "the summary is collected by a job that waits for it: " << (settings.outdir / "summary.csv").string() << "\n";
    } else {
        out << "the collecting job could not be submitted; when the tasks have ended run: " << collectCommand(settings)
            << "\n";
    }
}

std::string taskName(const fs::path& outdir, long index) {
    std::ifstream in(outdir / ".sweep" / "tasks.txt");
    if (!in) throw SweepError((outdir / ".sweep" / "tasks.txt").string() + ": cannot be opened");
    std::string name;
    for (long i = 0; std::getline(in, name); ++i) {
        if (i == index) {
            if (!nameProblem(name).empty()) throw SweepError("task " + std::to_string(index) + ": not a row name");
            return name;
        }
    }
    throw SweepError((outdir / ".sweep" / "tasks.txt").string() + ": no task " + std::to_string(index));
}

}  // namespace sweep
