#pragma once
// Beam quality of a photon spectrum on the 0.5 keV grid, and the coefficient
// table it is weighted with.
//
//   CoefficientTable table = readCoefficientTable("Att_Coeff2023.dat");
//   std::vector<double> photons = ...;          // photons[k-1] = bin k (0.5·k keV)
//   BeamQuality q = beamQuality(photons, table);
//   double hvl1 = q.hvl1MmAl;                    // first half-value layer, mm Al
//
// Half-value layers are air-kerma weighted: the air kerma behind t mm of
// aluminium is Σ_k N_k · E_k · μen,air(k) · exp(−μAl(k) · t / 10), with E_k =
// 0.5·k keV, μen,air the air column (5) and μAl the aluminium column (3, per
// cm) of the table. Bins of no photons or of zero kerma weight take no part.
// No Qt and nothing of the engine: any program may link this library.

#include <array>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace analysis {

inline constexpr int kTableBins = 300;
inline constexpr double kBinWidthKeV = 0.5;

// Every failure of the library: a file that is missing, not a regular file,
// too large or malformed, or figures that cannot be formed. The message names
// the file (where there is one) and the problem.
class AnalysisError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The columns of "Att_Coeff2023.dat" the analysis weights with, by bin 1..300
// (index 0 unused): aluminium (column 3, 1/cm), energy absorption of air
// (column 5) and of soft tissue (column 6; only ratios to air are used).
struct CoefficientTable {
    std::array<double, kTableBins + 1> aluminium{};
    std::array<double, kTableBins + 1> air{};
    std::array<double, kTableBins + 1> tissue{};
};

// Reads the first 300 lines of the table, eight numbers separated by blanks on
// each (CR LF or LF line ends; later lines are ignored). Throws AnalysisError
// for a missing, non-regular or oversized file, a line that is missing or does
// not hold eight finite numbers, or an air coefficient that is not positive
// (every kerma weight divides by or multiplies with it).
CoefficientTable readCoefficientTable(const std::filesystem::path& path);

struct BeamQuality {
    double hvl1MmAl = 0;            // aluminium that halves the air kerma
    double hvl2MmAl = 0;            // the further aluminium that halves it again
    double homogeneity = 0;         // hvl1 / hvl2
    double meanEnergyKeV = 0;       // Σ N·E / Σ N over the photon spectrum
    double effectiveEnergyKeV = 0;  // mono energy of the same first HVL; NaN beyond the table
};

// The thickness of aluminium in mm after which the air kerma of `photons` is
// `fraction` (0 < fraction < 1) of its unfiltered value; found by bisection to
// 1e-9 mm. Throws AnalysisError for a spectrum without kerma, more than 300
// bins, a negative or non-finite entry, or a kerma that aluminium does not
// reduce to that fraction within 10 m.
double aluminiumThicknessMm(const std::vector<double>& photons, const CoefficientTable& table,
                            double fraction);

// HVL1, HVL2, homogeneity coefficient, mean and effective energy of a spectrum
// of photon numbers per bin (photons[k-1] for bin k). Throws as above.
BeamQuality beamQuality(const std::vector<double>& photons, const CoefficientTable& table);

// The photon energy in keV whose aluminium coefficient is ln 2 / HVL: the
// table's coefficients are interpolated linearly in log μ against log E
// between neighbouring bins, searching down from 150 keV to the first bin whose
// coefficient reaches the target. NaN when 150 keV is still too soft.
double effectiveEnergyKeV(double hvlMmAl, const CoefficientTable& table);

}  // namespace analysis
