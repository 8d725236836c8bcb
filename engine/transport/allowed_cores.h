#pragma once
// The processors this process may run on: its CPU affinity and the CPU quota
// of its control group, as a batch scheduler or a container sets them.

#include <filesystem>
#include <optional>
#include <string_view>

namespace corvane {

// The quota of a cgroup v2 "cpu.max" file ("max 100000" or "150000 100000"),
// in processors; none when unlimited or unreadable.
std::optional<double> quotaFromCpuMax(std::string_view text);

// The quota of cgroup v1 "cpu.cfs_quota_us" and "cpu.cfs_period_us" texts, in
// processors; none when the quota is -1 (unlimited) or a text is unreadable.
std::optional<double> quotaFromCfs(std::string_view quota, std::string_view period);

// The tightest CPU quota on the way from this process's control group up to
// the root of the cgroup file system mounted at `cgroupRoot`
// (/sys/fs/cgroup), read from the cgroup v2 "cpu.max" files or the cgroup v1
// "cpu" controller's CFS files; `procSelfCgroup` is the text of
// /proc/self/cgroup. None when no group on the way sets a quota.
std::optional<double> cgroupCpuQuota(const std::filesystem::path& cgroupRoot, std::string_view procSelfCgroup);

// The processors a run may take: the affinity's processors, fewer when the
// quota allows fewer (a fractional quota rounded up), at least one.
int allowedCores(int affinityProcessors, std::optional<double> quota);

// allowedCores of this process: sched_getaffinity and the quota of its
// control group.
int allowedCoresOfThisProcess();

}  // namespace corvane
