#include "transport/random_generator.h"

namespace corvane {

void RandomGenerator::seed() {
    a_[0] = 0;
    a_[1] = 3783;  // the fixed seed
    for (int i = 2; i <= 55; ++i) a_[static_cast<std::size_t>(i)] = (2 * a_[static_cast<std::size_t>(i - 1)] + i) % kModulus;
    j_ = 24;
    k_ = 55;
    last_ = 0;
}

void RandomGenerator::initialise() {
    seed();
    // Warm-up: the first 1000 values are discarded.
    for (int step = 0; step < 1000; ++step) nextInteger();
}

}  // namespace corvane
