#pragma once
// Reading the engine's input files line by line, safely: only a regular file
// is read (a FIFO, a device or a folder is refused at once, without waiting
// for a writer and without reading without end), and a line longer than any
// input file of the engine can hold is a read error.

#include <filesystem>
#include <string>
#include <string_view>

namespace corvane {

// Longest line accepted, in bytes: far beyond any valid line of the engine's
// files, small enough that a runaway file cannot grow the engine's memory.
inline constexpr std::size_t kLongestLine = 64 * 1024;

// What a path names when it is neither a regular file nor a folder, taken
// without following a final symbolic link ("a FIFO", "a character device",
// "a block device", "a socket"), or empty.
std::string specialFileKind(const std::filesystem::path& path);

class TextFile {
public:
    // Opens `path` for reading without blocking and refuses anything but a
    // regular file. `shownName` names the file in error reports. Throws
    // EngineError (open).
    TextFile(const std::filesystem::path& path, std::string shownName);
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Drops a UTF-8 byte-order mark at the start of the file, if there is one.
    // Call before the first line is read.
    void skipByteOrderMark();

    // The next line without its end: CR LF, LF or a lone CR ends a line.
    // Returns false at the end of the file. Throws EngineError (read) on a
    // failed read or a line longer than kLongestLine.
    bool nextLine(std::string& line);

    // Number of the line nextLine returned last (1 for the first).
    int lineNumber() const { return lineNumber_; }
    const std::string& shownName() const { return shownName_; }

private:
    // The next byte, or -1 at the end of the file.
    int nextByte();
    int peekByte();

    int fd_ = -1;
    std::string shownName_;
    char buffer_[8192];
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    int lineNumber_ = 0;
};

}  // namespace corvane
