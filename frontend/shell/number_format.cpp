#include "shell/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tessaray {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double readNumber(const QString& text) {
    // Entries typed with a Japanese input method come in full width:
    // compatibility normalisation turns "２００", "．", "－", "＋", "ｅ" and the
    // ideographic space into their ASCII forms first.
    const QString ascii = text.normalized(QString::NormalizationForm_KC);
    // Blanks, tabs and line ends do not count wherever they stand; any other
    // character outside ASCII ends the number.
    std::string s;
    s.reserve(static_cast<std::size_t>(ascii.size()));
    for (QChar c : ascii) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') continue;
        s.push_back(c.unicode() < 128 ? static_cast<char>(c.unicode()) : '\x01');
    }
    // Longest prefix of the form [sign] digits [. digits] [(E|D) [sign] digits].
    std::size_t i = 0;
    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') number.push_back('-');
        ++i;
    }
    bool digits = false;
    while (i < s.size() && isDigit(s[i])) { number.push_back(s[i++]); digits = true; }
    if (i < s.size() && s[i] == '.') {
        number.push_back(s[i++]);
        while (i < s.size() && isDigit(s[i])) { number.push_back(s[i++]); digits = true; }
    }
    if (!digits) return 0.0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
        bool expDigits = false;
        while (j < s.size() && isDigit(s[j])) { exponent.push_back(s[j++]); expDigits = true; }
        if (expDigits) number += exponent;
    }
    // std::from_chars ignores the C locale, so "." stays the decimal mark even
    // where the user's locale writes a comma.
    double v = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), v);
    (void)end;
    if (error != std::errc() || !std::isfinite(v)) return 0.0;
    return v;
}

QString formatMask(double value, const QString& mask) {
    const qsizetype point = mask.indexOf(u'.');
    const QString intMask = point < 0 ? mask : mask.left(point);
    const QString fracMask = point < 0 ? QString() : mask.mid(point + 1);
    const std::size_t decimals = static_cast<std::size_t>(fracMask.size());
    const std::size_t minIntDigits = static_cast<std::size_t>(intMask.count(u'0'));
    if (!std::isfinite(value)) value = 0.0;

    // The value as 15 significant decimal digits, the precision a double
    // holds for any decimal the user typed: 2.0005 is rounded as 2.0005 and
    // not as its binary neighbour 2.000499999....
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    std::string mantissa(1, buffer[0]);
    mantissa.append(buffer + 2, 14);
    const int exponent = std::atoi(std::strchr(buffer, 'e') + 1);
    const long intDigits = exponent + 1L;  // digits before the decimal point
    std::string intPart;
    std::string frac;
    if (intDigits <= 0) {
        intPart = "0";
        frac = std::string(static_cast<std::size_t>(-intDigits), '0') + mantissa;
    } else if (intDigits >= static_cast<long>(mantissa.size())) {
        intPart = mantissa + std::string(static_cast<std::size_t>(intDigits) - mantissa.size(), '0');
    } else {
        intPart = mantissa.substr(0, static_cast<std::size_t>(intDigits));
        frac = mantissa.substr(static_cast<std::size_t>(intDigits));
    }
    if (frac.size() < decimals + 1) frac.resize(decimals + 1, '0');

    // Round the decimal digits to the mask's decimals, halves away from zero.
    std::string kept = intPart + frac.substr(0, decimals);
    if (frac[decimals] >= '5') {
        long k = static_cast<long>(kept.size()) - 1;
        while (k >= 0 && kept[static_cast<std::size_t>(k)] == '9') kept[static_cast<std::size_t>(k--)] = '0';
        if (k >= 0) ++kept[static_cast<std::size_t>(k)];
        else kept.insert(kept.begin(), '1');
    }
    std::string whole = kept.substr(0, kept.size() - decimals);
    const std::string fraction = kept.substr(kept.size() - decimals);
    while (!whole.empty() && whole[0] == '0') whole.erase(0, 1);
    if (whole.size() < minIntDigits) whole.insert(0, minIntDigits - whole.size(), '0');

    // A value that rounds to zero is written without a sign.
    const bool nonZero = kept.find_first_not_of('0') != std::string::npos;
    QString out = QString::fromStdString(whole);
    if (point >= 0) out += u'.' + QString::fromStdString(fraction);
    if (value < 0 && nonZero) out.prepend(u'-');
    return out;
}

}  // namespace tessaray
