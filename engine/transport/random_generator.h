#pragma once
// The engine's only source of random numbers: an additive lagged-Fibonacci
// generator on 14-bit integers (lags 24 and 55, modulus 16384) with a fixed
// seed, so identical inputs give identical results.
//
// The generator is defined on a table A[1..55] with two indices J and K that
// run downwards: each step sets A[K] = (A[J] + A[K]) mod 16384 and moves both
// indices down by one, from 1 back to 55. In terms of the values produced,
// x(n) = (x(n-24) + x(n-55)) mod 16384, with the seed table read as the 55
// values before the first step (x(1 - i) = A[i]). The stream is kept in that
// second form and made a block at a time: a buffer holds the last 55 values
// handed out followed by the next values of the stream, each computed from
// the values 24 and 55 places before it (a loop the compiler runs on several
// values at once), so a draw is a load and a count; the table form is
// derived from the buffer for inspection.

#include <array>
#include <cstdint>
#include "model/arithmetic.h"

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
        if (next_ == kBufferSize) refill();
        return buffer_[next_++];
    }

    // The number of values drawn since the seeding (the warm-up included).
    std::uint64_t position() const { return steps() - kHistory; }
    // Draws and discards values until position() is `target` (no later
    // position than the present is asked for).
    void advanceTo(std::uint64_t target);

    // The draw of a 14-bit value: the quotient a / D formed in double from the
    // integer and the single-precision divisor, rounded once to float.
    static float toUniform(std::int32_t a) {
        return storeFloat(static_cast<double>(a) / asDouble(kDivisor));
    }

    static constexpr std::int32_t kModulus = 16384;
    static constexpr float kDivisor = 16384.1f;  // exactly 16384.099609375

    // The state in table form, for tests that replay the stream: the indices
    // J and K, the value of the last step, and A[1..55].
    std::int32_t shortLag() const;
    std::int32_t longLag() const;
    std::int32_t lastInteger() const;
    std::int32_t tableValue(int i) const;

private:
    static constexpr std::uint32_t kHistory = 55;               // the longer lag
    static constexpr std::uint32_t kBufferSize = kHistory + 256;  // and a block of values to come

    // Moves the last 55 values handed out to the front and computes the
    // next block behind them.
    void refill();
    // The number of steps done plus 55 (x(t) is step t + 55, so the seed
    // values x(-54..0) are steps 1..55).
    std::uint64_t steps() const { return firstStep_ + next_ - 1; }

    // buffer_[i] is the value of step firstStep_ + i; buffer_[next_ - 1] is
    // the last value handed out, buffer_[next_] the next one.
    std::array<std::int32_t, kBufferSize> buffer_{};
    std::uint32_t next_ = kBufferSize;
    std::uint64_t firstStep_ = 56 - static_cast<std::uint64_t>(kBufferSize);  // wraps: only sums of it are read
};

}  // namespace corvane
