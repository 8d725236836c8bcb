#pragma once
// The photon interaction data of the phantom material, read from "water.dat"
// or "ICRUSoft.dat": interaction coefficients by energy and a table over the
// momentum transfer x for the two scattering models.

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

    // Log-log interpolation of the three coefficients at energy e (keV).
    InteractionCoefficients coefficientsAt(float e) const;
    // Linear interpolation of S at 0 <= x < 10.
    float incoherentFunctionAt(float x) const;
    // Inverse linear interpolation of C: the x whose C(x) is c, 0 <= c < cmax.
    float coherentMomentumTransfer(float c) const;
};

// "water.dat" for materialCode 1, "ICRUSoft.dat" for any other code.
const char* materialFileName(std::int32_t materialCode);

// Reads a material table by its fixed-column records. Throws EngineError
// (open, read).
MaterialTable readMaterialTable(const std::filesystem::path& file);

// Refuses a table that breaks the limits every lookup and every scattering
// loop relies on (2 <= n <= 40, strictly increasing energies and x,
// non-decreasing C with C[45] > 0, S never negative with S[45] > 0, positive
// coefficients, X[45] >= 10, a momentum transfer at C = 0 within a 2 keV
// photon's reach, and a last energy above the run's top photon energy
// topEnergyKeV). Throws EngineError (InvalidData) naming the file and the rule
// broken.
void checkMaterialTable(const MaterialTable& table, const std::string& fileName, float topEnergyKeV);

}  // namespace corvane
