#pragma once
// The engine's only source of random numbers: an additive lagged-Fibonacci
// generator on 14-bit integers (lags 24 and 55, modulus 16384) with a fixed
// seed, so identical inputs give identical results.

#include <array>
#include <cstdint>

namespace corvane {

class RandomGenerator {
public:
    // Seeds the table and performs the 1000 warm-up steps.
    void initialise();
    // One update step; returns a / 16384.1f rounded to single precision.
    float uniform();

    // The state, for tests that replay the stream.
    std::int32_t shortLag() const { return j_; }
    std::int32_t longLag() const { return k_; }
    std::int32_t lastInteger() const { return last_; }

private:
    std::array<std::int32_t, 56> a_{};  // A[1..55]
    std::int32_t j_ = 24;
    std::int32_t k_ = 55;
    std::int32_t last_ = 0;
};

}  // namespace corvane
