#include "files/result_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "files/engine_error.h"
#include "files/file_names.h"
#include "files/fixed_field.h"
#include "files/message_text.h"
#include "files/text_file.h"

namespace corvane {
namespace {

constexpr const char* kEol = "\r\n";

const char* const kColumnLabels[20] = {
    "keV",     "incident", "0cm P",   "0cm S",    "0cm P+S", "2cm P",    "2cm S",  "2cm P+S", "  5cm P",  "5cm S",
    "5cm P+S", "10cm P",   "10cm S",  "10cm P+S", "15cm P",  "15cm S",   "15cm P+S", "20cm P", "20cm S",  "20cm P+S",
};

std::string count(std::int64_t value) { return formatF(static_cast<double>(value), 10, 0); }

// Writes the whole text to a file descriptor, retrying short writes.
bool writeAll(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

// The folder the result file of `target` is written into.
std::filesystem::path folderOf(const std::filesystem::path& target) {
    std::filesystem::path dir = target.parent_path();
    return dir.empty() ? "." : dir;
}

// Creates an empty private file beside the target, in its folder, so that the
// rename stays within one file system and replaces the target in one step.
// Returns its descriptor and sets `path`, or returns -1 with errno set.
int createTemporaryBeside(const std::filesystem::path& dir, std::string& path) {
    std::string pattern = (dir / ".corvane-result-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) path = pattern;
    return fd;
}

// Holds back the signals that end a run from the keyboard or the session
// (Ctrl+C, a kill, a closed terminal) while the result is written and renamed,
// so that the temporary file can be removed before the process ends.
class HeldSignals {
public:
    HeldSignals() {
        sigemptyset(&held_);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held_, signal);
        pthread_sigmask(SIG_BLOCK, &held_, &previous_);
    }
    // Whether one of them arrived since.
    bool arrived() const {
        sigset_t pending;
        sigpending(&pending);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            if (sigismember(&pending, signal) == 1) return true;
        }
        return false;
    }
    // Lets a held signal take its course: with its default action it ends the
    // process here.
    ~HeldSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t held_;
    sigset_t previous_;
};

}  // namespace

std::string resultFileName(const RunParameters& parameters) {
    std::string name = parameters.resultFileName;
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    return name;
}

std::string formatResultFile(const RunParameters& p, const Tallies& tallies) {
    std::string text;
    const char* rectification = p.rectificationCode == 1   ? "Constant potential rectification"
                                : p.rectificationCode == 2 ? "Three-phase full-wave rectification 12-peak"
                                                           : "Single-phase full-wave rectification";
    text += std::string(" ") + rectification + kEol;
    text += " Tube potential = " + formatF(p.tubePotential, 6, 1) + " [kV]" + kEol;
    text += " Target angle   = " + formatF(p.targetAngle, 6, 1) + " [deg]" + kEol;
    text += " Inherent filtration = " + formatF(p.inherentFiltration, 6, 3) + " [mmAl eq.]" + kEol;
    text += " Aliminum filter = " + formatF(p.aluminiumFilter, 6, 3) + " [mm]" + kEol;
    text += " Copper filter   = " + formatF(p.copperFilter, 6, 3) + " [mm]" + kEol;
    text += " Field diameter  = " + formatF(p.fieldDiameter, 6, 1) + " [cm]" + kEol;
    text += " Incident photons/cm2  = " + formatF(p.incidentFluence, 11, 0) + kEol;
    text += std::string(" ") + (p.formulaCode == 1 ? "by Birch formula" : "by Tucker formula") + kEol;
    text += std::string(" ") + (p.materialCode == 1 ? "in water phantom" : "in ICRU Soft-tissue phantom") + kEol;
    text += " ";
    for (int i = 0; i < 20; ++i) {
        if (i > 0) text += ",";
        text += kColumnLabels[i];
    }
    text += kEol;

    const int binCount = binsInTables(p.binCount);
    for (int k = 1; k <= binCount; ++k) {
        text += formatF(0.5 * k, 6, 1);
        text += "," + count(tallies.incident[k]);
        for (int j = 1; j <= kSpheres; ++j) {
            for (int c = 1; c <= kComponents; ++c) text += "," + count(tallies.depth[j][c][k]);
        }
        text += kEol;
    }
    return text;
}

std::string resultTargetProblem(const std::filesystem::path& folder, const std::string& name) {
    if (const std::string ambiguity = nameAmbiguity(folder, name); !ambiguity.empty()) return ": " + ambiguity;
    const std::filesystem::path target = resolveFileName(folder, name);
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec)) return " is the name of a folder; it must name a file";
    if (const std::string kind = specialFileKind(target); !kind.empty()) {
        return " points at " + kind + "; only a regular file or a symbolic link is replaced by a result";
    }
    const std::filesystem::path dir = folderOf(target);
    const std::string shownDir = quotedBytes(dir.string());
    if (!std::filesystem::is_directory(dir, ec)) {
        return ": the folder " + shownDir + " does not exist; the result file could not be created";
    }
    // The same steps as the final write: a file created beside the target, then
    // removed again.
    std::string probe;
    const int fd = createTemporaryBeside(dir, probe);
    if (fd < 0) {
        const int error = errno;
        const bool denied = error == EACCES || error == EPERM || error == EROFS;
        return ": the folder " + shownDir + (denied ? " is not writable (" : " does not take a new file (") +
               std::strerror(error) + "); the result file could not be created";
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

void writeResultFile(const std::filesystem::path& folder, const RunParameters& p, const Tallies& tallies) {
    const std::string text = formatResultFile(p, tallies);

    const std::string name = resultFileName(p);
    if (name.empty()) throw writeError("(blank name)", "the result file name is blank");
    const std::string shownName = safeText(name);
    if (const std::string ambiguity = nameAmbiguity(folder, name); !ambiguity.empty()) {
        throw writeError(shownName, ambiguity);
    }
    const std::filesystem::path target = resolveFileName(folder, name);
    if (const std::string kind = specialFileKind(target); !kind.empty()) {
        throw writeError(shownName, "the name now points at " + kind + ", which is never replaced");
    }
    // A result that replaces a regular file keeps that file's permissions.
    struct stat existing {};
    const bool replacesFile = ::lstat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    const mode_t mode = replacesFile ? static_cast<mode_t>(existing.st_mode & 0777) : newFileMode();

    const HeldSignals held;
    std::string temporary;
    const int fd = createTemporaryBeside(folderOf(target), temporary);
    if (fd < 0) {
        throw writeError(shownName, std::string("cannot create a file in its folder: ") + std::strerror(errno));
    }
    const auto fail = [&](const char* what, int error) {
        ::unlink(temporary.c_str());
        return writeError(shownName, std::string(what) + std::strerror(error));
    };
    if (::fchmod(fd, mode) != 0 || !writeAll(fd, text) || ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        throw fail("", error);
    }
    if (::close(fd) != 0) throw fail("", errno);
    if (held.arrived()) {
        // Stopped while writing: the old file stays as it was.
        ::unlink(temporary.c_str());
        throw writeError(shownName, "the run was interrupted while its result was written; nothing was saved");
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) throw fail("cannot replace the file: ", errno);
}

}  // namespace corvane
