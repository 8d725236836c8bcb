#include "files/material_table.h"

#include <cmath>
#include <string>

#include "files/engine_error.h"
#include "files/file_names.h"
#include "files/fixed_field.h"
#include "files/message_text.h"
#include "files/text_file.h"

namespace corvane {
namespace {

// Reads the material file record by record, one line each.
class RecordReader {
public:
    RecordReader(TextFile& in, std::string file) : in_(in), file_(std::move(file)) {}

    std::string next(const char* what) {
        std::string line;
        if (!in_.nextLine(line)) {
            throw readError(file_, "line " + std::to_string(in_.lineNumber() + 1) + ": end of file where " + what +
                                       " was expected");
        }
        return line;
    }

    float real(std::string_view line, int first, int width, int impliedDecimals, const char* what) const {
        const auto value = readFixedReal(fieldAt(line, first, width), impliedDecimals);
        if (!value) throw readError(file_, where(first, width) + what + " is not a number");
        return *value;
    }

    std::int32_t integer(std::string_view line, int first, int width, const char* what) const {
        const auto value = readFixedInteger(fieldAt(line, first, width));
        if (!value) throw readError(file_, where(first, width) + what + " is not an integer");
        return *value;
    }

private:
    std::string where(int first, int width) const {
        return "line " + std::to_string(in_.lineNumber()) + ", columns " + std::to_string(first) + "-" +
               std::to_string(first + width - 1) + ": ";
    }

