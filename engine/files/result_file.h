#pragma once
// The comma-separated result file of a run: ten condition lines, the column
// labels and one row of counts per energy bin.

#include <filesystem>
#include <string>

#include "files/run_parameters.h"
#include "model/tallies.h"

namespace corvane {

// The file name of the run: the name line without its trailing blanks.
std::string resultFileName(const RunParameters& parameters);

// The whole text of the result file (CR LF line ends, nothing after the last
// row) for bins 1..binCount. The total component of the tallies must already
// be formed.
std::string formatResultFile(const RunParameters& parameters, const Tallies& tallies);

// Writes the result file (the total component of the tallies already formed) into `folder` under the run's name. The text goes
// to a temporary file beside the final one, which is then renamed over it, so
// a failed or interrupted write never leaves a truncated file nor damages an
// existing file of that name. Throws EngineError (write).
void writeResultFile(const std::filesystem::path& folder, const RunParameters& parameters, const Tallies& tallies);

}  // namespace corvane
