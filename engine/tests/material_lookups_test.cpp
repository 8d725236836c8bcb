// The row search every material lookup interpolates on, and the bucket index
// of the fast transport that must find the same rows.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "files/material_table.h"
#include "transport/fast_physics.h"
#include "transport/material_lookups.h"

using namespace corvane;

namespace {

// The rule as first written: start at row 2 and move on while the key is at
// most x, stopping at the last row.
template <std::size_t Size>
int scannedRow(const std::array<float, Size>& key, int last, float x) {
    int i = 2;
    while (i < last && key[static_cast<std::size_t>(i)] <= x) ++i;
    return i;
}

TEST(FirstRowAbove, FindsTheFirstRowWhoseKeyExceedsTheArgument) {
    // Rows 1..7 (index 0 unused), with a plateau of equal keys in rows 3..5.
    const std::array<float, 8> key{0, 0, 1, 2, 2, 2, 3, 4};
    struct Case {
        int first;
        float x;
        int row;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {2, -1.0f, 2},  {2, 0.5f, 2}, {2, 1.0f, 3},  {2, 1.5f, 3}, {2, 2.0f, 6},  // past the whole plateau
        {2, 2.5f, 6},   {2, 3.0f, 7}, {2, 3.5f, 7},  {2, 4.0f, 7}, {2, 99.0f, 7},  // never past the last row
        {2, nan, 2},    {4, 0.5f, 4}, {4, 2.0f, 6},  {7, 0.0f, 7},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(firstRowAbove(key, c.first, 7, c.x), c.row) << "first " << c.first << ", x " << c.x;
        if (c.first == 2) {
            EXPECT_EQ(firstRowAbove(key, 2, 7, c.x), scannedRow(key, 7, c.x)) << c.x;
        }
    }
}

// Every key, its two float neighbours, the bucket edges and a dense sweep of
// [-limit / 10, 1.5 limit]: the arguments where a wrong bucket row would show.
std::vector<float> probeArguments(const float* keys, int count, float limit) {
    std::vector<float> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(keys[i]);
        arguments.push_back(std::nextafter(keys[i], -1e30f));
        arguments.push_back(std::nextafter(keys[i], 1e30f));
    }
    for (int b = 0; b <= RowIndex::kBuckets; ++b) {
        const float edge = static_cast<float>(static_cast<double>(b) * limit / RowIndex::kBuckets);
        arguments.push_back(edge);
        arguments.push_back(std::nextafter(edge, -1e30f));
        arguments.push_back(std::nextafter(edge, 1e30f));
    }
    constexpr int kSweep = 200000;
    for (int s = 0; s <= kSweep; ++s) {
        arguments.push_back(static_cast<float>(limit * (-0.1 + 1.6 * s / kSweep)));
    }
    return arguments;
}

struct Table {
    const char* name;
    std::filesystem::path file;
};

void PrintTo(const Table& table, std::ostream* out) { *out << table.name; }

class RowIndexTest : public ::testing::TestWithParam<Table> {};

TEST_P(RowIndexTest, ReturnsExactlyTheRowOfTheSearch) {
    const MaterialTable table = readMaterialTable(GetParam().file);
    {
        const float limit = table.energy[static_cast<std::size_t>(table.n)];
        RowIndex index;
        index.build(table.energy, table.n, limit);
        for (float e : probeArguments(&table.energy[1], table.n, limit)) {
            const int row = firstRowAbove(table.energy, 2, table.n, e);
            ASSERT_EQ(row, scannedRow(table.energy, table.n, e)) << "energy " << e;
            ASSERT_EQ(index.row(table.energy, table.n, e), row) << "energy " << e;
        }
    }
    {
        RowIndex index;
        index.build(table.x, kMomentumRows, kMomentumTransferLimit);
        for (float x : probeArguments(&table.x[1], kMomentumRows, kMomentumTransferLimit)) {
            const int row = firstRowAbove(table.x, 2, kMomentumRows, x);
            ASSERT_EQ(row, scannedRow(table.x, kMomentumRows, x)) << "x " << x;
            ASSERT_EQ(index.row(table.x, kMomentumRows, x), row) << "x " << x;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, RowIndexTest,
    ::testing::Values(Table{"water", std::filesystem::path(SHIPPED_DATA) / "water.dat"},
                      Table{"soft_tissue", std::filesystem::path(SHIPPED_DATA) / "ICRUSoft.dat"},
                      Table{"small", std::filesystem::path(ENGINE_FIXTURES) / "transport" / "small_material.dat"}),
    [](const ::testing::TestParamInfo<Table>& info) { return std::string(info.param.name); });

}  // namespace
