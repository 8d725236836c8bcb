#include "transport/random_generator.h"

namespace corvane {

void RandomGenerator::seed() {
    std::int32_t a[56] = {};
    a[1] = 3783;  // the fixed seed
    for (int i = 2; i <= 55; ++i) a[i] = (2 * a[i - 1] + i) % kModulus;
    // A[i] is the value x(1 - i), stored under step 56 - i.
    ring_.fill(0);
    for (int i = 1; i <= 55; ++i) ring_[static_cast<std::uint32_t>(56 - i) & kRingMask] = a[i];
    steps_ = 55;
}

void RandomGenerator::initialise() {
    seed();
    // Warm-up: the first 1000 values are discarded.
    for (int step = 0; step < 1000; ++step) nextInteger();
}

std::int32_t RandomGenerator::longLag() const {
    // K starts at 55 and moves down by one per step.
    const std::uint32_t done = steps_ - 55;
    return 55 - static_cast<std::int32_t>(done % 55);
}

std::int32_t RandomGenerator::shortLag() const {
    const std::int32_t k = longLag();
    return k > 31 ? k - 31 : k + 24;
}

std::int32_t RandomGenerator::lastInteger() const {
    return steps_ > 55 ? ring_[steps_ & kRingMask] : 0;
}

std::int32_t RandomGenerator::tableValue(int i) const {
    // A[i] holds the latest value written at position i: x(t) for the largest
    // t <= steps done with t = 1 - i (mod 55), stored under t + 55.
    const std::uint32_t done = steps_ - 55;
    const std::uint32_t target = static_cast<std::uint32_t>((1 - i) % 55 + 55) % 55;  // (1 - i) mod 55
    const std::uint32_t back = (done + 55 - target) % 55;                              // done - t
    return ring_[(steps_ - back) & kRingMask];
}

}  // namespace corvane
