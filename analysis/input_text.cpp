#include "input_text.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <system_error>

#include "beam_quality.h"

namespace analysis::detail {

void fail(const std::filesystem::path& path, const std::string& problem) {
    throw AnalysisError(path.string() + ": " + problem);
}

std::string readBoundedFile(const std::filesystem::path& path, std::uintmax_t limit) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) fail(path, "cannot open: no such file");
    if (!std::filesystem::is_regular_file(status)) fail(path, "cannot read: not a regular file");
    const auto size = std::filesystem::file_size(path, error);
    if (error) fail(path, "cannot read: " + error.message());
    if (size > limit) {
        fail(path, "cannot read: " + std::to_string(size) + " bytes, more than the " +
                       std::to_string(limit) + " such a file can hold");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(path, "cannot open for reading");
    std::string text;
    text.reserve(static_cast<std::size_t>(size));
    // Read at most one byte past the limit, in case the file grew meanwhile.
    std::istreambuf_iterator<char> it(in), end;
    for (; it != end && text.size() <= limit; ++it) text.push_back(*it);
    if (in.bad()) fail(path, "read error");
    if (text.size() > limit) fail(path, "cannot read: the file grew past its size limit while read");
    return text;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = next;
    }
    return lines;
}

std::string printable(std::string_view text) {
    static constexpr std::size_t kShown = 40;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            out.push_back(static_cast<char>(byte));
        } else {
            out += "\\x";
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0xF]);
        }
    }
    if (text.size() > kShown) out += "...";
    return out;
}

std::optional<double> parseNumber(std::string_view field) {
    const auto first = field.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    const auto last = field.find_last_not_of(" \t");
    field = field.substr(first, last - first + 1);
    // from_chars takes no leading plus sign; a number may carry one.
    if (field.front() == '+') field.remove_prefix(1);
    if (field.empty() || field.front() == '+' || (field.front() == '-' && field.size() > 1 && field[1] == '+')) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, error] =
        std::from_chars(field.data(), field.data() + field.size(), value, std::chars_format::general);
    if (error != std::errc() || end != field.data() + field.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace analysis::detail
