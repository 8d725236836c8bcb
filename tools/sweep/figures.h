#pragma once
// The summary's figures of one run, through the analysis library: the same
// numbers the viewer shows for the same result file.

#include <filesystem>

#include "summary.h"

namespace sweep {

// The figures of a result file and its companion, weighted with the
// coefficient table of the run's own folder (beside the result file).
RunFigures figuresOfRun(const std::filesystem::path& resultFile);

}  // namespace sweep
