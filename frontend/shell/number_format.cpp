#include "shell/number_format.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace tessaray {

double readNumber(const QString& text) {
    std::string s;
    for (QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') continue;
        s.push_back(c.unicode() < 128 ? static_cast<char>(c.unicode()) : '\x01');
    }
    // Longest prefix of the form [sign] digits [. digits] [(E|D) [sign] digits].
    std::size_t i = 0;
    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) number.push_back(s[i++]);
    bool digits = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) { number.push_back(s[i++]); digits = true; }
    if (i < s.size() && s[i] == '.') {
        number.push_back(s[i++]);
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) { number.push_back(s[i++]); digits = true; }
    }
    if (!digits) return 0.0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
        bool expDigits = false;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) { exponent.push_back(s[j++]); expDigits = true; }
        if (expDigits) number += exponent;
    }
    const double v = std::strtod(number.c_str(), nullptr);
    return std::isfinite(v) ? v : 0.0;
}

QString formatMask(double value, const QString& mask) {
    const qsizetype point = mask.indexOf(u'.');
    const QString intMask = point < 0 ? mask : mask.left(point);
    const QString fracMask = point < 0 ? QString() : mask.mid(point + 1);
    const int decimals = static_cast<int>(fracMask.size());
    const int minIntDigits = static_cast<int>(intMask.count(u'0'));
    if (!std::isfinite(value)) value = 0.0;

    // Exact decimal digits of |value| (glibc prints them exactly), then a
    // rounding of the decimal string, halves away from zero.
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals + 40, std::fabs(value));
    std::string digits(buffer);
    const std::size_t dot = digits.find('.');
    std::string intPart = digits.substr(0, dot);
    std::string frac = digits.substr(dot + 1);
    std::string kept = intPart + frac.substr(0, static_cast<std::size_t>(decimals));
    if (frac[static_cast<std::size_t>(decimals)] >= '5') {
        int k = static_cast<int>(kept.size()) - 1;
        while (k >= 0 && kept[static_cast<std::size_t>(k)] == '9') kept[static_cast<std::size_t>(k--)] = '0';
        if (k >= 0) ++kept[static_cast<std::size_t>(k)];
        else kept.insert(kept.begin(), '1');
    }
    std::string whole = kept.substr(0, kept.size() - static_cast<std::size_t>(decimals));
    const std::string fraction = kept.substr(kept.size() - static_cast<std::size_t>(decimals));
    while (!whole.empty() && whole[0] == '0') whole.erase(0, 1);
    if (static_cast<int>(whole.size()) < minIntDigits) whole.insert(0, static_cast<std::size_t>(minIntDigits) - whole.size(), '0');

    const bool nonZero = kept.find_first_not_of('0') != std::string::npos;
    QString out = QString::fromStdString(whole);
    if (point >= 0) out += u'.' + QString::fromStdString(fraction);
    if (value < 0 && nonZero) out.prepend(u'-');
    return out;
}

}  // namespace tessaray
