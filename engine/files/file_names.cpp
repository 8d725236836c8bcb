#include "files/file_names.h"

#include <string>
#include <system_error>

namespace corvane {
namespace {

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::filesystem::path resolveFileName(const std::filesystem::path& folder, std::string_view name) {
    const std::filesystem::path exact = folder / std::filesystem::path(std::string(name));
    std::error_code ec;
    if (std::filesystem::exists(exact, ec)) return exact;
    std::filesystem::path match;
    int matches = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec)) {
        if (equalIgnoringAsciiCase(entry.path().filename().string(), name)) {
            match = entry.path();
            ++matches;
        }
    }
    // Two entries that differ only in case leave the choice open: refuse to
    // guess and let the open of the exact name fail.
    return matches == 1 ? match : exact;
}

}  // namespace corvane
