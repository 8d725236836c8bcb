#include "xray_data.h"

#include <xraylib.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace corvane::datagen {
namespace {

// Calls an xraylib function and turns its error report into an exception, so
// that no file is ever written from a value xraylib refused to give.
template <typename F>
double checked(const char* what, int z, double arg, F function) {
    xrl_error* error = nullptr;
    const double v = function(z, arg, &error);
    if (error != nullptr) {
        std::string message = std::string(what) + "(" + std::to_string(z) + ", " + std::to_string(arg) +
                               "): " + error->message;
        xrl_clear_error(&error);
        throw std::runtime_error(message);
    }
    if (!std::isfinite(v)) {
        throw std::runtime_error(std::string(what) + " gave a non-finite value");
    }
    return v;
}

double weighted(const Material& m, double eKeV, double (*cs)(int, double, xrl_error**), const char* what) {
    double sum = 0;
    for (const Constituent& c : m.constituents) sum += c.massFraction * checked(what, c.z, eKeV, cs);
    return sum;
}

double atomsPerGram(const Constituent& c) {
    // Moles of atoms per gram; Avogadro's number is a common factor left out.
    return c.massFraction / checked("AtomicWeight", c.z, 0.0, [](int z, double, xrl_error** e) {
               return AtomicWeight(z, e);
           });
}

}  // namespace

Material liquidWater() {
    const double aH = checked("AtomicWeight", 1, 0.0, [](int z, double, xrl_error** e) { return AtomicWeight(z, e); });
    const double aO = checked("AtomicWeight", 8, 0.0, [](int z, double, xrl_error** e) { return AtomicWeight(z, e); });
    const double molecule = 2 * aH + aO;
    return Material{"liquid water", 1.0, {{1, 2 * aH / molecule}, {8, aO / molecule}}};
}

Material icruSoftTissue() {
    return Material{"ICRU-44 soft tissue",
                    1.06,
                    {{1, 0.102},
                     {6, 0.143},
                     {7, 0.034},
                     {8, 0.708},
                     {11, 0.002},
                     {15, 0.003},
                     {16, 0.003},
                     {17, 0.002},
                     {19, 0.003}}};
}

double coherentCoefficient(const Material& m, double eKeV) {
    return weighted(m, eKeV, CS_Rayl, "CS_Rayl") * m.density;
}

double incoherentCoefficient(const Material& m, double eKeV) {
    return weighted(m, eKeV, CS_Compt, "CS_Compt") * m.density;
}

double photoelectricCoefficient(const Material& m, double eKeV) {
    return weighted(m, eKeV, CS_Photo, "CS_Photo") * m.density;
}

double massAttenuation(const Material& m, double eKeV) {
    return weighted(m, eKeV, CS_Total, "CS_Total");
}

double elementAttenuation(int z, double density, double eKeV) {
    return checked("CS_Total", z, eKeV, CS_Total) * density;
}

double molecularFormFactorSquared(const Material& m, double x) {
    double sum = 0;
    for (const Constituent& c : m.constituents) {
        const double f = checked("FF_Rayl", c.z, x, FF_Rayl);
        sum += atomsPerGram(c) * f * f;
    }
    return sum;
}

double molecularIncoherentFunction(const Material& m, double x) {
    if (x == 0) return 0;  // no incoherent scattering without momentum transfer
    // xraylib tabulates S from 0.001 per angstrom on; below it S rises as x^2,
    // its small-momentum-transfer limit.
    constexpr double kFirstTabulated = 0.001;
    const double q = std::max(x, kFirstTabulated);
    const double scale = x < kFirstTabulated ? (x / kFirstTabulated) * (x / kFirstTabulated) : 1.0;
    double sum = 0;
    for (const Constituent& c : m.constituents) sum += atomsPerGram(c) * checked("SF_Compt", c.z, q, SF_Compt);
    return sum * scale;
}

