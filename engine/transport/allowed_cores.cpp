#include "transport/allowed_cores.h"

#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::optional<long long> wholeNumber(std::string_view s) {
    s = trimmed(s);
    long long value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<double> ratio(std::optional<long long> quota, std::optional<long long> period) {
    if (!quota || !period || *quota <= 0 || *period <= 0) return std::nullopt;
    return static_cast<double>(*quota) / static_cast<double>(*period);
}

std::optional<std::string> fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::optional<double> tighter(std::optional<double> a, std::optional<double> b) {
    if (!a) return b;
    if (!b) return a;
    return std::min(*a, *b);
}

// The quota of the group at `dir` and of every group above it up to `root`.
template <class ReadQuota>
std::optional<double> tightestUpTo(const std::filesystem::path& root, std::filesystem::path dir, ReadQuota read) {
    std::optional<double> quota;
    for (;;) {
        quota = tighter(quota, read(dir));
        if (dir == root || !dir.has_relative_path() || dir.parent_path() == dir) break;
        const std::filesystem::path up = dir.parent_path();
        if (up.native().size() < root.native().size()) break;
        dir = up;
    }
    return quota;
}

}  // namespace

std::optional<double> quotaFromCpuMax(std::string_view text) {
    text = trimmed(text);
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    return ratio(wholeNumber(text.substr(0, space)), wholeNumber(text.substr(space + 1)));
}

std::optional<double> quotaFromCfs(std::string_view quota, std::string_view period) {
    return ratio(wholeNumber(quota), wholeNumber(period));
}

std::optional<double> cgroupCpuQuota(const std::filesystem::path& cgroupRoot, std::string_view procSelfCgroup) {
    std::optional<double> quota;
    std::istringstream lines{std::string(procSelfCgroup)};
    for (std::string line; std::getline(lines, line);) {
        // "hierarchy-ID:controller-list:path"
        const std::size_t first = line.find(':');
        const std::size_t second = first == std::string::npos ? std::string::npos : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        std::string path(trimmed(std::string_view(line).substr(second + 1)));
        while (!path.empty() && path.front() == '/') path.erase(0, 1);
        if (line.compare(0, first, "0") == 0 && controllers.empty()) {
            // The unified (v2) hierarchy, mounted at the root or beside the v1 controllers.
            for (const std::filesystem::path& mount : {cgroupRoot, cgroupRoot / "unified"}) {
                quota = tighter(quota, tightestUpTo(mount, mount / path, [](const std::filesystem::path& dir) {
                    const auto text = fileText(dir / "cpu.max");
                    return text ? quotaFromCpuMax(*text) : std::nullopt;
                }));
            }
            continue;
        }
        std::vector<std::string> names;
        std::istringstream list(controllers);
        for (std::string name; std::getline(list, name, ',');) names.push_back(name);
        if (std::find(names.begin(), names.end(), "cpu") == names.end()) continue;
        // The v1 "cpu" controller, mounted under its own name or its joint one.
        for (const std::filesystem::path& mount : {cgroupRoot / "cpu", cgroupRoot / controllers}) {
            quota = tighter(quota, tightestUpTo(mount, mount / path, [](const std::filesystem::path& dir) {
                const auto q = fileText(dir / "cpu.cfs_quota_us");
                const auto p = fileText(dir / "cpu.cfs_period_us");
                return q && p ? quotaFromCfs(*q, *p) : std::nullopt;
            }));
        }
    }
    return quota;
}

int allowedCores(int affinityProcessors, std::optional<double> quota) {
    int cores = std::max(1, affinityProcessors);
    if (quota && *quota > 0) {
        const double whole = std::ceil(*quota);
        if (whole < cores) cores = std::max(1, static_cast<int>(whole));
    }
    return cores;
}

int allowedCoresOfThisProcess() {
    int affinity = 0;
    // A set large enough for any machine: sched_getaffinity fails with EINVAL
    // when the kernel's mask is larger than the one given.
    for (int size = 1024; size <= (1 << 20) && affinity == 0; size *= 2) {
        cpu_set_t* set = CPU_ALLOC(size);
        if (set == nullptr) break;
        const std::size_t bytes = CPU_ALLOC_SIZE(size);
        CPU_ZERO_S(bytes, set);
        if (sched_getaffinity(0, bytes, set) == 0) affinity = CPU_COUNT_S(bytes, set);
        CPU_FREE(set);
        if (affinity == 0 && errno != EINVAL) break;
    }
    if (affinity == 0) affinity = static_cast<int>(std::thread::hardware_concurrency());
    const auto cgroups = fileText("/proc/self/cgroup");
    return allowedCores(affinity, cgroups ? cgroupCpuQuota("/sys/fs/cgroup", *cgroups) : std::nullopt);
}

}  // namespace corvane
