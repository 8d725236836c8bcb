#include "files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "files/engine_error.h"

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

}  // namespace

void replaceFileWhole(const std::filesystem::path& target, const std::string& shownName, const std::string& text) {
    std::filesystem::path dir = target.parent_path();
    if (dir.empty()) dir = ".";

    // The temporary file lives beside the target, so that the rename stays
    // within one file system and replaces the target in one step.
    std::string pattern = (dir / (".corvane-result-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd < 0) throw writeError(shownName, std::string("cannot create a file in its folder: ") + std::strerror(errno));
    const std::string temporary(buffer.data());

    const auto fail = [&](const char* what, int error) {
        ::unlink(temporary.c_str());
        return writeError(shownName, std::string(what) + std::strerror(error));
    };
    if (::fchmod(fd, newFileMode()) != 0 || !writeAll(fd, text) || ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        throw fail("", error);
    }
    if (::close(fd) != 0) throw fail("", errno);
    if (std::rename(temporary.c_str(), target.c_str()) != 0) throw fail("cannot replace the file: ", errno);
}

}  // namespace corvane
