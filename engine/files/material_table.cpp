#include "files/material_table.h"

#include <string>

#include "files/engine_error.h"
#include "files/file_names.h"
#include "files/fixed_field.h"
#include "files/text_file.h"
#include "model/arithmetic.h"

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

}  // namespace

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
        table.energy[i] = storeFloat(asDouble(energyMeV) * 1000);
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

}  // namespace corvane
