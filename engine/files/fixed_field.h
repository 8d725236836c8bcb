#pragma once
// Fixed-width text fields, the one place where the engine turns numbers into
// column-aligned text and back. Every reader and writer of the engine's files
// (run parameters, coefficient table, material tables, result file) and the
// console lines use these forms, so a field is always written and read by the
// same rules:
//
//   Fw.d  a real rounded to d decimals, right-aligned in w characters; with
//         d = 0 the number is followed by a point and no fraction digits.
//   Ew.d  0.ddd...E+xx right-aligned in w characters.
//   Iw    an integer right-aligned in w characters.
//   Aw    the first w characters of a text (right-aligned when shorter).
// A value too wide for its field fills the field with asterisks.
//
// On input a fixed-width field is taken by column position, blanks inside it
// are ignored, a blank field reads as 0, the exponent may be introduced by E
// or D, and a field without a decimal point has one implied before its last d
// digits.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Fw.d. Rounds the exact binary value to d decimals, halves away from zero.
std::string formatF(double value, int width, int decimals);

// Ew.d, as 0.ddd...E+xx (exponents beyond two digits drop the E: 0.1+100).
std::string formatE(double value, int width, int decimals);

// Iw.
std::string formatI(std::int64_t value, int width);

// Aw: the leftmost w bytes of the text, or the text right-aligned in w.
std::string formatA(std::string_view text, int width);

// The characters of columns [first, first + width) of a line (1-based first
// column); columns past the end of the line read as blanks.
std::string_view fieldAt(std::string_view line, int firstColumn, int width);

// Reads a real from the text of one fixed-width field. Blanks are ignored
// anywhere, an all-blank field is 0, the exponent letter may be E or D (or be
// left out before a signed exponent, 1.5-03), and without a decimal point one
// is implied before the last impliedDecimals digits of the mantissa.
// Returns nothing when the field is not a number.
std::optional<float> readFixedReal(std::string_view field, int impliedDecimals);

// The same conversion without the single-precision rounding, for the data
// tools that check values rather than store them.
std::optional<double> readFixedDouble(std::string_view field, int impliedDecimals);

// The number a field holds, as readFixedDouble reads it, but keeping what a
// stored value cannot be: NaN and infinities (written as NaN, Inf or Infinity,
// or beyond the range of a double), so that a data check can name them.
std::optional<double> readFixedValue(std::string_view field, int impliedDecimals);

// Reads an integer field (optional sign, digits, blanks ignored, blank = 0).
std::optional<std::int32_t> readFixedInteger(std::string_view field);

// A number token of list-directed input (no blanks inside, no implied decimal
// point): optional sign, digits with an optional point, optional E/D exponent.
std::optional<float> parseListReal(std::string_view token);
std::optional<std::int32_t> parseListInteger(std::string_view token);

}  // namespace corvane
