#pragma once
// Scoring of a run's flights beside the photon loop, on a second processor
// core where the machine has one. The photon loop hands each flight over
// through a ring buffer and goes on with the next history while the scoring
// thread counts the flight into the sphere tallies. The tallies are whole
// numbers and a flight's score depends on the flight alone, so the counts do
// not depend on when or where a flight is scored: the result is the same to
// the bit as scoring each flight in the loop.
//
// The ring is allocated once, when the scorer is made; handing a flight over
// is a store into it, and the index the scoring thread reads is published
// every few dozen flights to keep the two cores out of each other's caches.

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "transport/fast_physics.h"
#include "transport/tallies.h"

namespace corvane {

// One flight as the sphere test takes it.
struct Flight {
    float x0, y0, z0, x1, y1, z1;
    float cosTheta;
    float e;
    std::int32_t component;
};

class FlightScorer {
public:
    // Scores into `tallies` (components 1 and 2 of the depth counts, which
    // nothing else may touch until finish()); on a thread of its own when
    // `alongside`, else at once in score().
    FlightScorer(Tallies& tallies, bool alongside);
    FlightScorer(const FlightScorer&) = delete;
    FlightScorer& operator=(const FlightScorer&) = delete;
    ~FlightScorer();

    void score(float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta, float e,
               std::int32_t component) {
        if (!alongside_) {
            FastPhysics::score(tallies_, x0, y0, z0, x1, y1, z1, cosTheta, e, component);
            return;
        }
        if (written_ - consumedSeen_ == kCapacity) waitForRoom();
        ring_[written_ & (kCapacity - 1)] = Flight{x0, y0, z0, x1, y1, z1, cosTheta, e, component};
        ++written_;
        if ((written_ & (kBatch - 1)) == 0) published_.store(written_, std::memory_order_release);
    }
    void score(const Flight& f) { score(f.x0, f.y0, f.z0, f.x1, f.y1, f.z1, f.cosTheta, f.e, f.component); }

    // Hands over the flights not yet published and returns once every flight
    // has been counted. The scorer takes no flights after it.
    void finish();

    bool alongside() const { return alongside_; }

private:
    static constexpr std::uint64_t kCapacity = 1u << 14;  // flights; a power of two
    static constexpr std::uint64_t kBatch = 64;           // flights per publication

    void drain();
    void waitForRoom();

    Tallies& tallies_;
    const bool alongside_;
    std::unique_ptr<Flight[]> ring_;
    std::uint64_t written_ = 0;       // flights handed over (the loop's own count)
    std::uint64_t consumedSeen_ = 0;  // the scoring thread's count as last read
    alignas(64) std::atomic<std::uint64_t> published_{0};
    alignas(64) std::atomic<std::uint64_t> consumed_{0};
    alignas(64) std::atomic<bool> finished_{false};
    std::thread worker_;
};

// Whether a second processor core is there to score alongside the loop.
bool secondCoreAvailable();

}  // namespace corvane
