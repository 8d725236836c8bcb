#pragma once
// The engine's arithmetic rule, stated once: every real the engine stores is
// a float; every formula is evaluated in double from the stored floats, left
// to right as written; its result is rounded once, to nearest, when it is
// stored; a conversion of a real to an integer truncates toward zero. The
// random path, and so every result, depends on each of these roundings, so
// each one is written with the operations below and is one grep away:
// asDouble( marks where the evaluation in double of a formula starts (the
// other floats of the formula join it by the usual promotion to double),
// storeFloat( where a result is rounded to be stored, truncateToInt( where a
// real becomes an integer.
//
// Naming convention of the formulas: a local named like a stored float with
// the letter d appended (ed, kd, rhod; xd0 for x0) is that float's double
// value, taken once because the formula reads it several times.

#include <cstdint>

namespace corvane {

// The double value of a stored float: exact, the start of an evaluation.
constexpr double asDouble(float v) { return v; }
// Only a float is widened by the rule; an integer or a double given here is a
// mistake the compiler should report.
template <class T>
double asDouble(T) = delete;

// A result evaluated in double, rounded to nearest once as it is stored.
constexpr float storeFloat(double v) { return static_cast<float>(v); }
// A float or an integer given here would round nothing or round twice.
template <class T>
float storeFloat(T) = delete;

// A real converted to an integer, truncated toward zero.
constexpr std::int32_t truncateToInt(double v) { return static_cast<std::int32_t>(v); }
template <class T>
std::int32_t truncateToInt(T) = delete;

}  // namespace corvane
