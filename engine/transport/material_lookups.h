#pragma once
// The plain lookups of the material table: the three interaction coefficients
// by log-log interpolation over energy, the incoherent function S(x) and the
// inverse of the cumulative coherent distribution C(x) by linear
// interpolation; and the limits of a table that these lookups and the
// scattering loops rely on.

#include <array>
#include <cstddef>
#include <string>

#include "files/material_table.h"

namespace corvane {

// The row every lookup interpolates on: the first row i in [first, last]
// whose key exceeds x, or `last` when none does, for keys that do not
// decrease over [first, last]. So an argument at or beyond the last key uses
// the last interval instead of reading past the table. With first = 2 it is
// the row the scan "start at row 2, move on while the key is at most x,
// stop at the last row" arrives at.
template <std::size_t Size>
int firstRowAbove(const std::array<float, Size>& key, int first, int last, float x) {
    int low = first, high = last;  // the answer lies in [low, high]
    while (low < high) {
        const int mid = (low + high) / 2;
        if (key[static_cast<std::size_t>(mid)] <= x) low = mid + 1;
        else high = mid;
    }
    return low;
}

// Log-log interpolation of the three coefficients at energy e (keV).
InteractionCoefficients coefficientsAt(const MaterialTable& table, float e);

// Linear interpolation of S at 0 <= x < 10.
float incoherentFunctionAt(const MaterialTable& table, float x);

// Inverse linear interpolation of C: the x whose C(x) is c, 0 <= c < cmax,
// on row i as found by firstRowAbove.
float coherentMomentumTransferOnRow(const MaterialTable& table, std::size_t i, float c);
float coherentMomentumTransfer(const MaterialTable& table, float c);

// Refuses a table that breaks the limits every lookup and every scattering
// loop relies on (2 <= n <= 40, strictly increasing energies and x,
// non-decreasing C with C[45] > 0, S never negative with S[45] > 0, positive
// coefficients, X[45] >= 10, a momentum transfer at C = 0 within a 2 keV
// photon's reach, and a last energy above the run's top photon energy
// topEnergyKeV). Throws EngineError (InvalidData) naming the file and the rule
// broken.
void checkMaterialTable(const MaterialTable& table, const std::string& fileName, float topEnergyKeV);

}  // namespace corvane
