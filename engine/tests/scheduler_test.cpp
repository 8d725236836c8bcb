// The run on several cores: the pool of helper threads that computes the
// guessed pieces round by round, and the scheduler that cuts, guesses and
// joins them into the run on one core, to the bit.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "files/material_table.h"
#include "transport/histories.h"
#include "transport/round_pool.h"
#include "transport_test_support.h"

using namespace corvane;
using corvane::testing::conditions;
using corvane::testing::expectSameRun;
using corvane::testing::lineSpectrum;
using corvane::testing::RunOutcome;
using corvane::testing::runFromStart;

TEST(RoundPool, EachRoundRunsTheTaskOfEveryHelperItCounts) {
    RoundPool pool(3);
    ASSERT_EQ(pool.size(), 3u);  // a test machine starts three threads
    std::vector<int> runs(pool.size(), 0);
    // Rounds of 3, 1, 0 and 2 helpers; the others pass.
    const std::size_t counts[] = {3, 1, 0, 2, 3};
    for (std::size_t count : counts) {
        pool.start([&](std::size_t h) { ++runs[h]; }, count);
        pool.wait();
    }
    EXPECT_EQ(runs, (std::vector<int>{4, 3, 2}));
}

TEST(RoundPool, AHelperThatThrowsHandsItsErrorToTheCaller) {
    RoundPool pool(2);
    ASSERT_EQ(pool.size(), 2u);
    std::atomic<int> finished{0};
    pool.start(
        [&](std::size_t h) {
            if (h == 1) throw std::runtime_error("piece 2 failed");
            ++finished;
        },
        2);
    try {
        pool.wait();
        FAIL() << "the helper's error was lost";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "piece 2 failed");
    }
    EXPECT_EQ(finished, 1) << "the other helper finished its task";
    // The error belongs to its round: the pool goes on working.
    pool.start([&](std::size_t) { ++finished; }, 2);
    EXPECT_NO_THROW(pool.wait());
    EXPECT_EQ(finished, 3);
}

TEST(RoundPool, LeavingWhileARoundRunsWaitsForItsTasks) {
    // The caller's own share fails while the helpers still work on data the
    // caller owns: the pool, left by the exception, waits for them.
    std::vector<int> done(2, 0);
    try {
        RoundPool pool(2);
        pool.start(
            [&](std::size_t h) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                done[h] = 1;
            },
            2);
        throw std::runtime_error("caller's piece failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(done, (std::vector<int>{1, 1}));
}

TEST(Scheduler, RunOnSeveralCoresReproducesTheRunOnOne) {
    // Pieces short enough for many joins, guesses pushed off either way
    // (and once so far ahead that no guessed piece meets the true
    // sequence), on two to four cores; a flat spectrum and three lines.
    struct Case {
        const char* material;
        float tubePotential, fieldDiameter, fluence;
        std::vector<std::pair<int, float>> lines;
    };
    const std::vector<ParallelSettings> settings{
        {2, 1000, 0}, {3, 700, 3000}, {2, 500, -3000}, {4, 10000, 0}, {2, 300, 200000}, {2, 1 << 15, 0}};
    for (const Case& c : {Case{"water.dat", 100.0f, 12.0f, 125.0f, {}}, Case{"ICRUSoft.dat", 30.0f, 25.0f, 28.0f, {}},
                          Case{"water.dat", 150.0f, 4.0f, 3000.0f, {{80, 0.5f}, {81, 0.25f}, {82, 0.25f}}}}) {
        SCOPED_TRACE(std::string(c.material) + " at " + std::to_string(c.tubePotential) + " kV");
        const MaterialTable table = readMaterialTable(std::filesystem::path(SHIPPED_DATA) / c.material);
        const RunParameters p = conditions(c.tubePotential, c.fieldDiameter, c.fluence);
        const IncidentSpectrum s = lineSpectrum(p.binCount, c.lines);
        const RunOutcome one = runFromStart([&](RandomGenerator& r, Tallies& t, std::ostream& o, HistoryStatistics* h) {
            runHistories(p, s, table, r, t, o, h, Cores::One);
        });
        EXPECT_GT(one.statistics.histories, 10000);
        for (const ParallelSettings& setting : settings) {
            SCOPED_TRACE(std::to_string(setting.cores) + " cores, pieces of " +
                         std::to_string(setting.pieceHistories) + ", guesses off by " +
                         std::to_string(setting.guessOffset));
            expectSameRun(runFromStart([&](RandomGenerator& r, Tallies& t, std::ostream& o, HistoryStatistics* h) {
                              runHistoriesInParallel(p, s, table, r, t, o, h, setting);
                          }),
                          one);
        }
    }
}
