#pragma once
// The companion file of a run: beside the result file, in JSON, what a
// physicist needs besides the result file's counts: the conditions, the
// incident spectrum and the histories run per bin, and every tally per batch
// of consecutive histories, with the volume-averaged fluence in each sphere
// from the track length of the photons' paths inside it. Format
// "corvane-spectra/1"; the keys are listed in the README.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "files/run_parameters.h"
#include "model/tallies.h"

namespace corvane {

// The companion's name for a result file name: a trailing ".csv" (any letter
// case) replaced by ".json", or ".json" appended.
std::string companionFileName(const std::string& resultName);

// The volume of a detector sphere, 4/3 pi 0.5^3 cm3 (pi in double).
double sphereVolumeCm3();

// What a run adds to its tallies: the normalised incident spectrum by bin
// (index 0 unused) and the number of histories run in each bin.
struct RunSpectrum {
    std::array<float, kBins + 1> incident{};
    std::array<std::int32_t, kBins + 1> histories{};
};

// The whole JSON text of the companion file of a run, ending in CR LF.
std::string formatCompanionFile(const RunParameters& parameters, const RunSpectrum& spectrum, const Tallies& tallies);

// Writes the companion file into `folder` beside the result file, whole or
// not at all (as the result file). Throws EngineError (write) naming it; the
// result file is not touched.
void writeCompanionFile(const std::filesystem::path& folder, const RunParameters& parameters,
                        const RunSpectrum& spectrum, const Tallies& tallies);

}  // namespace corvane
