#include "files/message_text.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

TEST(MessageText, QuotesBytesSafelyForATerminal) {
    const struct {
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"80.0 kV", "\"80.0 kV\""},
        {"", "\"\""},
        {"a\rb", "\"a\\rb\""},
        {std::string("8\0" "0", 3), "\"8\\x000\""},
        {"\x1B[2J\t\x7F", "\"\\x1B[2J\\x09\\x7F\""},
        {"\xC2\x9B" "1m", "\"\\xC2\\x9B1m\""},            // the C1 control sequence introducer
        {"\xC2\xA0" "x", "\"\xC2\xA0x\""},                 // U+00A0 is printable
        {"\xFF\xFE", "\"\\xFF\\xFE\""},                    // never valid in UTF-8
        {"\xC0\xAF", "\"\\xC0\\xAF\""},                    // an overlong '/'
        {"\xED\xA0\x80", "\"\\xED\\xA0\\x80\""},           // a surrogate
        {"\xE7\xB5\x90\xE6\x9E", "\"\xE7\xB5\x90\\xE6\\x9E\""},  // a character cut in half
        {"結果\xF0\x9F\x98\x80.csv", "\"結果\xF0\x9F\x98\x80.csv\""},
        {std::string(40, 'x'), "\"" + std::string(40, 'x') + "\""},
        {std::string(41, 'x'), "\"" + std::string(40, 'x') + "\"... (41 bytes)"},
        // Characters, not bytes, are counted: 40 three-byte characters fit.
        {std::string(39, 'a') + "結果", "\"" + std::string(39, 'a') + "結\"... (45 bytes)"},
    };
    for (const auto& c : cases) EXPECT_EQ(quotedBytes(c.bytes), c.shown) << c.bytes;
    EXPECT_EQ(safeText("r\x1B.csv"), "r\\x1B.csv");
}

TEST(MessageText, NumbersShowEveryDigitThatMatters) {
    const struct {
        float value;
        const char* text;
    } cases[] = {{150.00002f, "150.00002"}, {150.0f, "150"}, {150.1f, "150.1"}, {-0.5f, "-0.5"},
                 {1e-45f, "1e-45"},         {1e30f, "1e+30"}, {0.1f, "0.1"}};
    for (const auto& c : cases) EXPECT_EQ(numberText(c.value), c.text) << c.text;
}

}  // namespace
}  // namespace corvane
