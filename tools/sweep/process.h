#pragma once
// Starting a program in a folder with its output in files, and waiting for it.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace sweep {

// Starts `command` (its first word looked up in the PATH unless it holds a
// '/') in `folder`, standard input closed, standard output to `out` and, when
// given, standard error to `err` (files relative to `folder`, truncated).
// Throws SweepError naming the program when it cannot be started.
pid_t startProcess(const std::vector<std::string>& command, const std::filesystem::path& folder,
                   const std::filesystem::path& out, const std::filesystem::path& err = {});

// The exit status of a started process (128 + the signal that ended it);
// without `block`, -1 while it still runs.
int exitStatusOf(pid_t pid, bool block = true);

}  // namespace sweep
