#pragma once
// Quantities that depend on one 14-bit draw of the random generator only,
// tabulated over the 16384 values a draw can take: the uniform number, its
// logarithm for the flight length, and the cosine and sine of the azimuth.

#include <array>

#include "transport/random_generator.h"

namespace corvane {

// Tables over the 16384 values a draw can take.
struct RandomValueTables {
    std::array<double, RandomGenerator::kModulus> logUniform{};  // ln(a / D); unused for a = 0
    std::array<float, RandomGenerator::kModulus> uniform{};      // a / D
    std::array<float, RandomGenerator::kModulus> cosAzimuth{};   // cos(a / D * pi * 2)
    std::array<float, RandomGenerator::kModulus> sinAzimuth{};

    RandomValueTables();
};

// The tables of the random values, built on first use.
const RandomValueTables& randomValueTables();

}  // namespace corvane
