#pragma once
// A direct index over the rows of a material-table lookup.

#include <array>
#include <cstddef>
#include <cstdint>

#include "model/arithmetic.h"
#include "transport/material_lookups.h"

namespace corvane {

// Finds the row of a lookup (firstRowAbove from row 2) almost without a
// search: the argument range [0, limit) is cut into equal buckets, each
// knowing the row of an argument one bucket below its lower edge and the row
// of an argument one bucket above its upper edge. The row of every argument
// in the bucket lies between the two (the row never falls as the argument
// grows), and the search between them, mostly zero or one rows apart, arrives
// where the search over the whole table would.
class RowIndex {
public:
    static constexpr int kBuckets = 4096;

    template <std::size_t Size>
    void build(const std::array<float, Size>& key, int last, float limit);

    template <std::size_t Size>
    int row(const std::array<float, Size>& key, int last, float argument) const {
        const double scaled = asDouble(argument) * scale_;
        if (scaled >= 0 && scaled < kBuckets) {
            const auto b = static_cast<std::size_t>(scaled);
            return firstRowAbove(key, start_[b], end_[b], argument);
        }
        return firstRowAbove(key, 2, last, argument);
    }

private:
    double scale_ = 0;
    std::array<std::uint8_t, kBuckets> start_{}, end_{};
};

template <std::size_t Size>
inline void RowIndex::build(const std::array<float, Size>& key, int last, float limit) {
    scale_ = kBuckets / asDouble(limit);
    for (int b = 0; b < kBuckets; ++b) {
        // The rows of the lower edge of the bucket below and of the upper
        // edge of the bucket above: no argument that lands in bucket b lies
        // outside them, whatever the rounding of its scaling.
        const float low = b == 0 ? 0.0f : storeFloat((b - 1) / scale_);
        const float high = storeFloat((b + 2) / scale_);
        start_[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(b == 0 ? 2 : firstRowAbove(key, 2, last, low));
        end_[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(firstRowAbove(key, 2, last, high));
    }
}

}  // namespace corvane
