#pragma once
// Module1: the program-wide state that Tessaray's windows share. It lives for
// the whole program; every item starts empty (zero). Arrays are zero-based and
// index 0 of every dimension is never used.

#include <array>

namespace tessaray {

inline constexpr int kBins = 300;
inline constexpr int kDepths = 6;  // 0, 2, 5, 10, 15, 20 cm

struct Module1 {
    // Codes chosen on Form1.
    int FormulaCode = 0;        // 1 Birch, 2 Tucker
    int MaterialCode = 0;       // 1 water, 2 ICRU soft tissue
    int RectificationCode = 0;  // 1 constant potential, 2 three-phase 12-peak, 3 single-phase

    // Columns 5 (air) and 6 (soft tissue) of the coefficient table, by row 1..300.
    std::array<double, kBins + 1> AirCoefficient{};
    std::array<double, kBins + 1> TissueCoefficient{};

    // The result file read by the viewer.
    int ResultRowCount = 0;
    std::array<double, kBins + 1> ResultEnergy{};
    std::array<double, kBins + 1> ResultIncident{};
    // DepthSpectra[depth 1..6][component 1..3][bin 1..300]; component 1 primary, 2 scatter, 3 total.
    std::array<std::array<std::array<double, kBins + 1>, 4>, kDepths + 1> DepthSpectra{};
    double LargestTotal = 0;

    // Plot state of the viewer.
    double SpectrumMaximum = 0;
    int AxesDrawn = 0;
    int NormalizeMode = 0;
    double VerticalScale = 0;

    // Air-kerma to soft-tissue absorbed-dose conversion factors: 0 incident, 1..6 the depths.
    std::array<double, kDepths + 1> ConversionFactor{};
};

}  // namespace tessaray
