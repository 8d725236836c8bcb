#include "files/fixed_field.h"

#include <gtest/gtest.h>

#include <cmath>

namespace corvane {
namespace {

struct OutputCase {
    char form;
    double value;
    int width;
    int decimals;
    const char* expected;
};

TEST(FixedField, WritesEveryOutputForm) {
    const OutputCase cases[] = {
        {'F', 0.5, 6, 1, "   0.5"},
        {'F', 150.0, 6, 1, " 150.0"},
        {'F', 80.0, 6, 1, "  80.0"},
        {'F', 80.25, 6, 1, "  80.3"},      // exact half rounds away from zero
        {'F', -80.25, 7, 1, "  -80.3"},
        {'F', 0.1f, 6, 3, " 0.100"},       // single-precision 0.1 still prints 0.100
        {'F', 12.0, 6, 1, "  12.0"},
        {'F', 0.04, 6, 1, "   0.0"},
        {'F', 0.05, 6, 1, "   0.1"},
        {'F', 99.96, 6, 1, " 100.0"},      // carry into a new digit
        {'F', 5.0, 10, 0, "        5."},
        {'F', 0.0, 10, 0, "        0."},
        {'F', 1000000.0, 11, 0, "   1000000."},
        {'F', 2.5, 10, 0, "        3."},
        {'F', 1e12, 10, 0, "**********"},  // too wide
        {'F', 12345.6, 6, 1, "******"},
        {'F', 0.5, 2, 1, ".5"},           // no room for the leading zero
        {'E', 0.5, 10, 3, " 0.500E+00"},
        {'E', 0.5, 15, 6, "   0.500000E+00"},
        {'E', 1234.5678, 15, 6, "   0.123457E+04"},
        {'E', 0.00012345, 10, 3, " 0.123E-03"},
        {'E', 0.99996, 10, 3, " 0.100E+01"},  // mantissa carry raises the exponent
        {'E', 0.0, 10, 3, " 0.000E+00"},
        {'E', -2.5, 10, 3, "-0.250E+01"},
        {'E', 1.0e-120, 10, 3, " 0.100-119"},
        {'E', 123.0, 5, 3, "*****"},
    };
    for (const auto& c : cases) {
        const std::string got = c.form == 'F' ? formatF(c.value, c.width, c.decimals)
                                              : formatE(c.value, c.width, c.decimals);
        EXPECT_EQ(got, c.expected) << c.form << c.width << "." << c.decimals << " of " << c.value;
    }
}

TEST(FixedField, WritesIntegersAndTexts) {
    EXPECT_EQ(formatI(9, 2), " 9");
    EXPECT_EQ(formatI(0, 2), " 0");
    EXPECT_EQ(formatI(23, 2), "23");
    EXPECT_EQ(formatI(123, 2), "**");
    EXPECT_EQ(formatI(-5, 3), " -5");
    EXPECT_EQ(formatA("abcdefghijklmnopqrstuvw.csv   ", 20), "abcdefghijklmnopqrst");
    EXPECT_EQ(formatA("ab", 4), "  ab");
}

struct InputCase {
    const char* field;
    int implied;
    std::optional<double> expected;
};

TEST(FixedField, ReadsFieldsByFortranRules) {
    const InputCase cases[] = {
        {"   0.500E+00", 6, 0.5},
        {"       5000000", 6, 5.0},   // no point: implied before the last six digits
        {"  5", 6, 0.000005},
        {"-5000000", 6, -5.0},
        {"            ", 6, 0.0},     // blank field
        {"", 3, 0.0},
        {" 1 . 5 E 2 ", 6, 150.0},    // blanks ignored anywhere
        {"0.25D+01", 6, 2.5},
        {"1.5d-1", 6, 0.15},
        {"0.5-03", 6, 0.0005},        // signed exponent without its letter
        {"1.000E-03", 3, 0.001},
        {"12345E1", 3, 123.45},      // implied point, then the exponent
        {"abc", 6, std::nullopt},
        {"1.0E", 6, std::nullopt},
        {"1.2.3", 6, std::nullopt},
        {"--1", 6, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto got = readFixedDouble(c.field, c.implied);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << "'" << c.field << "'";
        if (got) {
            EXPECT_DOUBLE_EQ(*got, *c.expected) << "'" << c.field << "'";
            EXPECT_EQ(*readFixedReal(c.field, c.implied), static_cast<float>(*c.expected)) << "'" << c.field << "'";
        }
    }
}

TEST(FixedField, ReadsIntegersAndListTokens) {
    EXPECT_EQ(readFixedInteger(" 12"), 12);
    EXPECT_EQ(readFixedInteger("   "), 0);
    EXPECT_EQ(readFixedInteger(" -3"), -3);
    EXPECT_FALSE(readFixedInteger("1.0").has_value());
    EXPECT_EQ(parseListInteger("01"), 1);
    EXPECT_FALSE(parseListInteger("x1").has_value());
    EXPECT_FALSE(parseListInteger("2147483648").has_value());
    EXPECT_EQ(parseListReal("0080.0"), 80.0f);
    EXPECT_EQ(parseListReal("8.0E1"), 80.0f);
    EXPECT_EQ(parseListReal("0001000000."), 1.0e6f);
    EXPECT_EQ(parseListReal("80"), 80.0f);  // list-directed input implies no point
    EXPECT_FALSE(parseListReal("test").has_value());
}

TEST(FixedField, TakesFieldsByColumn) {
    const std::string line = "0.500E+00   0.1E+01";
    EXPECT_EQ(fieldAt(line, 1, 10), "0.500E+00 ");
    EXPECT_EQ(fieldAt(line, 11, 15), "  0.1E+01");   // short line: the rest reads as blanks
    EXPECT_EQ(fieldAt(line, 40, 5), "");
}

}  // namespace
}  // namespace corvane
