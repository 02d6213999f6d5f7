// The tracked loudness: the upper-quartile percentile of the last 50 levels and a tracked value
// that rises by 1/12 and falls by 1/50 of the distance per block, only within its limits.
#include "audio/level/LLevelTracker.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// `before`, then `count` blocks at `level`.
std::vector<int> Repeat(int level, int count, std::vector<int> before = {}) {
    before.insert(before.end(), static_cast<std::size_t>(count), level);
    return before;
}

LLevelTracker Tracker(const std::vector<int>& levels, int upper = 6, int lower = -2) {
    LLevelTracker tracker(static_cast<std::int8_t>(upper), static_cast<std::int8_t>(lower));
    for (int level : levels) {
        tracker.Push(static_cast<std::int8_t>(level));
    }
    return tracker;
}

TEST(LLevelTrackerTest,
     PercentileIsTheHighestLevelWithMoreThanTwelveEntriesAtOrAboveAndAdvanceKeepsIt) {
    struct Row {
        const char* what;
        std::vector<int> levels;
        int percentile;
    } rows[] = {
        {"start", {}, 0},  // a history of zeros
        {"thirteen loud", Repeat(30, 13, Repeat(-10, 37)), 30},
        {"twelve loud", Repeat(30, 12, Repeat(-10, 38)), -10},
        {"all quiet", Repeat(-127, 50), -127},
        // The oldest entries leave: 13 loud ones pushed 50 blocks ago are gone.
        {"loud gone", Repeat(-40, 50, Repeat(30, 13)), -40},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Tracker(row.levels).Percentile(), row.percentile) << row.what;
    }
    EXPECT_EQ(Tracker({}).Tracked(), 0);
    EXPECT_EQ(Tracker({}).Next(), 0);
    // Advance moves on to the next entry without changing the history; after 50 pushes the next
    // entry is the first one pushed.
    LLevelTracker tracker = Tracker(Repeat(-10, 25, Repeat(10, 25)));
    EXPECT_EQ(tracker.Next(), 10);
    for (int i = 0; i < 25; ++i) {
        tracker.Advance();
    }
    EXPECT_EQ(tracker.Next(), -10);
    EXPECT_EQ(tracker.Percentile(), 10);
}

TEST(LLevelTrackerTest, RisesByATwelfthAndFallsByAFiftiethOfTheDistanceOnlyWithinItsLimits) {
    // While the initial zeros are still the next entries, nothing is louder than T = 0.
    LLevelTracker tracker = Tracker(Repeat(20, 49));
    EXPECT_EQ(tracker.TrackedValue(), -2.0);
    EXPECT_EQ(tracker.Percentile(), 20);
    double v = -2.0;
    for (int i = 0; i < 3; ++i) {
        tracker.Push(20);
        v += (20 - v) / 12;
        EXPECT_DOUBLE_EQ(tracker.TrackedValue(), v);
        EXPECT_EQ(tracker.Tracked(), static_cast<int>(v));
    }
    // It stops on the first step that takes T to the limit or past it (one step is less than
    // 2 dB here), and stays there.
    LLevelTracker limited = Tracker(Repeat(20, 200));
    EXPECT_GE(limited.Tracked(), 6);
    EXPECT_LE(limited.Tracked(), 7);
    const double held = limited.TrackedValue();
    for (int i = 0; i < 50; ++i) {
        limited.Push(20);
    }
    EXPECT_EQ(limited.TrackedValue(), held);
    // Without a limit in the way it approaches the percentile from below and never reaches it.
    EXPECT_EQ(Tracker(Repeat(20, 300), 127).Tracked(), 19);
    // From T = 0, V = -2: the first fall (once the first -20 is the next entry) takes T to -2,
    // where the limit stops it; with a lower limit it keeps falling toward the percentile.
    const double first = -2.0 + (-20 + 2.0) / 50;
    EXPECT_DOUBLE_EQ(Tracker(Repeat(-20, 50)).TrackedValue(), first);
    EXPECT_EQ(Tracker(Repeat(-20, 50)).Tracked(), -2);
    EXPECT_EQ(Tracker(Repeat(-20, 150)).Tracked(), -2);
    EXPECT_DOUBLE_EQ(Tracker(Repeat(-20, 51), 6, -30).TrackedValue(), first + (-20 - first) / 50);
    EXPECT_EQ(Tracker(Repeat(-20, 551), 6, -30).Tracked(), -19);
}

}  // namespace
