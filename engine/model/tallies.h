#pragma once
// Counts of the six on-axis spheres and of the source, by energy bin, and the
// track length of the photons' paths inside each sphere.
// Counts are whole numbers kept exactly in 64-bit integers (a 32-bit float
// counter would stop growing at 16 777 216). Track lengths are kept in fixed
// point, whole units of 1e-9 cm (kTrackUnitsPerCm), so that their sums, too,
// do not depend on the order in which histories are added up (on one core or
// several).
//
// Every tally is also kept per batch: the histories of a bin, indexed
// 0..n-1 in the order the random stream runs them, fall into kBatches
// consecutive batches, history i into batch floor(kBatches i / n).

#include <array>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "model/energy_grid.h"
#include "model/phantom.h"

namespace corvane {

inline constexpr int kComponents = 3;  // 1 primary, 2 scattered, 3 total

inline constexpr int kBatches = 10;

// The unit of the track-length tallies: 1e-9 cm. A chord of a 1 cm sphere is
// at most 1e9 units. Headroom: 10^8 photons per cm2 on a 60 cm field are
// 2.8e11 histories; the whole track length they leave in one sphere is the
// sphere's mean fluence times its volume, below 10 x 10^8 /cm2 x 0.524 cm3 =
// 5.2e8 cm = 5.2e17 units even with a scatter fluence nine times the
// incident one, 17 times below the 9.2e18 a signed 64-bit integer holds;
// one cell (a sphere, component, bin and batch) holds a part of that.
inline constexpr double kTrackUnitsPerCm = 1e9;

// The batch of history `index` (0-based) among the `histories` of its bin.
inline int batchOf(std::int32_t index, std::int32_t histories) {
    return static_cast<int>(static_cast<std::int64_t>(kBatches) * index / histories);
}

// One addition to a tally kept per batch, as a log records it: which tally
// (counts, track length or incident count), which cell of a batch and how
// much, so that it can be moved to another batch afterwards.
struct BatchEntry {
    enum Kind : std::uint32_t { Counts, Track, Incident };
    static constexpr std::uint32_t kCellBits = 12;  // 2 x 6 x 301 cells < 4096
    std::uint32_t kindAndCell = 0;                  // kind << kCellBits | cell
    std::int32_t value = 0;                         // a count, or at most 1e9 track units
};

struct Tallies {
    // depth[j][c][k]: sphere j = 1..6, component c = 1..3, bin k = 1..300.
    std::array<std::array<std::array<std::int64_t, kBins + 1>, kComponents + 1>, kSpheres + 1> depth{};
    // incident[k]: source photons of bin k entering within 0.5 cm of the axis.
    std::array<std::int64_t, kBins + 1> incident{};

    // Per batch b = 0..9, sphere j = 1..6 at index j - 1, component 1
    // (primary) or 2 (scattered) at index c - 1, bin k: the counts above
    // split by batch, and the track length inside the sphere in units of
    // 1 / kTrackUnitsPerCm cm.
    using BatchCells = std::array<std::array<std::array<std::array<std::int64_t, kBins + 1>, 2>, kSpheres>, kBatches>;
    BatchCells batchCounts{};
    BatchCells trackLength{};
    // batchIncident[b][k]: the incident count split by batch.
    std::array<std::array<std::int64_t, kBins + 1>, kBatches> batchIncident{};

    // When set, every addition to a tally per batch is also appended here.
    std::vector<BatchEntry>* batchLog = nullptr;

    // Zeroes every tally (the log pointer stays).
    void clear() {
        fillZero(depth);
        fillZero(incident);
        fillZero(batchCounts);
        fillZero(trackLength);
        fillZero(batchIncident);
    }

    // Adds 1 to the incident count of bin k in batch b.
    void countIncident(int k, int batch) {
        ++incident[static_cast<std::size_t>(k)];
        add(batchIncident[static_cast<std::size_t>(batch)][static_cast<std::size_t>(k)], BatchEntry::Incident,
            static_cast<std::uint32_t>(k), 1);
    }
    // Adds 1 to the count of sphere j, component c, bin k in batch b.
    void countFlight(int j, int c, int k, int batch) {
        ++depth[static_cast<std::size_t>(j)][static_cast<std::size_t>(c)][static_cast<std::size_t>(k)];
        add(batchCell(batchCounts, j, c, k, batch), BatchEntry::Counts, cellOf(j, c, k), 1);
    }
    // Adds `units` to the track length of sphere j, component c, bin k in batch b.
    void addTrackUnits(int j, int c, int k, int batch, std::int32_t units) {
        add(batchCell(trackLength, j, c, k, batch), BatchEntry::Track, cellOf(j, c, k), units);
    }
    // Moves a logged addition from batch `from` to batch `to`.
    void moveBetweenBatches(const BatchEntry& entry, int from, int to) {
        const auto kind = static_cast<BatchEntry::Kind>(entry.kindAndCell >> BatchEntry::kCellBits);
        const std::uint32_t cell = entry.kindAndCell & ((1u << BatchEntry::kCellBits) - 1);
        loggedCell(kind, cell, from) -= entry.value;
        loggedCell(kind, cell, to) += entry.value;
    }

