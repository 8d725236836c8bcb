#include "transport/random_generator.h"

namespace corvane {

void RandomGenerator::seed() {
    std::int32_t a[56] = {};
    a[1] = 3783;  // the fixed seed
    for (int i = 2; i <= 55; ++i) a[i] = (2 * a[i - 1] + i) % kModulus;
    // A[i] is the value x(1 - i), step 56 - i, here at the end of the buffer
    // as if just handed out: the first draw computes a new block.
    buffer_.fill(0);
    for (int i = 1; i <= 55; ++i) buffer_[kBufferSize - static_cast<std::uint32_t>(i)] = a[i];
    next_ = kBufferSize;
    firstStep_ = 56 - static_cast<std::uint64_t>(kBufferSize);  // step 55 at index kBufferSize - 1
}

void RandomGenerator::refill() {
    // next_ == kBufferSize: every value has been handed out.
    for (std::uint32_t i = 0; i < kHistory; ++i) buffer_[i] = buffer_[kBufferSize - kHistory + i];
    firstStep_ += kBufferSize - kHistory;
    // Both operands lie in 0..16383, so the mask is the remainder.
    for (std::uint32_t i = kHistory; i < kBufferSize; ++i) {
        buffer_[i] = (buffer_[i - 24] + buffer_[i - 55]) & (kModulus - 1);
    }
    next_ = kHistory;
}

void RandomGenerator::advanceTo(std::uint64_t target) {
    for (;;) {
        const std::uint64_t now = position();
        if (now >= target) return;
        const std::uint64_t available = kBufferSize - next_;
        if (target - now <= available) {
            next_ += static_cast<std::uint32_t>(target - now);
            return;
        }
        next_ = kBufferSize;
        refill();
    }
}

void RandomGenerator::initialise() {
    seed();
    // Warm-up: the first 1000 values are discarded.
    for (int step = 0; step < 1000; ++step) nextInteger();
}

std::int32_t RandomGenerator::longLag() const {
    // K starts at 55 and moves down by one per step.
    const std::uint64_t done = steps() - 55;
    return 55 - static_cast<std::int32_t>(done % 55);
}

std::int32_t RandomGenerator::shortLag() const {
    const std::int32_t k = longLag();
    return k > 31 ? k - 31 : k + 24;
}

std::int32_t RandomGenerator::lastInteger() const {
    return steps() > 55 ? buffer_[next_ - 1] : 0;
}

std::int32_t RandomGenerator::tableValue(int i) const {
    // A[i] holds the latest value written at position i: x(t) for the largest
    // t <= steps done with t = 1 - i (mod 55), stored under t + 55.
    const std::uint64_t done = steps() - 55;
    const std::uint64_t target = static_cast<std::uint64_t>((1 - i) % 55 + 55) % 55;  // (1 - i) mod 55
    const auto back = static_cast<std::uint32_t>((done + 55 - target) % 55);           // done - t
    return buffer_[next_ - 1 - back];  // back <= 54 and next_ >= 55
}

}  // namespace corvane
