#pragma once
// Counts of the six on-axis spheres and of the source, by energy bin, and the
// track length of the photons' paths inside each sphere.
// Counts are whole numbers kept exactly in 64-bit integers (a 32-bit float
// counter would stop growing at 16 777 216). Track lengths are kept in fixed
// point, whole units of 1e-9 cm (kTrackUnitsPerCm), so that their sums, too, do not depend
// on the order in which histories are added up (on one core or several).
//
// Every tally is also kept per batch: the histories of a bin, indexed
// 0..n-1 in the order the random stream runs them, fall into kBatches
// consecutive batches, history i into batch floor(kBatches i / n).

#include <array>
#include <cstdint>
#include <vector>

#include "files/attenuation_table.h"

namespace corvane {

inline constexpr int kSpheres = 6;      // depths 0, 2, 5, 10, 15, 20 cm
inline constexpr int kComponents = 3;   // 1 primary, 2 scattered, 3 total

// Depths of the sphere centres on the beam axis (cm), sphere j = 1..6 at
// index j - 1, and the squared sphere radius (1 cm diameter).
inline constexpr std::array<float, kSpheres> kSphereDepths{0.0f, 2.0f, 5.0f, 10.0f, 15.0f, 20.0f};
inline constexpr float kSphereRadiusSquared = 0.25f;

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
    void clear();

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
    void addDifference(const Tallies& a, const Tallies& b);

private:
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

// The energy bin a photon of energy e (keV) is counted in: int(2e - 0.001) + 1,
// so 0.5 m keV falls in bin m.
inline std::int32_t energyBin(float e) {
    return static_cast<std::int32_t>(2 * static_cast<double>(e) - static_cast<double>(0.001f)) + 1;
}

// The length (cm) of the path p(t) = p0 + t v, 0 <= t <= 1 (a segment), or
// t >= 0 when `ray` (the straight path of a photon that has left the phantom
// through the entrance surface into the vacuum around it), inside the sphere
// of radius 0.5 cm centred on the axis at depth d. Zero for a path that only
// touches the sphere or has no length.
double chordInSphere(double x0, double y0, double z0, double vx, double vy, double vz, double d, bool ray);

// Adds the track length of a flight from (x0, y0, z0) to (x1, y1, z1) inside
// every sphere to component 1 or 2, bin k, batch b. A flight that ends at or
// in front of the entrance surface (z1 <= 0) has left the phantom: its path
// is followed on beyond its end point, straight and unattenuated.
void addTrackLengths(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, int component,
                     int k, int batch);

// Adds the track length of the source ray of a photon of bin k, from the
// point source at depth -ssd to its entry point (x, y, 0), inside the depth-0
// sphere (the only one that sticks out of the phantom), as primary.
void addSourceRay(Tallies& tallies, float x, float y, float ssd, int k, int batch);

// Scores one flight from (x0, y0, z0) to (x1, y1, z1) of a photon of energy e
// travelling with polar cosine cosTheta, into component 1 (primary) or 2
// (scattered) of every sphere it passes: the flight's line must meet the
// sphere, and the flight must cross one of the three planes through the
// sphere's centre or start or end inside the sphere. A flight parallel to the
// surface, or with an unchanged x or y, scores nowhere. The counts go also
// to batch `batch`, and the flight's track length inside each sphere is
// added (addTrackLengths), whether it counts or not.
void scoreFlight(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta,
                 float e, int component, int batch = 0);

}  // namespace corvane
