#include "files/atomic_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files/engine_error.h"
#include "files/file_names.h"
#include "files/message_text.h"
#include "files/text_file.h"

namespace corvane {
namespace {

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

// Holds back the signals that end a run from the keyboard or the session
// (Ctrl+C, a kill, a closed terminal) while a file is written and renamed,
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

std::filesystem::path folderOf(const std::filesystem::path& target) {
    std::filesystem::path dir = target.parent_path();
    return dir.empty() ? "." : dir;
}

int createTemporaryBeside(const std::filesystem::path& dir, std::string& path) {
    std::string pattern = (dir / ".corvane-result-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) path = pattern;
    return fd;
}

void replaceFileWhole(const std::filesystem::path& folder, const std::string& name, const std::string& text) {
    const std::string shownName = safeText(name);
    if (const std::string ambiguity = nameAmbiguity(folder, name); !ambiguity.empty()) {
        throw writeError(shownName, ambiguity);
    }
    const std::filesystem::path target = resolveFileName(folder, name);
    if (const std::string kind = specialFileKind(target); !kind.empty()) {
        throw writeError(shownName, "the name now points at " + kind + ", which is never replaced");
    }
    // A file that replaces a regular file keeps that file's permissions.
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