    TextFile& in_;
    std::string file_;
};

// The row the search rule of every lookup arrives at: start at row 2 and move
// on while the row's key is less than or equal to the argument. The scan stops
// at the last row, so an argument at or beyond the last key uses the last
// interval instead of reading past the table (a checked table never asks).
template <std::size_t Size>
int searchRow(const std::array<float, Size>& key, int last, float argument) {
    int i = 2;
    while (i < last && key[static_cast<std::size_t>(i)] <= argument) ++i;
    return i;
}

}  // namespace

InteractionCoefficients MaterialTable::coefficientsAt(float e) const {
    const float lnE = static_cast<float>(std::log(static_cast<double>(e)));
    const auto i = static_cast<std::size_t>(searchRow(energy, n, e));
    const float lnCohHigh = static_cast<float>(std::log(static_cast<double>(muCoherent[i])));
    const float lnCohLow = static_cast<float>(std::log(static_cast<double>(muCoherent[i - 1])));
    const float lnIncHigh = static_cast<float>(std::log(static_cast<double>(muIncoherent[i])));
    const float lnIncLow = static_cast<float>(std::log(static_cast<double>(muIncoherent[i - 1])));
    const float lnPeHigh = static_cast<float>(std::log(static_cast<double>(muPhotoelectric[i])));
    const float lnPeLow = static_cast<float>(std::log(static_cast<double>(muPhotoelectric[i - 1])));
    const float lnEHigh = static_cast<float>(std::log(static_cast<double>(energy[i])));
    const float lnELow = static_cast<float>(std::log(static_cast<double>(energy[i - 1])));
    const float f = static_cast<float>((static_cast<double>(lnE) - lnELow) / (static_cast<double>(lnEHigh) - lnELow));
    InteractionCoefficients mu;
    mu.coherent = static_cast<float>(std::exp((static_cast<double>(lnCohHigh) - lnCohLow) * f + lnCohLow));
    mu.incoherent = static_cast<float>(std::exp((static_cast<double>(lnIncHigh) - lnIncLow) * f + lnIncLow));
    mu.photoelectric = static_cast<float>(std::exp((static_cast<double>(lnPeHigh) - lnPeLow) * f + lnPeLow));
    return mu;
}

float MaterialTable::incoherentFunctionAt(float xValue) const {
    const auto i = static_cast<std::size_t>(searchRow(x, kMomentumRows, xValue));
    return static_cast<float>((static_cast<double>(incoherentFunction[i]) - incoherentFunction[i - 1]) /
                                  (static_cast<double>(x[i]) - x[i - 1]) * (static_cast<double>(xValue) - x[i - 1]) +
                              incoherentFunction[i - 1]);
}

float MaterialTable::coherentMomentumTransfer(float c) const {
    const auto i = static_cast<std::size_t>(searchRow(cumulative, kMomentumRows, c));
    return static_cast<float>((static_cast<double>(x[i]) - x[i - 1]) * (static_cast<double>(c) - cumulative[i - 1]) /
                                  (static_cast<double>(cumulative[i]) - cumulative[i - 1]) +
                              x[i - 1]);
}

const char* materialFileName(std::int32_t materialCode) {
    return materialCode == 1 ? "water.dat" : "ICRUSoft.dat";
}

MaterialTable readMaterialTable(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const std::filesystem::path path = resolveFileName(folder, file.filename().string());
    const std::string name = file.filename().string();
    TextFile in(path, name);
    RecordReader reader(in, name);
    MaterialTable table;
    std::string line = reader.next("the number of energy rows");
    table.n = reader.integer(line, 1, 3, "the number of energy rows");
    if (table.n < 2 || table.n > kMaxEnergyRows) {
        // The row storage holds 40 rows; refusing here keeps every later read
        // inside it.
        throw dataError(name, "the number of energy rows is " + std::to_string(table.n) +
                                  "; it must lie between 2 and " + std::to_string(kMaxEnergyRows));
    }
    line = reader.next("the header value");
    table.header = reader.real(line, 1, 9, 6, "the header value");
    for (int row = 1; row <= table.n; ++row) {
        const auto i = static_cast<std::size_t>(row);
        line = reader.next("an energy row");
        const float energyMeV = reader.real(line, 1, 9, 3, "the energy");
        table.muCoherent[i] = reader.real(line, 10, 10, 3, "the coherent coefficient");
        table.muIncoherent[i] = reader.real(line, 20, 10, 3, "the incoherent coefficient");
        table.muPhotoelectric[i] = reader.real(line, 30, 10, 3, "the photoelectric coefficient");
        table.energy[i] = static_cast<float>(static_cast<double>(energyMeV) * 1000);
    }
    for (int row = 1; row <= kMomentumRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        line = reader.next("a momentum-transfer row");
        table.x[i] = reader.real(line, 1, 10, 3, "the momentum transfer x");
        table.cumulative[i] = reader.real(line, 11, 12, 5, "the cumulative value C(x)");
        table.incoherentFunction[i] = reader.real(line, 23, 12, 5, "the incoherent function S(x)");
    }
    table.smax = table.incoherentFunction[kMomentumRows];
    table.cmax = table.cumulative[kMomentumRows];
    return table;
}

void checkMaterialTable(const MaterialTable& table, const std::string& fileName, float topEnergyKeV) {
    const int n = table.n;
    if (n < 2 || n > kMaxEnergyRows) {
        throw dataError(fileName, "the number of energy rows is " + std::to_string(n) + "; it must lie between 2 and " +
                                      std::to_string(kMaxEnergyRows));
    }
    for (int row = 1; row <= n; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const std::string at = "energy row " + std::to_string(row) + ": ";
        if (!(table.muCoherent[i] > 0) || !(table.muIncoherent[i] > 0) || !(table.muPhotoelectric[i] > 0)) {
            throw dataError(fileName, at + "every interaction coefficient must be positive");
        }
        if (row == 1 && !(table.energy[i] > 0)) {
            throw dataError(fileName, at + "the energy must be positive");
        }
        if (row >= 2 && !(table.energy[i] > table.energy[i - 1])) {
            throw dataError(fileName, at + "the energies must increase strictly (" + numberText(table.energy[i - 1]) +
                                          " keV, then " + numberText(table.energy[i]) + " keV)");
        }
    }
    if (!(table.energy[static_cast<std::size_t>(n)] > topEnergyKeV)) {
        throw dataError(fileName, "the last energy row (" + numberText(table.energy[static_cast<std::size_t>(n)]) +
                                      " keV) must lie above the highest photon energy of the run (" +
                                      numberText(topEnergyKeV) + " keV)");
    }
    for (int row = 2; row <= kMomentumRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const std::string at = "momentum-transfer row " + std::to_string(row) + ": ";
        if (!(table.x[i] > table.x[i - 1])) {
            throw dataError(fileName, at + "the momentum transfer x must increase strictly");
        }
        if (!(table.cumulative[i] >= table.cumulative[i - 1])) {
            throw dataError(fileName, at + "the cumulative value C(x) must not decrease");
        }
    }
    if (!(table.x[kMomentumRows] >= 10.0f)) {
        throw dataError(fileName, "the last momentum transfer x (" + numberText(table.x[kMomentumRows]) +
                                      " per angstrom) must be at least 10");
    }
    if (!(table.cmax > 0)) {
        throw dataError(fileName, "the last cumulative value C(x) must be positive");
    }
    if (!(table.smax > 0)) {
        // Incoherent scatter accepts an angle with probability S(x) / S[45]:
        // with S[45] at 0 no angle below x = 10 is ever accepted and the
        // sampling never ends.
        throw dataError(fileName, "the last incoherent function value S(x) must be positive");
    }
    if (table.cumulative[1] > 0 && !(table.cumulative[2] > table.cumulative[1])) {
        // A cumulative value below C[1] is interpolated on rows 1 and 2, which
        // must then differ.
        throw dataError(fileName, "momentum-transfer row 2: the cumulative value C(x) must rise above a positive C "
                                  "of row 1");
    }
    for (int row = 1; row <= kMomentumRows; ++row) {
        // The acceptance test S(x) / S[45] >= U passes for U = 0 whenever S is
        // not negative; a negative S could reject every angle.
        if (!(table.incoherentFunction[static_cast<std::size_t>(row)] >= 0)) {
            throw dataError(fileName, "momentum-transfer row " + std::to_string(row) +
                                          ": the incoherent function S(x) must not be negative");
        }
    }
    // Coherent scatter draws C = U x CMAX until the sampled momentum transfer
    // lies within the photon's reach, x 12.4 / E <= 1. The smallest x it can
    // draw is the one at C = 0: beyond the reach of the lowest energy followed
    // (2 keV) every attempt of such a photon would be rejected, for ever.
    const float lowestX = table.coherentMomentumTransfer(0.0f);
    if (static_cast<float>(static_cast<double>(lowestX) * 12.4f / 2.0f) > 1) {
        throw dataError(fileName, "the momentum transfer at C(x) = 0 is " + numberText(lowestX) +
                                      " per angstrom; it must not exceed 2 / 12.4, the reach of a 2 keV photon");
    }
}

}  // namespace corvane
