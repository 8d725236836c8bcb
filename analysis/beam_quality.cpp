#include "beam_quality.h"

#include <cmath>
#include <limits>
#include <sstream>

#include "input_text.h"

namespace analysis {

namespace {

constexpr std::uintmax_t kTableSizeLimit = 4u << 20;
constexpr int kTableNumbers = 8;

// The numbers of a line separated by blanks or tabs.
std::vector<std::string_view> blankSeparated(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (true) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string_view::npos) break;
        std::size_t end = line.find_first_of(" \t", at);
        if (end == std::string_view::npos) end = line.size();
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

double binEnergy(int bin) { return kBinWidthKeV * bin; }

// Air kerma of the spectrum behind `mm` of aluminium, in the table's units.
double filteredKerma(const std::vector<double>& photons, const CoefficientTable& table, double mm) {
    double kerma = 0;
    for (std::size_t k = 0; k < photons.size(); ++k) {
        const int bin = static_cast<int>(k) + 1;
        const double weight = photons[k] * binEnergy(bin) * table.air[bin];
        if (weight == 0) continue;
        kerma += weight * std::exp(-table.aluminium[bin] * mm / 10.0);
    }
    return kerma;
}

void checkSpectrum(const std::vector<double>& photons) {
    if (photons.size() > static_cast<std::size_t>(kTableBins)) {
        throw AnalysisError("photon spectrum: " + std::to_string(photons.size()) +
                            " bins, more than the table's 300");
    }
    for (std::size_t k = 0; k < photons.size(); ++k) {
        if (!(photons[k] >= 0) || !std::isfinite(photons[k])) {
            throw AnalysisError("photon spectrum: bin " + std::to_string(k + 1) +
                                " is negative or not a finite number");
        }
    }
}

}  // namespace

CoefficientTable readCoefficientTable(const std::filesystem::path& path) {
    const std::string text = detail::readBoundedFile(path, kTableSizeLimit);
    const auto lines = detail::splitLines(text);
    if (lines.size() < static_cast<std::size_t>(kTableBins)) {
        detail::fail(path, "holds " + std::to_string(lines.size()) + " lines, fewer than the 300 energies");
    }
    CoefficientTable table;
    for (int row = 1; row <= kTableBins; ++row) {
        const auto line = lines[static_cast<std::size_t>(row - 1)];
        const auto words = blankSeparated(line);
        const std::string where = "line " + std::to_string(row);
        if (words.size() != kTableNumbers) {
            detail::fail(path, where + " holds " + std::to_string(words.size()) +
                                   " numbers instead of 8: \"" + detail::printable(line) + "\"");
        }
        double values[kTableNumbers];
        for (int f = 0; f < kTableNumbers; ++f) {
            const auto number = detail::parseNumber(words[static_cast<std::size_t>(f)]);
            if (!number) {
                detail::fail(path, where + ", number " + std::to_string(f + 1) + " is not a number: \"" +
                                       detail::printable(words[static_cast<std::size_t>(f)]) + "\"");
            }
            values[f] = *number;
        }
        if (!(values[4] > 0)) detail::fail(path, where + ": the air coefficient (number 5) is not positive");
        table.aluminium[row] = values[2];
        table.air[row] = values[4];
        table.tissue[row] = values[5];
    }
    return table;
}

double aluminiumThicknessMm(const std::vector<double>& photons, const CoefficientTable& table,
                            double fraction) {
    checkSpectrum(photons);
    if (!(fraction > 0 && fraction < 1)) throw AnalysisError("aluminium thickness: fraction not between 0 and 1");
    const double open = filteredKerma(photons, table, 0);
    if (!(open > 0)) throw AnalysisError("photon spectrum: no air kerma to halve");
    const double target = fraction * open;
    // Bracket the thickness, then halve the bracket: the kerma falls with
    // thickness wherever the aluminium coefficients are positive.
    constexpr double kLongest = 10000.0;  // mm
    double low = 0;
    double high = 1;
    while (filteredKerma(photons, table, high) > target) {
        low = high;
        high *= 2;
        if (high > kLongest) throw AnalysisError("photon spectrum: 10 m of aluminium does not reduce its air kerma enough");
    }
    while (high - low > 1e-9) {
        const double middle = 0.5 * (low + high);
        if (filteredKerma(photons, table, middle) > target) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return 0.5 * (low + high);
}

double effectiveEnergyKeV(double hvlMmAl, const CoefficientTable& table) {
    const double target = std::log(2.0) / (hvlMmAl / 10.0);
    if (!(hvlMmAl > 0) || table.aluminium[kTableBins] >= target) return std::numeric_limits<double>::quiet_NaN();
    for (int bin = kTableBins - 1; bin >= 1; --bin) {
        if (table.aluminium[bin] < target) continue;
        const double mu0 = table.aluminium[bin];
        const double mu1 = table.aluminium[bin + 1];
        const double e0 = binEnergy(bin);
        const double e1 = binEnergy(bin + 1);
        if (!(mu0 > 0 && mu1 > 0)) break;
        const double t = (std::log(target) - std::log(mu0)) / (std::log(mu1) - std::log(mu0));
        return std::exp(std::log(e0) + t * (std::log(e1) - std::log(e0)));
    }
    return std::numeric_limits<double>::quiet_NaN();
}

BeamQuality beamQuality(const std::vector<double>& photons, const CoefficientTable& table) {
    BeamQuality quality;
    quality.hvl1MmAl = aluminiumThicknessMm(photons, table, 0.5);
    quality.hvl2MmAl = aluminiumThicknessMm(photons, table, 0.25) - quality.hvl1MmAl;
    quality.homogeneity = quality.hvl1MmAl / quality.hvl2MmAl;
    double number = 0;
    double energy = 0;
    for (std::size_t k = 0; k < photons.size(); ++k) {
        number += photons[k];
        energy += photons[k] * binEnergy(static_cast<int>(k) + 1);
    }
    quality.meanEnergyKeV = energy / number;
    quality.effectiveEnergyKeV = effectiveEnergyKeV(quality.hvl1MmAl, table);
    return quality;
}

}  // namespace analysis
