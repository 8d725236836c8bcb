#include "sweep_main.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "conditions.h"
#include "executors.h"
#include "rows.h"
#include "rqr.h"
#include "run/progress_line.h"
#include "transport/allowed_cores.h"

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "unknown"
#endif

namespace sweep {
namespace {

namespace fs = std::filesystem;

struct UsageError : SweepError {
    using SweepError::SweepError;
};

struct Arguments {
    std::string mode = "sweep";  // sweep | run-row | run-task | collect | help | version
    std::vector<std::string> positional;
    std::string preset, executor = "local";
    RqrSettings rqr;
    int threads = 0, jobs = 0, cpusPerTask = 0;
    std::string sshLoginFile, corvane, data;
    bool transfer = false, submit = false;
};

int wholeNumber(const std::string& option, const std::string& text, int lowest) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < lowest || value > 4096) {
        throw UsageError(option + " \"" + shown(text) + "\" is not a whole number from " + std::to_string(lowest) +
                         " to 4096");
    }
    return static_cast<int>(value);
}

std::string oneOf(const std::string& option, const std::string& text, std::initializer_list<const char*> words) {
    std::string list;
    for (const char* w : words) {
        if (text == w) return text;
        list += (list.empty() ? "" : ", ") + std::string(w);
    }
    throw UsageError(option + " \"" + shown(text) + "\" is not one of " + list);
}

std::string plainNumberOption(const std::string& option, const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= 0) || value > 1e30) {
        throw UsageError(option + " \"" + shown(text) + "\" is not a number of 0 or more");
    }
    return text;
}

Arguments parse(const std::vector<std::string>& args) {
    Arguments a;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& o = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 == args.size()) throw UsageError(o + " needs a value");
            return args[++i];
        };
        if (o == "--help" || o == "-h" || o == "--version") {
            Arguments only;
            only.mode = o == "--version" ? "version" : "help";
            return only;
        }
        if (o == "--run-row" || o == "--run-task" || o == "--collect") {
            a.mode = o.substr(2);
        } else if (o == "--preset") {
            a.preset = oneOf(o, value(), {"rqr"});
        } else if (o == "--formula") {
            a.rqr.formula = oneOf(o, value(), {"birch", "tucker"});
        } else if (o == "--material") {
            a.rqr.material = oneOf(o, value(), {"water", "tissue"});
        } else if (o == "--angle") {
            a.rqr.angle = plainNumberOption(o, value());
        } else if (o == "--photons") {
            a.rqr.photons = plainNumberOption(o, value());
        } else if (o == "--inherent") {
            a.rqr.inherent = plainNumberOption(o, value());
        } else if (o == "--field") {
            a.rqr.field = plainNumberOption(o, value());
        } else if (o == "--executor") {
            a.executor = oneOf(o, value(), {"local", "parallel", "slurm"});
        } else if (o == "--threads") {
            a.threads = wholeNumber(o, value(), 1);
        } else if (o == "--jobs") {
            a.jobs = wholeNumber(o, value(), 1);
        } else if (o == "--cpus-per-task") {
            a.cpusPerTask = wholeNumber(o, value(), 1);
        } else if (o == "--sshloginfile") {
            a.sshLoginFile = value();
        } else if (o == "--transfer") {
            a.transfer = true;
        } else if (o == "--submit") {
            a.submit = true;
        } else if (o == "--corvane") {
            a.corvane = value();
        } else if (o == "--data") {
            a.data = value();
        } else if (!o.empty() && o[0] == '-' && o != "-") {
            throw UsageError("unknown option \"" + shown(o) + "\"");
        } else {
            a.positional.push_back(o);
        }
    }
    const std::size_t wanted = a.mode == "run-task" ? 2 : a.mode == "sweep" && a.preset.empty() ? 2 : 1;
    if (a.positional.size() != wanted) {
        throw UsageError("expected " + std::to_string(wanted) + " folder or file argument" + (wanted == 1 ? "" : "s") +
                         ", got " + std::to_string(a.positional.size()));
    }
    if (a.transfer && a.sshLoginFile.empty()) throw UsageError("--transfer needs --sshloginfile");
    return a;
}