double cumulativeCoherent(const Material& m, double x) {
    // Simpson's rule in x for the integral of G(x) d(x^2) = 2 x G(x) dx, with
    // steps of at most 2.5e-4 per angstrom: far finer than the form factors'
    // own tabulation, so the result is exact to the digits written.
    if (x <= 0) return 0;
    const int steps = 2 * std::max(50, static_cast<int>(std::ceil(x / 5e-4)));
    const double h = x / steps;
    auto g = [&](double t) { return 2 * t * molecularFormFactorSquared(m, t); };
    double sum = g(0) + g(x);
    for (int i = 1; i < steps; ++i) sum += (i % 2 == 1 ? 4 : 2) * g(i * h);
    return sum * h / 3;
}

std::vector<double> photoelectricEdges(const Material& m, double lo, double hi) {
    std::vector<double> edges;
    const double ratio = 1.0005;
    for (const Constituent& c : m.constituents) {
        double e1 = lo;
        double v1 = checked("CS_Photo", c.z, e1, CS_Photo);
        while (e1 < hi) {
            const double e2 = std::min(e1 * ratio, hi);
            const double v2 = checked("CS_Photo", c.z, e2, CS_Photo);
            // Between edges the cross section falls with energy; a rise of
            // more than a few per cent over one step is an absorption edge.
            if (v2 > v1 * 1.02) {
                double a = e1, b = e2;
                while (b - a > 1e-7) {
                    const double mid = 0.5 * (a + b);
                    if (checked("CS_Photo", c.z, mid, CS_Photo) > v1 * 1.02) b = mid;
                    else a = mid;
                }
                edges.push_back(b);
            }
            e1 = e2;
            v1 = v2;
        }
    }
    std::sort(edges.begin(), edges.end());
    return edges;
}

NistTable::NistTable(const std::filesystem::path& csvFile) : name_(csvFile.string()) {
    std::ifstream in(csvFile);
    if (!in) throw std::runtime_error("cannot open " + name_);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Row row{};
        char comma1 = 0, comma2 = 0;
        if (!(fields >> row.energyKeV >> comma1 >> row.mu >> comma2 >> row.muEn) || comma1 != ',' || comma2 != ',') {
            throw std::runtime_error(name_ + ": not a row of energy, mu/rho, mu_en/rho: " + line);
        }
        row.energyKeV *= 1000;  // MeV in the table
        if (!rows_.empty() && row.energyKeV < rows_.back().energyKeV) {
            throw std::runtime_error(name_ + ": energies out of order at " + line);
        }
        rows_.push_back(row);
    }
    if (rows_.size() < 2 || rows_[0].energyKeV == rows_[1].energyKeV) {
        throw std::runtime_error(name_ + ": needs two distinct first energies");
    }
}

double NistTable::interpolate(double eKeV, double Row::*column) const {
    std::size_t upper = 1;  // row above e; the interval is [upper - 1, upper]
    if (eKeV >= rows_.front().energyKeV) {
        if (eKeV > rows_.back().energyKeV) throw std::runtime_error(name_ + ": energy beyond the table");
        // The last row whose energy is <= e (the upper of an edge pair at an
        // edge energy), then the next row of a larger energy.
        std::size_t i = 0;
        while (i + 1 < rows_.size() && rows_[i + 1].energyKeV <= eKeV) ++i;
        if (rows_[i].energyKeV == eKeV) return rows_[i].*column;
        upper = i + 1;
    }
    const Row& a = rows_[upper - 1];
    const Row& b = rows_[upper];
    const double f = std::log(eKeV / a.energyKeV) / std::log(b.energyKeV / a.energyKeV);
    return std::exp(std::log(a.*column) + f * std::log(b.*column / a.*column));
}

double NistTable::massEnergyAbsorption(double eKeV) const { return interpolate(eKeV, &Row::muEn); }

double NistTable::massAttenuation(double eKeV) const { return interpolate(eKeV, &Row::mu); }

}  // namespace corvane::datagen
