#pragma once
// The photon interaction data of the phantom material, read from "water.dat"
// or "ICRUSoft.dat": interaction coefficients by energy and a table over the
// momentum transfer x for the two scattering models. The lookups that
// interpolate in it belong to the transport (transport/material_lookups.h).

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace corvane {

inline constexpr int kMaxEnergyRows = 40;
inline constexpr int kMomentumRows = 45;

struct InteractionCoefficients {
    float coherent = 0;       // MU_COH, 1/cm
    float incoherent = 0;     // MU_INC, 1/cm
    float photoelectric = 0;  // MU_PE, 1/cm
};

struct MaterialTable {
    std::int32_t n = 0;  // energy rows in use, 2..40
    float header = 0;    // record 2; stored, used by nothing
    // Rows 1..n (index 0 unused): energy in keV and the three coefficients.
    std::array<float, kMaxEnergyRows + 1> energy{}, muCoherent{}, muIncoherent{}, muPhotoelectric{};
    // Rows 1..45 (index 0 unused): momentum transfer x (1/angstrom), the
    // cumulative coherent distribution C(x) and the incoherent function S(x).
    std::array<float, kMomentumRows + 1> x{}, cumulative{}, incoherentFunction{};
    float smax = 0;  // S[45]
    float cmax = 0;  // C[45]
};

// "water.dat" for materialCode 1, "ICRUSoft.dat" for any other code.
const char* materialFileName(std::int32_t materialCode);

// Reads a material table by its fixed-column records. Throws EngineError
// (open, read).
MaterialTable readMaterialTable(const std::filesystem::path& file);

}  // namespace corvane
