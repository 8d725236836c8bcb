#include "files/fixed_field.h"

#include <cerrno>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace corvane {
namespace {

// A non-negative decimal number as significant digits and a power of ten:
// value = 0.d1d2d3... x 10^exponent.
struct Decimal {
    std::string digits;
    int exponent = 0;
};

// The exact decimal expansion of |value| (glibc prints the exact digits; 60
// of them settle every rounding decision a field of ours can ask for).
Decimal toDecimal(double value) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.60e", std::fabs(value));
    Decimal d;
    const char* p = buffer;
    for (; *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') d.digits.push_back(*p);
    }
    d.exponent = std::atoi(p + 1) + 1;
    return d;
}

// Keeps the first `keep` significant digits, rounding halves away from zero.
// A carry out of the first digit raises the exponent. keep may be 0 or
// negative: the value then rounds to zero or to one unit of the last place.
Decimal roundTo(const Decimal& in, int keep) {
    Decimal out;
    out.exponent = in.exponent;
    if (keep < 0) {
        out.digits = "";
        return out;
    }
    bool roundUp = keep < static_cast<int>(in.digits.size()) && in.digits[keep] >= '5';
    out.digits = in.digits.substr(0, keep);
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0 && out.digits[i] == '9') {
            out.digits[i] = '0';
            --i;
        }
        if (i >= 0) {
            ++out.digits[i];
        } else {
            out.digits.insert(out.digits.begin(), '1');
            ++out.exponent;
        }
    }
    return out;
}

std::string stars(int width) { return std::string(static_cast<std::size_t>(width > 0 ? width : 0), '*'); }

std::string rightAlign(const std::string& text, int width) {
    if (static_cast<int>(text.size()) > width) return stars(width);
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

// Removes every blank (and tab) from a field's text.
std::string withoutBlanks(std::string_view field) {
    std::string s;
    for (char c : field) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') s.push_back(c);
    }
    return s;
}

// Rewrites a Fortran real (sign, digits, optional point, optional E/D or a
// bare signed exponent) as a C number text, inserting the implied decimal
// point when there is none. Returns nothing for anything else.
std::optional<std::string> normaliseReal(std::string_view s, int impliedDecimals) {
    std::size_t i = 0;
    std::string sign;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') sign = "-";
        ++i;
    }
    std::string intDigits, fracDigits;
    bool point = false;
    while (i < s.size() && ((s[i] >= '0' && s[i] <= '9') || (s[i] == '.' && !point))) {
        if (s[i] == '.') {
            point = true;
        } else if (point) {
            fracDigits.push_back(s[i]);
        } else {
            intDigits.push_back(s[i]);
        }
        ++i;
    }
    if (intDigits.empty() && fracDigits.empty()) return std::nullopt;
    std::string exponent;
    if (i < s.size()) {
        if (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd') ++i;
        else if (s[i] != '+' && s[i] != '-') return std::nullopt;
        std::string expSign;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            expSign = s[i];
            ++i;
        }
        std::string expDigits;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') expDigits.push_back(s[i++]);
        if (expDigits.empty() || i != s.size()) return std::nullopt;
        exponent = "e" + expSign + expDigits;
    }
    if (!point && impliedDecimals > 0) {
        // The point goes before the last impliedDecimals digits.
        std::string all = intDigits;
        if (static_cast<int>(all.size()) < impliedDecimals) {
            all.insert(0, static_cast<std::size_t>(impliedDecimals) - all.size(), '0');
        }
        intDigits = all.substr(0, all.size() - static_cast<std::size_t>(impliedDecimals));
        fracDigits = all.substr(all.size() - static_cast<std::size_t>(impliedDecimals));
    }
    if (intDigits.empty()) intDigits = "0";
    std::string text = sign + intDigits;
    if (!fracDigits.empty()) text += "." + fracDigits;
    return text + exponent;
}

}  // namespace

std::string formatF(double value, int width, int decimals) {
    if (!std::isfinite(value)) return stars(width);
    Decimal exact = toDecimal(value);
    Decimal r = roundTo(exact, exact.exponent + decimals);
    // Integer and fraction digits from the rounded significant digits; the
    // digit of power of ten p sits at index (exponent - 1 - p).
    std::string intPart, fracPart;
    for (int pos = std::max(r.exponent - 1, 0); pos >= -decimals; --pos) {
        const int index = r.exponent - 1 - pos;
        const char digit = (index >= 0 && index < static_cast<int>(r.digits.size())) ? r.digits[index] : '0';
        if (pos >= 0) intPart.push_back(digit);
        else fracPart.push_back(digit);
    }
    while (intPart.size() > 1 && intPart[0] == '0') intPart.erase(0, 1);
    const bool negative = value < 0;
    std::string text = (negative ? "-" : "") + intPart + "." + fracPart;
    if (static_cast<int>(text.size()) > width && intPart == "0" && decimals > 0) {
        // No room for the optional leading zero: 0.5 in F2.1 is written .5
        text.erase(negative ? 1 : 0, 1);
    }
    return rightAlign(text, width);
}

