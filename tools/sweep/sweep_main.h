#pragma once
// corvane-sweep's command line.

#include <ostream>
#include <string>
#include <vector>

#include "summary.h"

namespace sweep {

// Exit statuses: every row ran and was summarised ("ok"), or the SLURM
// array was written; some row did not end "ok"; the sweep itself could not
// run (table, output folder, executor); the command line was not understood.
inline constexpr int kAllDone = 0;
inline constexpr int kSomeRowsNotDone = 1;
inline constexpr int kSweepFailed = 2;
inline constexpr int kUsage = 64;

std::string sweepHelpText();

// The whole program on its arguments (without the program name). `self` is
// this program's path; `analyse` gives the figures of a finished run.
int sweepMain(const std::vector<std::string>& arguments, const std::string& self, std::ostream& out,
              std::ostream& err, bool errIsTerminal, const Analyser& analyse);

}  // namespace sweep