fs::path absoluteNormal(const fs::path& p) {
    fs::path a = fs::absolute(p).lexically_normal();
    if (a.filename().empty()) a = a.parent_path();  // a trailing '/'
    return a;
}

// The engine: the path given, else Corvane beside this program, else in the PATH.
fs::path engineOf(const Arguments& a, const fs::path& self) {
    if (!a.corvane.empty()) return absoluteNormal(a.corvane);
    const fs::path beside = self.parent_path() / "Corvane";
    std::error_code ec;
    if (fs::is_regular_file(beside, ec)) return beside;
    if (const char* path = std::getenv("PATH")) {
        std::string dirs = path;
        for (std::size_t at = 0; at <= dirs.size();) {
            const std::size_t colon = std::min(dirs.find(':', at), dirs.size());
            const fs::path candidate = fs::path(dirs.substr(at, colon - at)) / "Corvane";
            if (colon > at && fs::is_regular_file(candidate, ec)) return candidate;
            at = colon + 1;
        }
    }
    return beside;
}

int runRow(const fs::path& folder, const Arguments& a, const fs::path& self) {
    const fs::path row = absoluteNormal(folder);
    return runCorvaneInRow(row.parent_path(), row.filename().string(), engineOf(a, self), a.threads);
}

int report(const std::vector<SummaryRow>& rows, const fs::path& outdir, std::ostream& out) {
    std::map<std::string, int> counts;
    for (const SummaryRow& r : rows) ++counts[r.status];
    std::string line;
    for (const auto& [status, n] : counts) line += (line.empty() ? "" : ", ") + std::to_string(n) + " " + status;
    out << "corvane-sweep: " << line << "; summary: " << (outdir / "summary.csv").string() << "\n";
    return counts["ok"] == static_cast<int>(rows.size()) ? kAllDone : kSomeRowsNotDone;
}

}  // namespace

std::string sweepHelpText() {
    return "Usage: corvane-sweep [options] CONDITIONS.csv OUTDIR\n"
           "       corvane-sweep --preset rqr [--formula birch|tucker] [--angle A] [--material water|tissue]\n"
           "                     [--photons N] [--inherent MM] [--field CM] [options] OUTDIR\n"
           "       corvane-sweep --collect OUTDIR\n"
           "\n"
           "Runs Corvane --batch once per condition, each in its own folder OUTDIR/<name>/, and writes\n"
           "OUTDIR/summary.csv. A row whose result and companion are complete is not run again.\n"
           "CONDITIONS.csv starts with the header\n"
           "  " + std::string(kConditionsHeader) + "\n"
           "(formula birch|tucker, rectification constant|3phase|1phase, material water|tissue).\n"
           "The RQR preset runs RQR2 to RQR10 of IEC 61267 with the aluminium that gives each first HVL.\n"
           "\n"
           "Options:\n"
           "  --executor local|parallel|slurm   how the conditions run (default local: one at a time)\n"
           "  --threads N          engine threads per condition (default: all allowed processors)\n"
           "  --jobs N             parallel: conditions at a time per machine (default 1)\n"
           "  --sshloginfile FILE  parallel: run on the machines of GNU parallel's login file\n"
           "  --transfer           parallel: copy each row's files to the machine and the results back\n"
           "  --cpus-per-task N    slurm: processors (and engine threads) per array task (default 4)\n"
           "  --submit             slurm: submit the job array and the collecting job with sbatch\n"
           "  --corvane PATH       the engine (default: Corvane beside this program, else in the PATH)\n"
           "  --data DIR           the data files (default: the folder of this program)\n"
           "\n"
           "Exit statuses: 0 every row ok (or the SLURM array written), 1 some row not ok,\n"
           "2 the sweep could not run, 64 command line not understood.\n";
}

