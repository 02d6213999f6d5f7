// The tracked loudness: the upper-quartile percentile of the last 50 levels and a tracked value
// that rises by 1/12 and falls by 1/50 of the distance per block, only within its limits.
#include "audio/level/LLevelTracker.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void PushAll(LLevelTracker& tracker, const std::vector<int>& levels) {
    for (int level : levels) {
        tracker.Push(static_cast<std::int8_t>(level));
    }
}

std::vector<int> Repeat(int level, int count, std::vector<int> before = {}) {
    before.insert(before.end(), static_cast<std::size_t>(count), level);
    return before;
}

TEST(LLevelTrackerTest, StartsWithAHistoryOfZeros) {
    LLevelTracker tracker(6, -2);
    EXPECT_EQ(tracker.Percentile(), 0);
    EXPECT_EQ(tracker.Tracked(), 0);
    EXPECT_EQ(tracker.TrackedValue(), -2.0);
    EXPECT_EQ(tracker.Next(), 0);
}

TEST(LLevelTrackerTest, PercentileIsTheHighestLevelWithMoreThanTwelveEntriesAtOrAbove) {
    std::vector<int> ramp;
    for (int i = 0; i < 50; ++i) {
        ramp.push_back(-25 + i);  // -25 .. 24: 25 - L entries at or above L
    }
    struct Row {
        const char* what;
        std::vector<int> levels;
        int percentile;
    } rows[] = {
        {"ramp", ramp, 12},
        {"steady", Repeat(5, 50), 5},
        {"thirteen loud", Repeat(30, 13, Repeat(-10, 37)), 30},
        {"twelve loud", Repeat(30, 12, Repeat(-10, 38)), -10},
        // Part of the initial zeros is still in the history.
        {"twelve pushed", Repeat(20, 12), 0},
        {"thirteen pushed", Repeat(20, 13), 20},
        {"all quiet", Repeat(-127, 50), -127},
        // The oldest entries leave: 13 loud ones pushed 50 blocks ago are gone.
        {"loud gone", Repeat(-40, 50, Repeat(30, 13)), -40},
    };
    for (const Row& row : rows) {
        LLevelTracker tracker(6, -2);
        PushAll(tracker, row.levels);
        EXPECT_EQ(tracker.Percentile(), row.percentile) << row.what;
    }
}

TEST(LLevelTrackerTest, RisesByATwelfthOfTheDistanceWhileTheNextBlockIsLouder) {
    LLevelTracker tracker(6, -2);
    // While the initial zeros are still the next entries, nothing is louder than T = 0.
    PushAll(tracker, Repeat(20, 49));
    EXPECT_EQ(tracker.TrackedValue(), -2.0);
    EXPECT_EQ(tracker.Percentile(), 20);
    double v = -2.0;
    for (int i = 0; i < 3; ++i) {
        tracker.Push(20);
        v += (20 - v) / 12;
        EXPECT_DOUBLE_EQ(tracker.TrackedValue(), v);
        EXPECT_EQ(tracker.Tracked(), static_cast<int>(v));
    }
}

TEST(LLevelTrackerTest, RiseStopsOnceTheTrackedLevelReachesItsLimit) {
    for (int limit : {6, 3, 15}) {
        LLevelTracker tracker(static_cast<std::int8_t>(limit), -2);
        PushAll(tracker, Repeat(20, 200));
        // It stops on the first step that takes T to the limit or past it (one step is less
        // than 2 dB here), and stays there.
        EXPECT_GE(tracker.Tracked(), limit);
        EXPECT_LE(tracker.Tracked(), limit + 1);
        double held = tracker.TrackedValue();
        PushAll(tracker, Repeat(20, 50));
        EXPECT_EQ(tracker.TrackedValue(), held) << limit;
    }
    // Without a limit in the way it approaches the percentile from below and never reaches it.
    LLevelTracker free(127, -2);
    PushAll(free, Repeat(20, 300));
    EXPECT_EQ(free.Tracked(), 19);
}

TEST(LLevelTrackerTest, FallsByAFiftiethOnlyWhileAboveItsLimit) {
    // Starting from T = 0, V = -2: the first fall (once the first -20 is the next entry) takes
    // T to -2, where the limit stops it.
    LLevelTracker tracker(6, -2);
    PushAll(tracker, Repeat(-20, 50));
    EXPECT_DOUBLE_EQ(tracker.TrackedValue(), -2.0 + (-20 + 2.0) / 50);
    EXPECT_EQ(tracker.Tracked(), -2);
    PushAll(tracker, Repeat(-20, 100));
    EXPECT_EQ(tracker.Tracked(), -2);

    // With a lower limit it keeps falling toward the percentile.
    LLevelTracker deep(6, -30);
    PushAll(deep, Repeat(-20, 50));
    double v = -2.0 + (-20 + 2.0) / 50;
    EXPECT_DOUBLE_EQ(deep.TrackedValue(), v);
    deep.Push(-20);
    v += (-20 - v) / 50;
    EXPECT_DOUBLE_EQ(deep.TrackedValue(), v);
    PushAll(deep, Repeat(-20, 500));
    EXPECT_EQ(deep.Tracked(), -19);
}

TEST(LLevelTrackerTest, AdvanceMovesOnWithoutChangingTheHistory) {
    LLevelTracker tracker(6, -2);
    PushAll(tracker, Repeat(-10, 25, Repeat(10, 25)));
    // The next entry after 50 pushes is the first one pushed.
    EXPECT_EQ(tracker.Next(), 10);
    for (int i = 0; i < 25; ++i) {
        tracker.Advance();
    }
    EXPECT_EQ(tracker.Next(), -10);
    EXPECT_EQ(tracker.Percentile(), 10);
    for (int i = 0; i < 25; ++i) {
        tracker.Advance();
    }
    EXPECT_EQ(tracker.Next(), 10);
}

}  // namespace