    // total += a - b, cell by cell.
    void addDifference(const Tallies& a, const Tallies& b) {
        addCellDifference(depth, a.depth, b.depth);
        addCellDifference(incident, a.incident, b.incident);
        addCellDifference(batchCounts, a.batchCounts, b.batchCounts);
        addCellDifference(trackLength, a.trackLength, b.trackLength);
        addCellDifference(batchIncident, a.batchIncident, b.batchIncident);
    }

private:
    template <class Cells>
    static void fillZero(Cells& cells) {
        if constexpr (std::is_arithmetic_v<typename Cells::value_type>) {
            cells.fill(0);
        } else {
            for (auto& inner : cells) fillZero(inner);
        }
    }
    template <class Cells>
    static void addCellDifference(Cells& total, const Cells& a, const Cells& b) {
        if constexpr (std::is_arithmetic_v<typename Cells::value_type>) {
            for (std::size_t i = 0; i < total.size(); ++i) total[i] += a[i] - b[i];
        } else {
            for (std::size_t i = 0; i < total.size(); ++i) addCellDifference(total[i], a[i], b[i]);
        }
    }
    static std::uint32_t cellOf(int j, int c, int k) {
        return static_cast<std::uint32_t>(((j - 1) * 2 + (c - 1)) * (kBins + 1) + k);
    }
    static std::int64_t& batchCell(BatchCells& cells, int j, int c, int k, int batch) {
        return cells[static_cast<std::size_t>(batch)][static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(c - 1)]
                    [static_cast<std::size_t>(k)];
    }
    std::int64_t& loggedCell(BatchEntry::Kind kind, std::uint32_t cell, int batch) {
        const auto b = static_cast<std::size_t>(batch);
        if (kind == BatchEntry::Incident) return batchIncident[b][cell];
        auto& cells = kind == BatchEntry::Counts ? batchCounts : trackLength;
        const std::uint32_t k = cell % (kBins + 1), jc = cell / (kBins + 1);
        return cells[b][jc / 2][jc % 2][k];
    }
    void add(std::int64_t& target, BatchEntry::Kind kind, std::uint32_t cell, std::int32_t value) {
        target += value;
        if (batchLog) batchLog->push_back({static_cast<std::uint32_t>(kind) << BatchEntry::kCellBits | cell, value});
    }
};

// Forms the total component (primary plus scatter) of every sphere for bins
// 1..binCount, limited to the tables.
inline void formTotals(Tallies& tallies, std::int32_t binCount) {
    const int bins = binsInTables(binCount);
    for (std::size_t j = 1; j <= kSpheres; ++j) {
        for (std::size_t k = 1; k <= static_cast<std::size_t>(bins); ++k) {
            tallies.depth[j][3][k] = tallies.depth[j][1][k] + tallies.depth[j][2][k];
        }
    }
}

// A 64-bit FNV-1a hash over every count of the tallies, sphere by sphere,
// component by component, bin by bin, then the incident counts: one number
// that changes with any count.
inline std::uint64_t tallyChecksum(const Tallies& tallies) {
    std::uint64_t checksum = 1469598103934665603ull;
    const auto add = [&checksum](std::int64_t v) {
        checksum = (checksum ^ static_cast<std::uint64_t>(v)) * 1099511628211ull;
    };
    for (const auto& sphere : tallies.depth)
        for (const auto& component : sphere)
            for (std::int64_t v : component) add(v);
    for (std::int64_t v : tallies.incident) add(v);
    return checksum;
}

// The same over the tallies kept per batch: counts, track lengths and
// incident counts, batch by batch.
inline std::uint64_t batchTallyChecksum(const Tallies& tallies) {
    std::uint64_t checksum = 1469598103934665603ull;
    const auto add = [&checksum](std::int64_t v) {
        checksum = (checksum ^ static_cast<std::uint64_t>(v)) * 1099511628211ull;
    };
    for (const auto* cells : {&tallies.batchCounts, &tallies.trackLength})
        for (const auto& batch : *cells)
            for (const auto& sphere : batch)
                for (const auto& component : sphere)
                    for (std::int64_t v : component) add(v);
    for (const auto& batch : tallies.batchIncident)
        for (std::int64_t v : batch) add(v);
    return checksum;
}

}  // namespace corvane
