#pragma once
// Reading the library's input files safely: regular files of bounded size,
// split into lines with CR LF or LF ends, and numbers parsed strictly.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace analysis::detail {

// The whole content of a regular file of at most `limit` bytes. Throws
// AnalysisError naming the file when it is missing, not a regular file, larger
// than the limit or unreadable.
std::string readBoundedFile(const std::filesystem::path& path, std::uintmax_t limit);

// The lines of a text, line ends (CR LF or LF) removed. A text ending in a line
// end gives no empty line after it.
std::vector<std::string_view> splitLines(std::string_view text);

// The text as it can be shown in a message: printable ASCII kept, every other
// byte written as \xNN, cut after 40 bytes.
std::string printable(std::string_view text);

// A whole field, blanks around it ignored, as a finite number in plain decimal
// or exponent notation; empty otherwise.
std::optional<double> parseNumber(std::string_view field);

// "file: problem" as the message of an AnalysisError.
[[noreturn]] void fail(const std::filesystem::path& path, const std::string& problem);

}  // namespace analysis::detail
