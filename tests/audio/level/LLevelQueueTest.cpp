// The background queue: its file holds the entries oldest first under "file%d" and their number
// under "count", read as claims checked against what is there and rewritten once per change;
// files are levelled in their place by a worker thread, in order, across restarts, recordings
// checked for sound first, changed ones meanwhile levelled again; stopping leaves a file that is in
// use untouched and out of the queue.
#include "audio/level/LLevelQueue.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>

#include <filesystem>
#include <set>
#include <thread>

#include "audio/files/RecordingInfo.h"
#include "audio/files/WaveReaders.h"
#include "audio/level/LevelTestFiles.h"
#include "base/IniFile.h"
#include "base/UniqueFd.h"

namespace {

using Paths = std::vector<std::string>;

class LLevelQueueTest : public ::testing::Test {
protected:
    std::string Recording(const std::string& name) {
        WriteFile(root / name, QuietRecording(1, 16000, 2));
        return root / name;
    }
    static bool Levelled(const std::string& path) {
        const WaveInfo info = InspectWave(path);
        return info.valid && info.format.sampleRate == 8000 && info.format.channels == 1;
    }

    TempDir root;
    ScopedEnv tmp{"TMPDIR", root.Path()};
    std::string dataFolder = root.Path() + "/";
    LevelQueueFile file{dataFolder + kLevelQueueFileName};
};
using LevelQueueFileTest = LLevelQueueTest;

TEST_F(LevelQueueFileTest,
       TheCountIsAClaimCheckedAgainstTheEntriesAndAChangeWritesThemWithoutGaps) {
    EXPECT_EQ(file.Count(), 0);
    const std::pair<std::string, Paths> rows[] = {
        {"count=2000000000\nfile0=/rec/a.wav\nfile1=/rec/b.wav\n", {"/rec/a.wav", "/rec/b.wav"}},
        // Gaps (missing, empty) below the count, entries beyond it, the order of the indexes,
        // the first of a key, any case, and only keys as "file%d" writes them.
        {"COUNT = 4\r\nFile2=/rec/c.wav\r\nfile0=/rec/a.wav\r\nfile3=\r\nFILE0=/rec/x.wav\r\n"
         "file4=/rec/e.wav\r\nfile01=/x\r\nfile-1=/x\r\nfile 1=/x\r\nfile1x=/x\r\n",
         {"/rec/a.wav", "/rec/c.wav"}},
        // Values that cannot have been queued (relative, cut, cut short by a NUL) are gaps too.
        {"count=4\nfile0=rec/a.wav\nfile1=/" + std::string(300, 'x') + "\nfile2=/rec/c.wav" +
             std::string(1, '\0') + ".x\nfile3=/rec/d.wav\n",
         {"/rec/d.wav"}},
        {"count=-3\nfile0=/rec/a.wav\n", {}},
        {"count=many\nfile0=/rec/a.wav\n", {}},
    };
    for (const auto& [content, entries] : rows) {
        WriteFile(file.Path(), "[bgalc]\n" + content);
        // The count first: it is what a loop over the claimed entries would run to.
        ASSERT_EQ(file.Count(), static_cast<std::int32_t>(entries.size())) << content;
        EXPECT_EQ(file.Entries(), entries) << content;
    }
    // A change writes the entries present without gaps, and keeps other sections.
    WriteFile(file.Path(),
              "[bgalc]\ncount=2000000000\nfile1=/rec/b.wav\nfile0=/rec/a.wav\n"
              "file7=\nnote=x\n\n[other]\nkey=1\n");
    ASSERT_TRUE(file.Append("/rec/c.wav"));
    EXPECT_EQ(ReadFile(file.Path()),
              "[bgalc]\ncount=3\nfile0=/rec/a.wav\nfile1=/rec/b.wav\nfile2=/rec/c.wav\n\n"
              "[other]\nkey=1\n");
    bool failed = true;
    EXPECT_EQ(file.TakeOldest(failed), "/rec/a.wav");
    EXPECT_FALSE(failed);
    EXPECT_EQ(ReadFile(file.Path()),
              "[bgalc]\ncount=2\nfile0=/rec/b.wav\nfile1=/rec/c.wav\n\n[other]\nkey=1\n");
    EXPECT_EQ(file.TakeOldest(failed), "/rec/b.wav");
    EXPECT_EQ(file.TakeOldest(failed), "/rec/c.wav");
    EXPECT_EQ(file.TakeOldest(failed), std::nullopt);
    EXPECT_FALSE(failed);
    EXPECT_EQ(ReadProfileValue(file.Path(), "bgalc", "count"), "0");
    // An unwritable queue file refuses the entry.
    EXPECT_FALSE(LevelQueueFile(root / "no/such/folder/bgalc.dat").Append("/rec/a.wav"));
}

TEST_F(LevelQueueFileTest, OnlyPathsThatReadBackUnchangedAreQueuedAndAtMostTheLimit) {
    const std::string longest = "/" + std::string(kMaxProfileValue - 2, 'x');
    // Too long would be cut on reading, a blank at the end trimmed.
    for (auto [path, queued] : {std::pair<std::string, bool>{longest, true},
                                {longest + "x", false},
                                {"/rec/a\nfile0=/etc/passwd", false},
                                {"/rec/a.wav ", false}}) {
        EXPECT_EQ(CanQueuePath(path), queued) << path;
        EXPECT_EQ(file.Append(path), queued) << path;
        EXPECT_EQ(file.Entries(), queued ? Paths{path} : Paths{});
        std::remove(file.Path().c_str());
    }
    // More entries than the limit, all claimed: the oldest ones are the queue.
    const std::size_t limit = kMaxLevelQueueEntries;
    std::string content = "[bgalc]\ncount=" + std::to_string(limit + 5) + "\n";
    for (std::size_t i = 0; i < limit + 5; ++i) {
        content += "file" + std::to_string(i) + "=/rec/" + std::to_string(i) + ".wav\n";
    }
    WriteFile(file.Path(), content);
    ASSERT_EQ(file.Count(), static_cast<std::int32_t>(limit));
    EXPECT_EQ(file.Entries().back(), "/rec/" + std::to_string(limit - 1) + ".wav");
    // A full queue refuses another entry and stays as it was.
    EXPECT_FALSE(file.Append("/rec/new.wav"));
    EXPECT_EQ(ReadFile(file.Path()), content);
}

TEST_F(LLevelQueueTest, QueuedAndAddedFilesAreLevelledInTheBackground) {
    // An earlier run queued two files and stopped before levelling them.
    const std::string a = Recording("a.wav");
    const std::string b = Recording("b.wav");
    ASSERT_TRUE(file.Append(a));
    ASSERT_TRUE(file.Append(b));
    LLevelQueue queue(dataFolder);
    EXPECT_EQ(queue.QueuePath(), file.Path());
    const std::string c = Recording("c.wav");
    ASSERT_TRUE(queue.Add(c));
    queue.AwaitThreadEnd();
    for (const std::string& path : {a, b, c}) {
        EXPECT_TRUE(Levelled(path)) << path;
    }
    EXPECT_EQ(file.Count(), 0);
    // The next Add starts the worker again.
    const std::string e = Recording("e.wav");
    ASSERT_TRUE(queue.Add(e));
    queue.AwaitThreadEnd();
    EXPECT_TRUE(Levelled(e));
    EXPECT_FALSE(queue.Add("relative.wav"));
    // Recordings (the files of their folder) are checked for sound first, those an earlier run
    // queued and those not to be levelled too; prompts are not.
    std::set<std::string> noSound;  // read once the worker has ended
    const std::string recordings = root / "Recordings/";
    std::filesystem::create_directory(recordings);
    queue.CheckRecordingsIn(recordings,
                            [&noSound](const std::string& path) { noSound.insert(path); });
    const std::string silence = Pcm16File(2, 16000, std::vector<std::int16_t>(6 * 16000 * 2));
    const std::string prompt = root / "prompt.wav";
    const std::string earlier = recordings + "earlier.wav";
    const std::string levelled = recordings + "levelled.wav";
    const std::string kept = recordings + "kept.wav";
    for (const std::string& path : {prompt, earlier, levelled, kept}) {
        WriteFile(path, silence);
    }
    ASSERT_TRUE(file.Append(earlier));
    ASSERT_TRUE(queue.Add(prompt));
    ASSERT_TRUE(queue.Add(levelled));
    ASSERT_TRUE(queue.Add(kept, LLevelQueue::Work::Check));
    queue.AwaitThreadEnd();
    EXPECT_EQ(noSound, (std::set<std::string>{earlier, levelled, kept}));
    EXPECT_FALSE(Levelled(kept));
    EXPECT_TRUE(Levelled(levelled) && Levelled(prompt) && Levelled(earlier));
}

TEST_F(LLevelQueueTest, StopEndsAWorkerWhileItsFileIsInUseAndLeavesTheFileOutOfTheQueue) {
    const std::string a = Recording("a.wav");
    const std::string original = ReadFile(a);
    ASSERT_TRUE(file.Append(a));
    {
        // Wherever the worker is when it is stopped, it cannot be done while the file is in use.
        LSoundSourcePtr player = OpenWaveFile(a);
        LLevelQueue queue(dataFolder);
        ASSERT_TRUE(queue.Add(root / "b.wav"));
        EXPECT_TRUE(queue.IsThreadRunning());
        queue.Stop();
        EXPECT_FALSE(queue.IsThreadRunning());
    }
    // A file whose levelling is cut short is not taken again at every start.
    EXPECT_EQ(file.Entries(), Paths{root / "b.wav"});
    EXPECT_EQ(ReadFile(a), original);
}

TEST_F(LLevelQueueTest, ARecordingChangedWhileItIsLevelledIsLevelledAgainWithTheChange) {
    const std::string a = Recording("a.wav");
    ASSERT_TRUE(file.Append(a));
    LLevelQueue queue(dataFolder);
    LSoundSourcePtr player = OpenWaveFile(a);
    LStopEvent stop;
    std::vector<LevelResult> results;
    std::thread worker([&] {
        queue.ProcessQueued(stop, [&](const std::string&, LevelResult r) { results.push_back(r); });
    });
    stop.AwaitWaiter();  // the levelled copy waits for the player to let go
    // The user writes a note meanwhile: it stays, and the recording is levelled all the same.
    RecordingInfo info;
    info.note = "Call back on Monday";
    ASSERT_EQ(WriteRecordingInfo(a, info), "");
    player.Release();
    worker.join();
    EXPECT_EQ(results, (std::vector{LevelResult::Changed, LevelResult::Levelled}));
    EXPECT_TRUE(Levelled(a));
    EXPECT_EQ(ReadRecordingInfo(a), info);
    EXPECT_EQ(file.Count(), 0);
}

// The kernel's count of the opens of the queue file (each read) and of the renames onto it (each
// rewrite) since the last call: exact, whatever the timing.
std::pair<int, int> OpensAndRewrites(int inotify) {
    std::pair<int, int> counts;
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t size; (size = ::read(inotify, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            EXPECT_EQ(event->mask & IN_Q_OVERFLOW, 0u);
            if (event->len > 0 && std::string(event->name) == kLevelQueueFileName) {
                counts.first += (event->mask & IN_OPEN) != 0;
                counts.second += (event->mask & IN_MOVED_TO) != 0;
            }
        }
    }
    return counts;
}

TEST_F(LLevelQueueTest, EachAppendAndEachDrainedEntryIsOneRewrite) {
    const UniqueFd inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_GE(::inotify_add_watch(inotify.Get(), root.Path().c_str(), IN_OPEN | IN_MOVED_TO), 0);
    // Files that do not exist: levelling them costs nothing, so the bookkeeping is all there is.
    constexpr int kEntries = 40;
    for (int i = 0; i < kEntries; ++i) {
        ASSERT_TRUE(file.Append(root / ("missing/" + std::to_string(i) + ".wav")));
    }
    auto [opens, rewrites] = OpensAndRewrites(inotify.Get());
    EXPECT_EQ(rewrites, kEntries);
    EXPECT_LE(opens, kEntries);
    // The work per entry stays the same however long the queue: one rewrite to remove it, and
    // at most two reads (one to find it, one in the rewrite).
    int cheap = 0;
    ASSERT_TRUE(LLevelQueue(dataFolder).ProcessQueued(LStopEvent(), [&](auto&&...) {
        const auto [opens, rewrites] = OpensAndRewrites(inotify.Get());
        cheap += rewrites == 1 && opens <= 2;
    }));
    EXPECT_EQ(cheap, kEntries);
}

}  // namespace
