#include "files/file_names.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

#include "files/engine_error.h"
#include "files/message_text.h"

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

struct Lookup {
    std::filesystem::path exact;
    bool exactExists = false;
    std::vector<std::filesystem::path> matches;  // when the exact name does not exist
};

Lookup lookUp(const std::filesystem::path& folder, std::string_view name) {
    Lookup lookup;
    lookup.exact = folder / std::filesystem::path(std::string(name));
    std::error_code ec;
    // A dangling symbolic link is an entry of that name too.
    lookup.exactExists = std::filesystem::exists(std::filesystem::symlink_status(lookup.exact, ec));
    if (lookup.exactExists) return lookup;
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec)) {
        if (equalIgnoringAsciiCase(entry.path().filename().string(), name)) lookup.matches.push_back(entry.path());
    }
    std::sort(lookup.matches.begin(), lookup.matches.end());
    return lookup;
}

}  // namespace

std::string nameAmbiguity(const std::filesystem::path& folder, std::string_view name) {
    const Lookup lookup = lookUp(folder, name);
    if (lookup.matches.size() < 2) return {};
    std::string list;
    for (std::size_t i = 0; i < lookup.matches.size(); ++i) {
        if (i > 0) list += i + 1 == lookup.matches.size() ? " and " : ", ";
        list += quotedBytes(lookup.matches[i].filename().string());
    }
    const bool two = lookup.matches.size() == 2;
    return "the name is ambiguous: " + list + (two ? " both" : " all") +
           " match it without regard to letter case; rename or remove " + (two ? "one of them" : "all but one");
}

std::filesystem::path resolveFileName(const std::filesystem::path& folder, std::string_view name) {
    const Lookup lookup = lookUp(folder, name);
    if (lookup.matches.size() == 1) return lookup.matches.front();
    if (lookup.matches.size() > 1) throw openError(std::string(name), nameAmbiguity(folder, name));
    return lookup.exact;
}

}  // namespace corvane
