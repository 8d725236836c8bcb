#pragma once
// The engine's three columns of the coefficient table "Att_Coeff2023.dat":
// linear attenuation coefficients (1/cm) of tungsten, aluminium and copper by
// energy bin k = 1..300 (0.5 k keV). Index 0 is unused.

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>

namespace corvane {

inline constexpr int kBins = 300;

// The bins a run of binCount bins fills: the tables end at bin 300 whatever
// the conditions say.
inline int binsInTables(std::int32_t binCount) { return std::clamp<std::int32_t>(binCount, 0, kBins); }

struct AttenuationTable {
    std::array<float, kBins + 1> muTarget{};
    std::array<float, kBins + 1> muAluminium{};
    std::array<float, kBins + 1> muCopper{};
};

// Reads the 300 rows by fixed columns. Throws EngineError (open or read).
AttenuationTable readAttenuationTable(const std::filesystem::path& file);

}  // namespace corvane