int sweepMain(const std::vector<std::string>& arguments, const std::string& selfPath, std::ostream& out,
              std::ostream& err, bool errIsTerminal, const Analyser& analyse) {
    Arguments a;
    try {
        a = parse(arguments);
    } catch (const UsageError& e) {
        err << "corvane-sweep: " << e.what() << "; see corvane-sweep --help\n";
        return kUsage;
    }
    if (a.mode == "help") {
        out << sweepHelpText();
        return kAllDone;
    }
    if (a.mode == "version") {
        out << "corvane-sweep " << CORVANE_VERSION << "\n";
        return kAllDone;
    }
    const fs::path self = absoluteNormal(selfPath);
    try {
        if (a.mode == "run-row") return runRow(a.positional[0], a, self);
        if (a.mode == "run-task") {
            const fs::path outdir = absoluteNormal(a.positional[0]);
            char* end = nullptr;
            const long index = std::strtol(a.positional[1].c_str(), &end, 10);
            if (a.positional[1].empty() || *end != '\0' || index < 0) {
                throw SweepError("task index \"" + shown(a.positional[1]) + "\" is not a whole number of 0 or more");
            }
            return runRow(outdir / taskName(outdir, index), a, self);
        }
        if (a.mode == "collect") {
            const fs::path outdir = absoluteNormal(a.positional[0]);
            return report(collectSummary(outdir, analyse), outdir, out);
        }

        SweepSettings s;
        s.outdir = absoluteNormal(a.positional.back());
        s.self = self;
        s.corvane = engineOf(a, self);
        s.dataDir = a.data.empty() ? self.parent_path() : absoluteNormal(a.data);
        s.threads = a.threads;
        s.jobs = a.jobs > 0 ? a.jobs : 1;
        s.sshLoginFile = a.sshLoginFile.empty() ? fs::path() : absoluteNormal(a.sshLoginFile);
        s.transfer = a.transfer;
        s.cpusPerTask = a.cpusPerTask > 0 ? a.cpusPerTask : a.threads > 0 ? a.threads : 4;
        s.submit = a.submit;
        if (a.executor == "parallel" && s.threads == 0 && s.sshLoginFile.empty()) {
            // The allowed processors shared among the conditions running at once.
            s.threads = std::max(1, corvane::allowedCoresOfThisProcess() / s.jobs);
        }

        std::error_code ec;
        fs::create_directories(s.outdir, ec);
        if (!fs::is_directory(s.outdir, ec)) throw SweepError(s.outdir.string() + ": cannot be created as a folder");

        std::vector<PlannedRow> plan;
        if (a.preset == "rqr") {
            const HvlCalculator hvl(s.dataDir / kDataFiles[0]);
            plan = rqrPlan(hvl, a.rqr);
        } else {
            plan = planOf(readConditions(a.positional[0]));
        }
        const Preparation preparation = prepareRows(s, plan);
        for (PlannedRow& row : plan) {
            const auto failure = preparation.failures.find(row.name);
            if (failure != preparation.failures.end() && row.runnable()) {
                row.status = "failed";
                row.message = failure->second;
            }
        }
        writePlan(s.outdir, plan);
        const int complete = static_cast<int>(std::count_if(plan.begin(), plan.end(), [&](const PlannedRow& r) {
            return rowComplete(s.outdir, r);
        }));
        if (complete > 0) out << "corvane-sweep: " << complete << " condition(s) already complete, not run again\n";

        if (a.executor == "slurm") {
            if (!preparation.pending.empty()) {
                prepareSlurm(s, preparation.pending, out);
                collectSummary(s.outdir, analyse);
                return kAllDone;
            }
        } else if (!preparation.pending.empty()) {
            SweepProgress progress(err, static_cast<int>(preparation.pending.size()), errIsTerminal,
                                   corvane::steadySeconds);
            if (a.executor == "parallel") {
                runParallel(s, preparation.pending, progress);
            } else {
                runLocal(s, preparation.pending, progress);
            }
            progress.finish();
        }
        return report(collectSummary(s.outdir, analyse), s.outdir, out);
    } catch (const std::exception& e) {
        err << "corvane-sweep: " << e.what() << "\n";
        return kSweepFailed;
    }
}

}  // namespace sweep
