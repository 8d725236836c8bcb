#pragma once
// Pieces of error reports that come from outside the program: bytes echoed
// from an input file or a directory, and numbers read from one. Reports go to
// a terminal, so an echoed byte must never act on it (clear the screen, set the
// window title), and a value must show every digit that decides its fate.

#include <string>
#include <string_view>

namespace corvane {

// The bytes between double quotes, safe to print: CR as \r, every other
// control byte (C0, DEL and the C1 controls U+0080..U+009F) and every byte
// that is not part of valid UTF-8 as \xNN. A text of more than 40 characters
// is cut after the 40th and its full length in bytes is stated after the
// closing quote.
std::string quotedBytes(std::string_view bytes);

// The same without the quotes, for a name that stands on its own (a file
// name at the head of a report).
std::string safeText(std::string_view bytes);

// The shortest decimal text that reads back as the same single-precision
// value (150.00002, not 150).
std::string numberText(float value);

}  // namespace corvane
