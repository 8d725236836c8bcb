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
    // Seeds the table only: A[1] = 3783, A[i] = (2 A[i-1] + i) mod 16384,
    // J = 24, K = 55.
    void seed();
    // One update step; returns a / 16384.1f rounded to single precision.
    float uniform() { return toUniform(nextInteger()); }

    // One update step; returns the new 14-bit value a (0..16383).
    std::int32_t nextInteger() {
        a_[k_] = (a_[j_] + a_[k_]) % kModulus;
        last_ = a_[k_];
        if (--j_ == 0) j_ = 55;
        if (--k_ == 0) k_ = 55;
        return last_;
    }

    // The draw of a 14-bit value: the quotient a / D formed in double from the
    // integer and the single-precision divisor, rounded once to float.
    static float toUniform(std::int32_t a) {
        return static_cast<float>(static_cast<double>(a) / static_cast<double>(kDivisor));
    }

    static constexpr std::int32_t kModulus = 16384;
    static constexpr float kDivisor = 16384.1f;  // exactly 16384.099609375

    // The state, for tests that replay the stream.
    std::int32_t shortLag() const { return j_; }
    std::int32_t longLag() const { return k_; }
    std::int32_t lastInteger() const { return last_; }
    std::int32_t tableValue(int i) const { return a_[static_cast<std::size_t>(i)]; }  // A[1..55]

private:
    std::array<std::int32_t, 56> a_{};  // A[1..55]
    std::int32_t j_ = 24;
    std::int32_t k_ = 55;
    std::int32_t last_ = 0;
};

}  // namespace corvane
