// Writes the data files the programs read beside them, from xraylib and the
// NIST mass energy-absorption tables:
//   Att_Coeff2023.dat  coefficients on the 300-bin energy grid (0.5 keV steps)
//   water.dat          phantom material table of liquid water
//   ICRUSoft.dat       phantom material table of ICRU-44 soft tissue
//
//   corvane_datagen <folder of the NIST tables> <output folder>
//
// Every field is written with the engine's fixed-width forms and every line
// ends in CR LF. Nothing is random and nothing depends on the clock: the same
// libraries give the same files byte for byte. A summary of the chosen grids
// and of their interpolation accuracy goes to standard output.

#include "files/fixed_field.h"
#include "xray_data.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvane::datagen {
namespace {

// One field in its exact width; a value that does not fit (asterisks) or that
// would not read back is a fault of the generator, never written.
std::string field(double value, int width, int decimals) {
    std::string text = formatE(value, width, decimals);
    const auto back = readFixedDouble(text, decimals);
    if (static_cast<int>(text.size()) != width || text.find('*') != std::string::npos || !back) {
        throw std::runtime_error("value " + std::to_string(value) + " does not fit E" + std::to_string(width) + "." +
                                 std::to_string(decimals));
    }
    return text;
}

// The value a reader gets back from the field written for v.
double asWritten(double value, int width, int decimals) {
    return *readFixedDouble(field(value, width, decimals), decimals);
}

void writeLines(const std::filesystem::path& file, const std::vector<std::string>& lines) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot create " + file.string());
    for (const std::string& line : lines) out << line << "\r\n";
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

// ---------------------------------------------------------------------------
// Coefficient table, 300 rows at 0.5 r keV.

void writeCoefficientTable(const std::filesystem::path& nistFolder, const std::filesystem::path& out) {
    const NistTable air(nistFolder / "air-dry.csv");
    const NistTable tissue(nistFolder / "tissue-soft-icru44.csv");
    const NistTable water(nistFolder / "water-liquid.csv");
    const Material waterMaterial = liquidWater();
    std::vector<std::string> lines;
    for (int r = 1; r <= 300; ++r) {
        const double e = 0.5 * r;
        std::string line = field(e, 10, 3);
        for (double v : {elementAttenuation(74, 19.3, e), elementAttenuation(13, 2.699, e),
                         elementAttenuation(29, 8.96, e), air.massEnergyAbsorption(e),
                         tissue.massEnergyAbsorption(e), water.massEnergyAbsorption(e),
                         massAttenuation(waterMaterial, e)}) {
            if (!(v > 0)) throw std::runtime_error("non-positive coefficient at " + std::to_string(e) + " keV");
            line += field(v, 15, 6);
        }
        lines.push_back(line);
    }
    writeLines(out / "Att_Coeff2023.dat", lines);
}

// ---------------------------------------------------------------------------
// Energy rows of a material table.
//
// Row energies are the energies an E9.3 field in MeV can hold (three
// significant digits) from 1 keV to 200 keV. Rows are forced at 1 keV, at
// 200 keV and on the two representable energies closest to each
// photoelectric edge of the material's elements, one on each side; between
// those, a greedy sweep takes each next row as far on as log-log
// interpolation of the written (rounded) coefficients stays within
// kTolerance of xraylib for all three coefficients. Half a per cent is the
// rounding limit of the three digits an E10.3 field holds.

constexpr double kTolerance = 0.005;
constexpr double kLowestKeV = 1.0;
constexpr double kHighestKeV = 200.0;

struct Coefficients {
    double coh = 0, inc = 0, pe = 0;
};

Coefficients xraylibCoefficients(const Material& m, double e) {
    return {coherentCoefficient(m, e), incoherentCoefficient(m, e), photoelectricCoefficient(m, e)};
}

double logLog(double e, double e1, double v1, double e2, double v2) {
    const double f = std::log(e / e1) / std::log(e2 / e1);
    return std::exp(std::log(v1) + f * std::log(v2 / v1));
}

double worstDeviation(double e, double e1, const Coefficients& c1, double e2, const Coefficients& c2,
                      const Coefficients& truth) {
    return std::max({std::fabs(logLog(e, e1, c1.coh, e2, c2.coh) / truth.coh - 1),
                     std::fabs(logLog(e, e1, c1.inc, e2, c2.inc) / truth.inc - 1),
                     std::fabs(logLog(e, e1, c1.pe, e2, c2.pe) / truth.pe - 1)});
}

struct EnergyGrid {
    std::vector<double> energyKeV;            // as written (read back from the MeV field)
    std::vector<Coefficients> written;        // as written
    std::vector<std::size_t> straddles;       // row i where [i, i+1] holds an edge
    double worstSmooth = 0, worstSmoothAt = 0;  // 2..150 keV, outside edge intervals
    double worstEdge = 0, worstEdgeAt = 0;      // inside edge intervals
};

EnergyGrid chooseEnergyGrid(const Material& m) {
    // Candidate energies: three significant digits in MeV, as written.
    std::vector<double> candidates;
    for (double decade : {0.01, 0.1, 1.0}) {
        for (int mantissa = 100; mantissa <= 999; ++mantissa) {
            const double e = mantissa * decade;
            if (e >= kLowestKeV - 1e-9 && e <= kHighestKeV + 1e-9) candidates.push_back(asWritten(e / 1000, 9, 3) * 1000);
        }
    }
    const std::vector<double> edges = photoelectricEdges(m, kLowestKeV, kHighestKeV);
    std::vector<Coefficients> truth, written, midTruth;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const Coefficients c = xraylibCoefficients(m, candidates[i]);
        truth.push_back(c);
        written.push_back({asWritten(c.coh, 10, 3), asWritten(c.inc, 10, 3), asWritten(c.pe, 10, 3)});
        if (i + 1 < candidates.size()) midTruth.push_back(xraylibCoefficients(m, std::sqrt(candidates[i] * candidates[i + 1])));
    }
    auto edgeBetween = [&](std::size_t i, std::size_t j) {
        return std::any_of(edges.begin(), edges.end(),
                           [&](double edge) { return edge > candidates[i] && edge <= candidates[j]; });
    };
    // Worst deviation over the candidates and the midpoints between them.
    auto deviation = [&](std::size_t i, std::size_t j, double& at) {
        double worst = 0;
        for (std::size_t k = i; k <= j; ++k) {
            const double d = worstDeviation(candidates[k], candidates[i], written[i], candidates[j], written[j], truth[k]);
            if (d > worst) worst = d, at = candidates[k];
            if (k < j) {
                const double mid = std::sqrt(candidates[k] * candidates[k + 1]);
                const double dm = worstDeviation(mid, candidates[i], written[i], candidates[j], written[j], midTruth[k]);
                if (dm > worst) worst = dm, at = mid;
            }
        }
        return worst;
    };

