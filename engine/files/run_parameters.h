#pragma once
// The irradiation conditions of one run, read from "B2F.dat".

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "model/energy_grid.h"

namespace corvane {

struct RunParameters {
    float tubePotential = 0;       // kV, peak
    float targetAngle = 0;         // degrees
    float inherentFiltration = 0;  // mm Al equivalent
    float aluminiumFilter = 0;     // mm
    float copperFilter = 0;        // mm
    float fieldDiameter = 0;       // cm
    float incidentFluence = 0;     // photons per cm2
    std::int32_t formulaCode = 0;        // 1 Birch, other Tucker
    std::int32_t rectificationCode = 0;  // 1 constant potential, 2 three-phase 12-peak, other single-phase
    std::int32_t materialCode = 0;       // 1 water, other ICRU soft tissue
    std::string resultFileName;          // the 30-byte name line as read (blank-padded)

    // Derived right after reading.
    float inherentFiltrationCm = 0;
    float aluminiumFilterCm = 0;
    float copperFilterCm = 0;
    float totalPhotons = 0;          // (fieldDiameter*0.5)^2 * pi * incidentFluence
    std::int32_t binCount = 0;       // whole part of 2 * tubePotential
};

// Reads "B2F.dat" (list-directed values on lines 1 to 10, a 30-byte name line)
// and computes the derived values. Throws EngineError (open or read).
RunParameters readRunParameters(const std::filesystem::path& file);

// The name line as the engine keeps it: its first 30 bytes, without an
// incomplete UTF-8 sequence at the cut, padded with blanks to 30 bytes.
std::string nameLine30(std::string_view line);

// Computes the filter thicknesses in cm, totalPhotons and binCount from the
// values read.
void deriveRunValues(RunParameters& parameters);

}  // namespace corvane
