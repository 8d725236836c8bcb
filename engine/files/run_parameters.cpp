#include "files/run_parameters.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "files/engine_error.h"
#include "files/fixed_field.h"
#include "files/message_text.h"
#include "files/text_file.h"
#include "model/arithmetic.h"

namespace corvane {
namespace {

constexpr std::size_t kNameBytes = 30;

const char* kFieldNames[] = {"tubePotential",   "targetAngle",     "inherentFiltration", "aluminiumFilter",
                             "copperFilter",    "fieldDiameter",   "incidentFluence",    "formulaCode",
                             "rectificationCode", "materialCode"};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Where a value was looked for and found nothing: the first line of blanks
// passed over while reading the ten values, and the value expected there.
struct SkippedLine {
    int line = 0;
    int field = 0;
};

// List-directed reading of one value: the first line from here on that holds
// anything but blanks gives the value, which ends at a blank, a comma or the
// end of the line; the rest of that line is ignored. The first line of blanks
// among lines 1 to 10 is remembered, since a value missing there shifts every
// later one.
std::optional<std::string> nextValueToken(TextFile& lines, int field, SkippedLine& skipped) {
    std::string line;
    while (lines.nextLine(line)) {
        std::size_t i = 0;
        while (i < line.size() && isBlank(line[i])) ++i;
        if (i == line.size()) {
            if (skipped.line == 0 && lines.lineNumber() <= 10) skipped = {lines.lineNumber(), field};
            continue;
        }
        std::size_t end = i;
        while (end < line.size() && !isBlank(line[end]) && line[end] != ',') ++end;
        return line.substr(i, end - i);
    }
    return std::nullopt;
}

// Length of the longest prefix of `bytes` that does not end inside a UTF-8
// multi-byte sequence: an incomplete trailing sequence is dropped.
std::size_t completeUtf8Prefix(std::string_view bytes) {
    std::size_t end = bytes.size();
    // Walk back over at most three continuation bytes to the lead byte.
    std::size_t lead = end;
    int continuation = 0;
    while (lead > 0 && continuation < 4 && (static_cast<unsigned char>(bytes[lead - 1]) & 0xC0) == 0x80) {
        --lead;
        ++continuation;
    }
    if (lead == 0) return end;  // nothing but continuation bytes: not UTF-8, keep as is
    const unsigned char c = static_cast<unsigned char>(bytes[lead - 1]);
    int expected = 0;
    if (c < 0x80) return end;  // ASCII last, complete
    if ((c & 0xE0) == 0xC0) expected = 1;
    else if ((c & 0xF0) == 0xE0) expected = 2;
    else if ((c & 0xF8) == 0xF0) expected = 3;
    else return end;  // not a lead byte: not UTF-8, keep as is
    return continuation < expected ? lead - 1 : end;
}

}  // namespace

std::string nameLine30(std::string_view line) {
    std::string_view head = line.substr(0, std::min(line.size(), kNameBytes));
    std::string name(head.substr(0, completeUtf8Prefix(head)));
    name.resize(kNameBytes, ' ');
    return name;
}

void deriveRunValues(RunParameters& p) {
    p.inherentFiltrationCm = storeFloat(asDouble(p.inherentFiltration) * 0.1f);
    p.aluminiumFilterCm = storeFloat(asDouble(p.aluminiumFilter) * 0.1f);
    p.copperFilterCm = storeFloat(asDouble(p.copperFilter) * 0.1f);
    const double halfDiameter = asDouble(p.fieldDiameter) * 0.5f;
    p.totalPhotons = storeFloat(halfDiameter * halfDiameter * kPi * p.incidentFluence);
    // Truncation toward zero; a value outside the integer range (refused later
    // as outside the data model) is held at the range's end.
    const double twice = 2.0 * p.tubePotential;
    if (twice >= 2147483647.0) p.binCount = 2147483647;
    else if (twice <= -2147483648.0) p.binCount = -2147483647 - 1;
    else p.binCount = truncateToInt(twice);
}

RunParameters readRunParameters(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    TextFile lines(file, name);
    lines.skipByteOrderMark();
    RunParameters p;
    SkippedLine skipped;
    // After a line of blanks among lines 1 to 10, running out of lines or
    // failing on a value read past line 10 is reported at the blank line: the
    // values after it have moved down one line, and the file ran out (or the
    // name was read as a number) only because of it. A bad value on lines 1
    // to 10 is reported as itself.
    const auto failure = [&](const std::string& reason, bool atEnd) {
        if (skipped.line == 0 || (!atEnd && lines.lineNumber() <= 10)) return readError(name, reason);
        return readError(name, "line " + std::to_string(skipped.line) + " is empty; it must hold the value of " +
                                   kFieldNames[skipped.field] + " (value " + std::to_string(skipped.field + 1) +
                                   " of 11)");
    };
    for (int field = 0; field < 10; ++field) {
        const auto token = nextValueToken(lines, field, skipped);
        if (!token) {
            throw failure(std::string("end of file before the value of ") + kFieldNames[field] + " (value " +
                          std::to_string(field + 1) + " of 11)",
                          true);
        }
        const auto bad = [&](const char* kind) {
            return failure("line " + std::to_string(lines.lineNumber()) + ": " + quotedBytes(*token) + " is not " +
                               kind + " (" + kFieldNames[field] + ")",
                           false);
        };
        if (field < 7) {
            const auto value = parseListReal(*token);
            if (!value) throw bad("a real number");
            float* targets[] = {&p.tubePotential, &p.targetAngle,   &p.inherentFiltration, &p.aluminiumFilter,
                                &p.copperFilter,  &p.fieldDiameter, &p.incidentFluence};
            *targets[field] = *value;
        } else {
            const auto value = parseListInteger(*token);
            if (!value) throw bad("an integer");
            std::int32_t* targets[] = {&p.formulaCode, &p.rectificationCode, &p.materialCode};
            *targets[field - 7] = *value;
        }
    }
    std::string line;
    if (!lines.nextLine(line)) throw failure("end of file before the result file name (line 11 of 11)", true);
    p.resultFileName = nameLine30(line);
    deriveRunValues(p);
    return p;
}

}  // namespace corvane
