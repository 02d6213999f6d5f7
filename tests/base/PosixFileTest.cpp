// The POSIX file helpers: whole transfers across short and interrupted calls, lock tries, and
// files replaced whole, with no temporary file outliving an attempt.
#include "base/PosixFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "base/AtomicFile.h"
#include "support/TempDir.h"

namespace {

class PosixFileTest : public ::testing::Test {
protected:
    // Every name in the folder with the content of the files.
    std::map<std::string, std::string> Folder() const {
        std::map<std::string, std::string> entries;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            entries[entry.path().filename()] = ReadFile(entry.path());
        }
        return entries;
    }
    bool Write(const std::string& path, bool create, const std::string& content = "new") {
        AtomicFile next(path);
        return WriteAll(next.Fd(), content) && next.Sync(0640) &&
               (create ? next.Create() : next.Replace());
    }

    TempDir dir;
    std::string target = dir / "target";
};

std::atomic<int> signalsTaken{0};

// Runs `transfer` on a thread and, once the thread sleeps (blocked on a pipe), interrupts it
// with a signal that restarts no call; `afterwards` then lets the transfer finish.
void InterruptedOnce(const std::function<void()>& transfer,
                     const std::function<void()>& afterwards) {
    struct sigaction action {};
    action.sa_handler = [](int) { ++signalsTaken; };
    ::sigaction(SIGUSR1, &action, nullptr);
    std::atomic<pid_t> tid{0};
    std::thread thread([&] {
        tid = ::gettid();
        transfer();
    });
    const int before = signalsTaken;
    while (tid == 0 || ReadFile("/proc/self/task/" + std::to_string(tid) + "/stat").find(") S ") ==
                           std::string::npos) {
        std::this_thread::yield();
    }
    for (::pthread_kill(thread.native_handle(), SIGUSR1); signalsTaken == before;) {
        std::this_thread::yield();
    }
    afterwards();
    thread.join();
}

TEST_F(PosixFileTest, WholeTransfersGoOnAfterShortAndInterruptedCalls) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    UniqueFd in(ends[0]);
    UniqueFd out(ends[1]);
    // Far more than the pipe holds: the write is cut short when interrupted, and each read gets
    // at most what the pipe holds.
    std::string data;
    for (int i = 0; data.size() < (1 << 20); ++i) {
        data += std::to_string(i);
    }
    std::string read(data.size(), '\0');
    bool written = false;
    InterruptedOnce([&] { written = WriteAll(out.Get(), data); },
                    [&] { EXPECT_EQ(ReadAll(in.Get(), read.data(), read.size()), data.size()); });
    EXPECT_TRUE(written && read == data);
    // A read interrupted before any data is retried; only the end of the data cuts it short.
    std::size_t got = 0;
    InterruptedOnce([&] { got = ReadAll(in.Get(), read.data(), 8); },
                    [&] {
                        EXPECT_TRUE(WriteAll(out.Get(), "abc"));
                        out.Reset();  // the end of the data
                    });
    EXPECT_EQ(read.substr(0, got), "abc");
}

TEST_F(PosixFileTest, AnExclusiveLockTryIsTakenBusyOrFailed) {
    UniqueFd first(::open(target.c_str(), O_RDONLY | O_CREAT, 0600));
    UniqueFd second(::open(target.c_str(), O_RDONLY));
    EXPECT_EQ(TryLockExclusive(first.Get()), LockTry::Taken);
    EXPECT_EQ(TryLockExclusive(second.Get()), LockTry::Busy);
    first.Reset();
    EXPECT_EQ(TryLockExclusive(second.Get()), LockTry::Taken);
    EXPECT_EQ(TryLockExclusive(-1), LockTry::Failed);
}

TEST_F(PosixFileTest, AtomicFilesPutTheWholeContentInPlaceWithItsModeOrLeaveTheFolderAsItWas) {
    ASSERT_TRUE(Write(target, true, "first"));
    ASSERT_TRUE(Write(target, false, "second"));
    EXPECT_EQ(Folder(), (std::map<std::string, std::string>{{"target", "second"}}));
    EXPECT_EQ(FileMode(target), 0640u);
    // Until it takes the target's place the temporary file is a unique file with its tag.
    for (auto [name, start] : {std::pair{AtomicFile(target).TempName(), dir / ".quillon-next-"},
                               {AtomicFile(target, "level").TempName(), dir / ".quillon-level-"}}) {
        EXPECT_EQ(name.substr(0, start.size()), start);
    }
    auto writeFails = [&] {
        ScopedFileSizeLimit full(1024);
        return Write(target, false, std::string(4096, 'n'));
    };
    std::pair<const char*, std::function<bool()>> rows[] = {
        {"the write fails", writeFails},
        {"the target exists for Create", [&] { return Write(target, true); }},
        {"the target is a folder", [&] { return Write(dir / "folder", false); }},
        {"nothing is committed", [&] { return !WriteAll(AtomicFile(target).Fd(), "new"); }},
        {"the folder is missing", [&] { return Write(dir / "missing/t", true); }},
    };
    WriteFile(target, "old");
    std::filesystem::create_directory(dir / "folder");
    const auto before = Folder();
    for (const auto& [what, attempt] : rows) {
        EXPECT_FALSE(attempt()) << what;
        EXPECT_EQ(Folder(), before) << what;
    }
}

}  // namespace
