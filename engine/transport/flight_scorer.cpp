#include "transport/flight_scorer.h"

#include <chrono>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvane {
namespace {

// A wait step: a few short processor pauses, then a nap. The ring holds some
// thousands of histories' flights, far more than a nap's worth, so the
// scoring thread can sleep whenever it has caught up instead of holding a
// core that spins.
void pause(unsigned& idle) {
    if (idle < 16) {
#if defined(__SSE2__)
        _mm_pause();
#endif
        ++idle;
    } else {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

}  // namespace

bool secondCoreAvailable() { return std::thread::hardware_concurrency() >= 2; }

FlightScorer::FlightScorer(Tallies& tallies, bool alongside) : tallies_(tallies), alongside_(alongside) {
    if (!alongside_) return;
    ring_ = std::make_unique<Flight[]>(kCapacity);
    worker_ = std::thread([this] { drain(); });
}

FlightScorer::~FlightScorer() { finish(); }

void FlightScorer::finish() {
    if (!worker_.joinable()) return;
    published_.store(written_, std::memory_order_release);
    finished_.store(true, std::memory_order_release);
    worker_.join();
}

void FlightScorer::drain() {
    std::uint64_t read = 0;
    unsigned idle = 0;
    for (;;) {
        const std::uint64_t available = published_.load(std::memory_order_acquire);
        if (available != read) {
            for (; read != available; ++read) {
                const Flight& f = ring_[read & (kCapacity - 1)];
                FastPhysics::score(tallies_, f.x0, f.y0, f.z0, f.x1, f.y1, f.z1, f.cosTheta, f.e, f.component);
            }
            consumed_.store(read, std::memory_order_release);
            idle = 0;
        } else if (finished_.load(std::memory_order_acquire)) {
            // The last publication came before the finish flag.
            if (published_.load(std::memory_order_acquire) == read) return;
        } else {
            pause(idle);
        }
    }
}

void FlightScorer::waitForRoom() {
    // The ring is full as far as the loop knows: publish everything so the
    // scoring thread can go on, and wait until it has made room.
    published_.store(written_, std::memory_order_release);
    unsigned idle = 0;
    for (;;) {
        consumedSeen_ = consumed_.load(std::memory_order_acquire);
        if (written_ - consumedSeen_ < kCapacity) return;
        pause(idle);
    }
}

}  // namespace corvane
