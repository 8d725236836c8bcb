#pragma once
// How Tessaray reads numbers out of text boxes and writes them with its masks.

#include <QString>

namespace tessaray {

// The leading numeric part of a text: blanks, tabs and line feeds are ignored
// wherever they stand; an optional sign, digits with at most one "." and an
// optional exponent are read; reading stops at the first other character; a
// text without a numeric part reads as 0. "." is the decimal mark whatever the
// locale. "12abc" -> 12, "1 5" -> 15, "abc" -> 0. Full-width digits, signs,
// points and the ideographic space read as their ASCII forms (NFKC), so
// "２００" -> 200.
double readNumber(const QString& text);

// Formats a value with a digit mask of the front-end: "0000.0", "00.000",
// "0000000000.", "00", "0.000", "###.0", "0.00000". A "0" is a digit always
// written, "#" a digit written only when significant, "." the decimal point.
// The value is rounded to the mask's decimals, halves away from zero; more
// integer digits than the mask has are all written; a negative value gets
// "-" before the padded digits.
QString formatMask(double value, const QString& mask);

}  // namespace tessaray
