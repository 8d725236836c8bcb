#pragma once
// What every layer of the engine counts in: the energy grid of 300 bins of
// 0.5 keV shared by the spectrum, the coefficient table, the tallies and the
// result file, and the engine's single-precision pi.

#include <algorithm>
#include <cstdint>

#include "model/arithmetic.h"

namespace corvane {

// Bin k = 1..300 stands for the photon energy 0.5 k keV; tables keep index 0
// unused.
inline constexpr int kBins = 300;

// The bins a run of binCount bins fills: the tables end at bin 300 whatever
// the conditions say.
inline int binsInTables(std::int32_t binCount) { return std::clamp<std::int32_t>(binCount, 0, kBins); }

// The energy bin a photon of energy e (keV) is counted in: int(2e - 0.001) + 1,
// so 0.5 m keV falls in bin m.
inline std::int32_t energyBin(float e) {
    return truncateToInt(2 * asDouble(e) - asDouble(0.001f)) + 1;
}

// The engine's pi: the single-precision number 3.141592, used everywhere.
inline constexpr float kPi = 3.141592f;

}  // namespace corvane