    std::vector<std::size_t> forced{0, candidates.size() - 1};
    for (double edge : edges) {
        const auto above = std::upper_bound(candidates.begin(), candidates.end(), edge) - candidates.begin();
        // A candidate exactly at an edge is left out: the cross section there
        // belongs to neither side for certain.
        auto below = static_cast<std::size_t>(above) - 1;
        if (candidates[below] == edge) --below;
        forced.push_back(below);
        forced.push_back(static_cast<std::size_t>(above));
    }
    std::sort(forced.begin(), forced.end());
    forced.erase(std::unique(forced.begin(), forced.end()), forced.end());

    std::vector<std::size_t> rows{forced.front()};
    EnergyGrid grid;
    for (std::size_t s = 0; s + 1 < forced.size(); ++s) {
        const std::size_t end = forced[s + 1];
        if (edgeBetween(forced[s], end)) {
            grid.straddles.push_back(rows.size() - 1);
            rows.push_back(end);
            continue;
        }
        std::size_t current = forced[s];
        while (current != end) {
            std::size_t next = current + 1;
            double at = 0;
            while (next < end && deviation(current, next + 1, at) <= kTolerance) ++next;
            rows.push_back(next);
            current = next;
        }
    }
    if (rows.size() > 40) throw std::runtime_error(m.name + ": more than 40 energy rows needed");

