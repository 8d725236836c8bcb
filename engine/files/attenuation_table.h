#pragma once
// The engine's three columns of the coefficient table "Att_Coeff2023.dat":
// linear attenuation coefficients (1/cm) of tungsten, aluminium and copper by
// energy bin k = 1..300 (0.5 k keV). Index 0 is unused.

#include <array>
#include <filesystem>

#include "model/energy_grid.h"

namespace corvane {

struct AttenuationTable {
    std::array<float, kBins + 1> muTarget{};
    std::array<float, kBins + 1> muAluminium{};
    std::array<float, kBins + 1> muCopper{};
};

// Reads the 300 rows by fixed columns. Throws EngineError (open or read).
AttenuationTable readAttenuationTable(const std::filesystem::path& file);

}  // namespace corvane
