#include "files/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/engine_error.h"

namespace corvane {
namespace {

std::string kindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISDIR(mode)) return "a folder";
    return "not a regular file";
}

}  // namespace

std::string specialFileKind(const std::filesystem::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return {};
    if (S_ISREG(status.st_mode) || S_ISDIR(status.st_mode) || S_ISLNK(status.st_mode)) return {};
    return kindOf(status.st_mode);
}

TextFile::TextFile(const std::filesystem::path& path, std::string shownName) : shownName_(std::move(shownName)) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) throw openError(shownName_, std::strerror(errno));
    struct stat status {};
    if (::fstat(fd_, &status) != 0) {
        const int error = errno;
        ::close(fd_);
        throw openError(shownName_, std::strerror(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd_);
        throw openError(shownName_, "the name points at " + kindOf(status.st_mode) + "; only a regular file is read");
    }
}

TextFile::~TextFile() { ::close(fd_); }

int TextFile::peekByte() {
    if (begin_ == end_) {
        ssize_t n;
        do {
            n = ::read(fd_, buffer_, sizeof buffer_);
        } while (n < 0 && errno == EINTR);
        if (n < 0) throw readError(shownName_, std::strerror(errno));
        begin_ = 0;
        end_ = static_cast<std::size_t>(n);
        if (n == 0) return -1;
    }
    return static_cast<unsigned char>(buffer_[begin_]);
}

int TextFile::nextByte() {
    const int byte = peekByte();
    if (byte >= 0) ++begin_;
    return byte;
}

void TextFile::skipByteOrderMark() {
    static const unsigned char kMark[3] = {0xEF, 0xBB, 0xBF};
    // The buffer is empty before the first line: fill it, then look.
    if (peekByte() < 0) return;
    if (end_ - begin_ >= 3 && std::memcmp(buffer_ + begin_, kMark, 3) == 0) begin_ += 3;
}

bool TextFile::nextLine(std::string& line) {
    line.clear();
    int byte = nextByte();
    if (byte < 0) return false;
    ++lineNumber_;
    while (byte >= 0 && byte != '\n' && byte != '\r') {
        if (line.size() == kLongestLine) {
            throw readError(shownName_, "line " + std::to_string(lineNumber_) + " is longer than " +
                                            std::to_string(kLongestLine) + " bytes");
        }
        line.push_back(static_cast<char>(byte));
        byte = nextByte();
    }
    if (byte == '\r' && peekByte() == '\n') nextByte();
    return true;
}

}  // namespace corvane