    for (std::size_t r : rows) {
        grid.energyKeV.push_back(candidates[r]);
        grid.written.push_back(written[r]);
    }
    // The achieved accuracy from 2 to 150 keV on a fine grid of its own,
    // straight from xraylib.
    for (double e = 2.0; e <= 150.0; e *= 1.0002) {
        const std::size_t i =
            static_cast<std::size_t>(std::upper_bound(grid.energyKeV.begin(), grid.energyKeV.end(), e) - grid.energyKeV.begin()) - 1;
        if (std::any_of(edges.begin(), edges.end(), [&](double edge) { return std::fabs(edge - e) < 1e-9; })) continue;
        const double d = worstDeviation(e, grid.energyKeV[i], grid.written[i], grid.energyKeV[i + 1], grid.written[i + 1],
                                        xraylibCoefficients(m, e));
        const bool edgeInterval = std::find(grid.straddles.begin(), grid.straddles.end(), i) != grid.straddles.end();
        double& worst = edgeInterval ? grid.worstEdge : grid.worstSmooth;
        double& at = edgeInterval ? grid.worstEdgeAt : grid.worstSmoothAt;
        if (d > worst) worst = d, at = e;
    }
    return grid;
}

// ---------------------------------------------------------------------------
// Momentum-transfer rows: 45 values of x from 0 to 10 per angstrom, spaced
// geometrically, x_i = 10 (exp(a t) - 1) / (exp(a) - 1) with t = (i - 1)/44
// rounded to the three digits written, dense where the form factors and the
// incoherent function change fastest. The spread a is the one that minimises
// the worst error of linear interpolation of C and of S, each relative to its
// value at 10 per angstrom.

constexpr int kMomentumRows = 45;
constexpr double kTopX = 10.0;

struct MomentumGrid {
    std::vector<double> x, c, s;  // as written
    double spread = 0, worstC = 0, worstS = 0;
};

MomentumGrid chooseMomentumGrid(const Material& m) {
    // C and S on a fine uniform grid for judging candidate grids.
    constexpr int kFine = 20000;
    const double h = kTopX / kFine;
    std::vector<double> fineC(kFine + 1), fineS(kFine + 1);
    auto g = [&](double t) { return 2 * t * molecularFormFactorSquared(m, t); };
    fineC[0] = 0;
    for (int i = 1; i <= kFine; ++i) {
        const double a = (i - 1) * h, b = i * h;
        fineC[i] = fineC[i - 1] + (g(a) + 4 * g(0.5 * (a + b)) + g(b)) * h / 6;
    }
    for (int i = 0; i <= kFine; ++i) fineS[i] = molecularIncoherentFunction(m, i * h);
    auto fineAt = [&](const std::vector<double>& f, double x) {
        const int i = std::min(static_cast<int>(x / h), kFine - 1);
        return f[i] + (f[i + 1] - f[i]) * (x - i * h) / h;
    };

    auto gridFor = [&](double spread) {
        std::vector<double> xs;
        for (int i = 0; i < kMomentumRows; ++i) {
            const double t = static_cast<double>(i) / (kMomentumRows - 1);
            const double x = kTopX * std::expm1(spread * t) / std::expm1(spread);
            xs.push_back(i == 0 ? 0.0 : asWritten(x, 10, 3));
        }
        return xs;
    };
    auto interpolationError = [&](const std::vector<double>& xs, const std::vector<double>& f) {
        double worst = 0;
        std::size_t k = 1;
        for (int i = 0; i <= kFine; ++i) {
            const double x = i * h;
            while (k + 1 < xs.size() && xs[k] <= x) ++k;
            const double a = fineAt(f, xs[k - 1]), b = fineAt(f, xs[k]);
            const double lin = (b - a) / (xs[k] - xs[k - 1]) * (x - xs[k - 1]) + a;
            worst = std::max(worst, std::fabs(lin - f[i]) / f[kFine]);
        }
        return worst;
    };

    MomentumGrid best;
    double bestError = 1e300;
    for (int step = 10; step <= 120; ++step) {
        const double spread = 0.1 * step;
        const std::vector<double> xs = gridFor(spread);
        if (std::adjacent_find(xs.begin(), xs.end(), std::greater_equal<double>()) != xs.end()) continue;
        const double ec = interpolationError(xs, fineC), es = interpolationError(xs, fineS);
        if (std::max(ec, es) < bestError) {
            bestError = std::max(ec, es);
            best.x = xs;
            best.spread = spread;
            best.worstC = ec;
            best.worstS = es;
        }
    }
    for (double x : best.x) {
        best.c.push_back(asWritten(cumulativeCoherent(m, x), 12, 5));
        best.s.push_back(asWritten(molecularIncoherentFunction(m, x), 12, 5));
    }
    return best;
}

