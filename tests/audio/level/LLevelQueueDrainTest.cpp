// Draining the queue: each change of the queue file is one rewrite, an entry leaves the queue
// before its file is levelled, and a queue file that cannot be rewritten ends the run.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "audio/level/LLevelQueue.h"
#include "audio/level/LevelTestFiles.h"
#include "base/UniqueFd.h"

namespace {

// What happened to one file of a folder, as the kernel reports it: how often it was opened (each
// read of the queue file opens it) and how often another file was renamed onto its name (each
// rewrite). The counts are exact, whatever the timing.
class FileEvents {
public:
    FileEvents(const std::string& folder, std::string name)
        : fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), name(std::move(name)) {
        if (fd.Valid()) {
            ::inotify_add_watch(fd.Get(), folder.c_str(), IN_OPEN | IN_MOVED_TO);
        }
    }
    bool Valid() const { return fd.Valid(); }

    struct Counts {
        int opens = 0;
        int rewrites = 0;
        bool overflowed = false;
    };
    // The events since the last call.
    Counts Take() {
        Counts counts;
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t size; (size = ::read(fd.Get(), buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                counts.overflowed |= (event->mask & IN_Q_OVERFLOW) != 0;
                if (event->len == 0 || name != event->name) {
                    continue;
                }
                counts.opens += (event->mask & IN_OPEN) != 0;
                counts.rewrites += (event->mask & IN_MOVED_TO) != 0;
            }
        }
        return counts;
    }

private:
    UniqueFd fd;
    std::string name;
};

class LLevelQueueDrainTest : public ::testing::Test {
protected:
    TempDir root;
    ScopedEnv tmp{"TMPDIR", root.Path()};
    std::string dataFolder = root.Path() + "/";
    LevelQueueFile file{dataFolder + kLevelQueueFileName};

    // Files that do not exist: levelling them costs nothing, so the bookkeeping is all there is.
    std::string Missing(int i) { return root / ("missing/" + std::to_string(i) + ".wav"); }
};

TEST_F(LLevelQueueDrainTest, EachAppendAndEachDrainedEntryIsOneRewrite) {
    FileEvents events(root.Path(), kLevelQueueFileName);
    ASSERT_TRUE(events.Valid());
    constexpr int kEntries = 40;
    for (int i = 0; i < kEntries; ++i) {
        ASSERT_TRUE(file.Append(Missing(i)));
    }
    FileEvents::Counts appended = events.Take();
    EXPECT_EQ(appended.rewrites, kEntries);
    EXPECT_LE(appended.opens, kEntries);

    // The work per entry stays the same however long the queue: one rewrite to remove it, and
    // at most two reads (one to find it, one in the rewrite).
    std::vector<int> rewrites;
    std::vector<int> opens;
    LLevelQueue queue(dataFolder);
    ASSERT_TRUE(queue.ProcessQueued(LStopEvent(), [&](const std::string&, LevelResult) {
        const FileEvents::Counts counts = events.Take();
        ASSERT_FALSE(counts.overflowed);
        rewrites.push_back(counts.rewrites);
        opens.push_back(counts.opens);
    }));
    ASSERT_EQ(rewrites, std::vector<int>(kEntries, 1));
    EXPECT_LE(*std::max_element(opens.begin(), opens.end()), 2) << ::testing::PrintToString(opens);
    EXPECT_EQ(file.Count(), 0);
}

TEST_F(LLevelQueueDrainTest, AFileWhoseLevellingIsStoppedIsNotTakenAgain) {
    WriteFile(root / "a.wav", QuietRecording(1));
    const std::string a = root / "a.wav";
    const std::string recorded = ReadFile(a);
    ASSERT_TRUE(file.Append(a));
    {
        // The player holds the file, so the worker cannot be done with it before it is stopped.
        LSoundSourcePtr player = OpenWaveFile(a);
        LLevelQueue queue(dataFolder);
        ASSERT_TRUE(queue.Add(root / "b.wav"));
        queue.Stop();
    }
    EXPECT_EQ(file.Entries(), (std::vector<std::string>{root / "b.wav"}));
    EXPECT_EQ(ReadFile(a), recorded);
}

TEST_F(LLevelQueueDrainTest, AQueueFileThatCannotBeRewrittenEndsTheRun) {
    ASSERT_TRUE(file.Append(Missing(0)));
    ASSERT_TRUE(file.Append(Missing(1)));
    LStopEvent stop;
    int reports = 0;
    bool drained = true;
    {
        // Too small for the queue file: every rewrite fails, every read works.
        ScopedFileSizeLimit fullDisk(16);
        drained = LLevelQueue(dataFolder).ProcessQueued(stop, [&](const std::string&, LevelResult) {
            // A run that took the same entry again would never end.
            if (++reports > 3) {
                stop.Set();
            }
        });
    }
    EXPECT_FALSE(drained);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(file.Entries(), (std::vector<std::string>{Missing(0), Missing(1)}));
    // No unfinished queue file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.Path()), {}), 1);
}

}  // namespace
