#include "files/message_text.h"

#include <charconv>
#include <cstdio>
#include <utility>

namespace corvane {
namespace {

constexpr std::size_t kShownCharacters = 40;

std::string hexByte(unsigned char byte) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\x%02X", byte);
    return buffer;
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the valid UTF-8 character at the start of `bytes` (1 to 4), or 0
// when the bytes there are not one: a stray continuation byte, an overlong
// form, a surrogate, a code point above U+10FFFF or a cut sequence.
std::size_t utf8Length(std::string_view bytes) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < low || at(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(at(i))) return 0;
    }
    return length;
}

}  // namespace

namespace {

// The safe form of the first 40 characters, and whether any were left out.
std::pair<std::string, bool> shownCharacters(std::string_view bytes) {
    std::string shown;
    std::size_t characters = 0;
    std::size_t i = 0;
    while (i < bytes.size() && characters < kShownCharacters) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = utf8Length(bytes.substr(i));
        if (byte == '\r') {
            shown += "\\r";
        } else if (length == 0 || byte < 0x20 || byte == 0x7F) {
            shown += hexByte(byte);
        } else if (length == 2 && byte == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) < 0xA0) {
            // U+0080..U+009F, the C1 controls (U+009B starts a control sequence).
            shown += hexByte(byte) + hexByte(static_cast<unsigned char>(bytes[i + 1]));
        } else {
            shown.append(bytes.substr(i, length));
        }
        i += length == 0 ? 1 : length;
        ++characters;
    }
    return {shown, i < bytes.size()};
}

std::string lengthNote(std::string_view bytes) { return "... (" + std::to_string(bytes.size()) + " bytes)"; }

}  // namespace

std::string quotedBytes(std::string_view bytes) {
    const auto [shown, cut] = shownCharacters(bytes);
    return "\"" + shown + "\"" + (cut ? lengthNote(bytes) : "");
}

std::string safeText(std::string_view bytes) {
    const auto [shown, cut] = shownCharacters(bytes);
    return shown + (cut ? lengthNote(bytes) : "");
}

std::string numberText(float value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace corvane