void writeMaterialTable(const Material& m, const std::filesystem::path& file) {
    const EnergyGrid energies = chooseEnergyGrid(m);
    const MomentumGrid momentum = chooseMomentumGrid(m);
    std::vector<std::string> lines;
    lines.push_back(formatI(static_cast<std::int64_t>(energies.energyKeV.size()), 3));
    lines.push_back(formatF(m.density, 9, 6));
    for (std::size_t i = 0; i < energies.energyKeV.size(); ++i) {
        const Coefficients& c = energies.written[i];
        lines.push_back(field(energies.energyKeV[i] / 1000, 9, 3) + field(c.coh, 10, 3) + field(c.inc, 10, 3) +
                        field(c.pe, 10, 3));
    }
    for (int i = 0; i < kMomentumRows; ++i) {
        lines.push_back(field(momentum.x[i], 10, 3) + field(momentum.c[i], 12, 5) + field(momentum.s[i], 12, 5));
    }
    writeLines(file, lines);

    std::printf("%s (%s): %zu energy rows from %.2f to %.0f keV\n", file.filename().c_str(), m.name.c_str(),
                energies.energyKeV.size(), energies.energyKeV.front(), energies.energyKeV.back());
    std::printf("  worst log-log deviation from xraylib, 2-150 keV: %.3f %% at %.3f keV\n", 100 * energies.worstSmooth,
                energies.worstSmoothAt);
    if (!energies.straddles.empty()) {
        std::printf("  inside the %zu intervals holding an absorption edge: %.3f %% at %.4f keV\n",
                    energies.straddles.size(), 100 * energies.worstEdge, energies.worstEdgeAt);
    }
    std::printf("  momentum transfer: spread %.1f, worst linear interpolation error C %.3f %%, S %.3f %% of the top value\n",
                momentum.spread, 100 * momentum.worstC, 100 * momentum.worstS);
}

}  // namespace
}  // namespace corvane::datagen

int main(int argc, char** argv) {
    using namespace corvane::datagen;
    if (argc != 3) {
        std::cerr << "usage: corvane_datagen <folder of the NIST tables> <output folder>\n";
        return 2;
    }
    try {
        const std::filesystem::path nist = argv[1], out = argv[2];
        writeCoefficientTable(nist, out);
        writeMaterialTable(liquidWater(), out / "water.dat");
        writeMaterialTable(icruSoftTissue(), out / "ICRUSoft.dat");
    } catch (const std::exception& e) {
        std::cerr << "corvane_datagen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