std::string formatE(double value, int width, int decimals) {
    if (!std::isfinite(value)) return stars(width);
    std::string mantissa;
    int exponent = 0;
    if (value == 0.0) {
        mantissa = std::string(static_cast<std::size_t>(decimals), '0');
    } else {
        Decimal r = roundTo(toDecimal(value), decimals);
        mantissa = r.digits.substr(0, static_cast<std::size_t>(decimals));  // a carry adds a trailing zero
        exponent = r.exponent;
    }
    std::string expText;
    const int magnitude = std::abs(exponent);
    char buffer[16];
    if (magnitude <= 99) {
        std::snprintf(buffer, sizeof buffer, "E%c%02d", exponent < 0 ? '-' : '+', magnitude);
    } else if (magnitude <= 999) {
        std::snprintf(buffer, sizeof buffer, "%c%03d", exponent < 0 ? '-' : '+', magnitude);
    } else {
        return stars(width);
    }
    expText = buffer;
    std::string text = "0." + mantissa + expText;
    if (value < 0) text = "-" + text;
    if (static_cast<int>(text.size()) > width) {
        // The leading zero is optional when the field has no room for it.
        text.erase(value < 0 ? 1 : 0, 1);
    }
    return rightAlign(text, width);
}

std::string formatI(std::int64_t value, int width) {
    return rightAlign(std::to_string(value), width);
}

std::string formatA(std::string_view text, int width) {
    if (static_cast<int>(text.size()) >= width) return std::string(text.substr(0, static_cast<std::size_t>(width)));
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + std::string(text);
}

std::string_view fieldAt(std::string_view line, int firstColumn, int width) {
    const std::size_t start = static_cast<std::size_t>(firstColumn - 1);
    if (start >= line.size()) return {};
    return line.substr(start, static_cast<std::size_t>(width));
}

std::optional<double> readFixedValue(std::string_view field, int impliedDecimals) {
    const std::string s = withoutBlanks(field);
    if (s.empty()) return 0.0;
    std::string word;
    for (char c : s.substr(s[0] == '+' || s[0] == '-' ? 1 : 0)) {
        word.push_back((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c);
    }
    const double sign = s[0] == '-' ? -1.0 : 1.0;
    if (word == "nan") return std::nan("");
    if (word == "inf" || word == "infinity") return sign * HUGE_VAL;
    const auto text = normaliseReal(s, impliedDecimals);
    if (!text) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text->c_str(), &end);  // beyond the range: an infinity
    if (*end != '\0') return std::nullopt;
    return v;
}

std::optional<double> readFixedDouble(std::string_view field, int impliedDecimals) {
    const auto v = readFixedValue(field, impliedDecimals);
    if (!v || !std::isfinite(*v)) return std::nullopt;
    return v;
}

std::optional<float> readFixedReal(std::string_view field, int impliedDecimals) {
    const std::string s = withoutBlanks(field);
    if (s.empty()) return 0.0f;
    const auto text = normaliseReal(s, impliedDecimals);
    if (!text) return std::nullopt;
    // Straight from the decimal text to single precision: one rounding.
    char* end = nullptr;
    const float v = std::strtof(text->c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<std::int32_t> readFixedInteger(std::string_view field) {
    const std::string s = withoutBlanks(field);
    if (s.empty()) return 0;
    return parseListInteger(s);
}

std::optional<float> parseListReal(std::string_view token) {
    if (token.empty() || withoutBlanks(token).size() != token.size()) return std::nullopt;
    return readFixedReal(token, 0);
}

std::optional<std::int32_t> parseListInteger(std::string_view token) {
    std::size_t i = 0;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    if (i == token.size()) return std::nullopt;
    std::int64_t value = 0;
    for (; i < token.size(); ++i) {
        if (token[i] < '0' || token[i] > '9') return std::nullopt;
        value = value * 10 + (token[i] - '0');
        if (value > 2147483648LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > 2147483647LL || value < -2147483648LL) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace corvane
