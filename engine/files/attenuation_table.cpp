#include "files/attenuation_table.h"

#include <string>

#include "files/engine_error.h"
#include "files/fixed_field.h"
#include "files/message_text.h"
#include "files/text_file.h"

namespace corvane {
namespace {

struct Column {
    int first;
    int width;
    int impliedDecimals;
    const char* what;
    bool coefficientOfTheEngine;  // one of the three columns the spectrum uses
};

// Field 1 is the energy (E10.3), fields 2 to 8 coefficients (E15.6). Every
// field is read, so that a malformed one fails the load even where the engine
// does not use its value.
constexpr Column kColumns[8] = {
    {1, 10, 3, "energy", false},
    {11, 15, 6, "tungsten coefficient", true},
    {26, 15, 6, "aluminium coefficient", true},
    {41, 15, 6, "copper coefficient", true},
    {56, 15, 6, "field 5", false},
    {71, 15, 6, "field 6", false},
    {86, 15, 6, "field 7", false},
    {101, 15, 6, "field 8", false},
};

}  // namespace

AttenuationTable readAttenuationTable(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    TextFile lines(file, name);
    AttenuationTable table;
    std::string line;
    for (int row = 1; row <= kBins; ++row) {
        if (!lines.nextLine(line)) {
            throw readError(name, "end of file at row " + std::to_string(row) + " (" + std::to_string(kBins) +
                                      " rows are needed)");
        }
        float values[8];
        for (int f = 0; f < 8; ++f) {
            const Column& c = kColumns[f];
            const std::string_view field = fieldAt(line, c.first, c.width);
            const std::string where = "row " + std::to_string(row) + ", columns " + std::to_string(c.first) + "-" +
                                      std::to_string(c.first + c.width - 1) + " (" + c.what + "): ";
            const auto value = readFixedReal(field, c.impliedDecimals);
            if (!value) {
                // A number beyond single precision, infinity or NaN is a value
                // the table must not hold; anything else is not a number.
                if (readFixedValue(field, c.impliedDecimals)) {
                    throw dataError(name, where + quotedBytes(field) + " is not a finite single-precision number");
                }
                throw readError(name, where + quotedBytes(field) + " is not a number");
            }
            if (c.coefficientOfTheEngine && *value < 0) {
                // exp(+mu t) would amplify the beam instead of attenuating it.
                throw dataError(name,
                                where + quotedBytes(field) + " is negative; an attenuation coefficient must not be");
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
