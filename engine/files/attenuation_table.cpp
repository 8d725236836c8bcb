#include "files/attenuation_table.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include "files/engine_error.h"
#include "files/fixed_field.h"

namespace corvane {
namespace {

struct Column {
    int first;
    int width;
    int impliedDecimals;
    const char* what;
};

// Field 1 is the energy (E10.3), fields 2 to 8 coefficients (E15.6). Every
// field is read, so that a malformed one fails the load even where the engine
// does not use its value.
constexpr Column kColumns[8] = {
    {1, 10, 3, "energy"},           {11, 15, 6, "tungsten coefficient"}, {26, 15, 6, "aluminium coefficient"},
    {41, 15, 6, "copper coefficient"}, {56, 15, 6, "field 5"},           {71, 15, 6, "field 6"},
    {86, 15, 6, "field 7"},         {101, 15, 6, "field 8"},
};

}  // namespace

AttenuationTable readAttenuationTable(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    std::ifstream in(file, std::ios::binary);
    if (!in) throw openError(name, std::strerror(errno));
    AttenuationTable table;
    std::string line;
    for (int row = 1; row <= kBins; ++row) {
        if (!std::getline(in, line)) {
            if (in.bad()) throw readError(name, std::strerror(errno));
            throw readError(name, "end of file at row " + std::to_string(row) + " (" + std::to_string(kBins) +
                                      " rows are needed)");
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        float values[8];
        for (int f = 0; f < 8; ++f) {
            const Column& c = kColumns[f];
            const auto value = readFixedReal(fieldAt(line, c.first, c.width), c.impliedDecimals);
            if (!value) {
                throw readError(name, "row " + std::to_string(row) + ", columns " + std::to_string(c.first) + "-" +
                                          std::to_string(c.first + c.width - 1) + " (" + c.what + "): \"" +
                                          std::string(fieldAt(line, c.first, c.width)) + "\" is not a number");
            }
            values[f] = *value;
        }
        table.muTarget[row] = values[1];
        table.muAluminium[row] = values[2];
        table.muCopper[row] = values[3];
    }
    return table;
}

}  // namespace corvane
