#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bench/Rounds.h"

namespace {

// A run of a round fails when (round, run) is in `failing`; otherwise it takes 10 * round + run.
struct TurnCase {
    const char* what;
    int runs;
    int rounds;
    std::set<std::pair<int, int>> failing;
    std::vector<int> order;  // the runs in the order they are made
    std::vector<std::vector<double>> times;
    int failures;
};

TEST(BenchRoundsTest, RunsInTurnAndCountsOnlyWholeRoundsAfterTheWarmUp) {
    const TurnCase cases[] = {
        {"two warm-up rounds left out, each round starting with the next run",
         3,
         2,
         {},
         {0, 1, 2, 1, 2, 0, 2, 0, 1, 0, 1, 2},
         {{20, 30}, {21, 31}, {22, 32}},
         0},
        {"a failed run drops its round, and the round's other runs are still made",
         2,
         3,
         {{2, 0}},
         {0, 1, 1, 0, 0, 1, 1, 0, 0, 1},
         {{30, 40}, {31, 41}},
         1},
        {"a failure in the warm-up counts too",
         2,
         1,
         {{0, 1}},
         {0, 1, 1, 0, 0, 1},
         {{20}, {21}},
         1},
        {"every round failing leaves no times",
         1,
         2,
         {{0, 0}, {1, 0}, {2, 0}, {3, 0}},
         {0, 0, 0, 0},
         {{}},
         4},
    };
    for (const TurnCase& c : cases) {
        std::vector<int> order;
        const Rounds rounds = TimeInTurn(c.runs, c.rounds, [&](int run) {
            const int round = static_cast<int>(order.size()) / c.runs;
            order.push_back(run);
            return c.failing.count({round, run}) ? -1.0 : 10.0 * round + run;
        });
        EXPECT_EQ(order, c.order) << c.what;
        EXPECT_EQ(rounds.times, c.times) << c.what;
        EXPECT_EQ(rounds.failures, c.failures) << c.what;
    }
}

TEST(BenchRoundsTest, PairTakesTheRatioOfEachRoundNotOfTheMedians) {
    Rounds rounds;
    rounds.times = {{2, 3, 9}, {1, 3, 3}};
    rounds.failures = 2;
    const PairResult pair = rounds.Pair(0, 1);
    EXPECT_DOUBLE_EQ(pair.program, 3);
    EXPECT_DOUBLE_EQ(pair.floor, 3);
    EXPECT_DOUBLE_EQ(pair.roundRatio, 2);  // the rounds' ratios are 2, 1 and 3
    EXPECT_EQ(pair.programQuartiles, (std::array<double, 2>{2, 3}));
    EXPECT_EQ(pair.failures, 2);
    // A run that is not there gives nothing rather than reading past the rounds.
    EXPECT_DOUBLE_EQ(rounds.Pair(0, 2).program, 0);
    EXPECT_DOUBLE_EQ(rounds.MedianOf(5), 0);
}

TEST(BenchRoundsTest, MedianAndQuartiles) {
    EXPECT_DOUBLE_EQ(Median({}), 0);
    EXPECT_DOUBLE_EQ(Median({5, 1, 3}), 3);
    EXPECT_DOUBLE_EQ(Median({4, 1, 3, 2}), 2.5);
    EXPECT_EQ(Quartiles({}), (std::array<double, 2>{0, 0}));
    EXPECT_EQ(Quartiles({8, 1, 7, 2, 6, 3, 5, 4, 9}), (std::array<double, 2>{3, 7}));
}

TEST(BenchRoundsTest, ARowMeetsItsGoalOnlyWithARatioWithinItAndASoundRun) {
    struct Case {
        double program, floor, goal;
        bool sound;
        const char* ratio;
        const char* met;
    };
    const Case cases[] = {
        {0.120, 0.100, 1.3, true, "| 1.20x |", "| yes |"},
        {0.130, 0.100, 1.3, true, "| 1.30x |", "| yes |"},
        {0.140, 0.100, 1.3, true, "| 1.40x |", "| **no** |"},
        {0.120, 0.100, 1.3, false, "| 1.20x |", "| **no** |"},  // failed rounds
        {0.120, 0.0, 1.3, true, "| 0.00x |", "| **no** |"},     // the floor never ran
    };
    for (const Case& c : cases) {
        const std::string row =
            TimedRow("start-up", 15, c.program, c.floor, kMilliseconds, c.goal, c.sound);
        EXPECT_NE(row.find(c.ratio), std::string::npos) << row;
        EXPECT_NE(row.find(c.met), std::string::npos) << row;
    }
    EXPECT_EQ(TimedRow("data check", 10000, 29.3e-6, 37e-6, kMicroseconds, 1.5, true),
              "| data check (median of 10000) | 29.3 us | 37.0 us | 0.79x | <= 1.5x | yes |");
}

TEST(BenchRoundsTest, FormatKeepsTextOfAnyLength) {
    const std::string longText(5000, 'x');
    EXPECT_EQ(Format("- %s: %d", longText.c_str(), 7), "- " + longText + ": 7");
}

}  // namespace
