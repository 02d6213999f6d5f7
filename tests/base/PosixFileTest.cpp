// The POSIX file helpers: whole transfers across short and interrupted calls, lock tries, files
// that must be regular opened without waiting, and files replaced whole, with no temporary file
// outliving an attempt.
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
#include "support/FifoDeadline.h"
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

// A FIFO, device or folder is refused at once, never waited on; regular files open, wait and
// lock as usual.
TEST_F(PosixFileTest, OnlyRegularFilesOpenAndTheirDescriptorsWaitAndLockAsUsual) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    UniqueFd created = OpenRegularFile(target, O_WRONLY | O_CREAT, 0640);
    ASSERT_TRUE(created);
    EXPECT_EQ(::fcntl(created.Get(), F_GETFL) & (O_NONBLOCK | O_ACCMODE), O_WRONLY);
    EXPECT_EQ(FileMode(target), 0640u);
    EXPECT_EQ(TryLockExclusive(created.Get()), LockTry::Taken);
    EXPECT_EQ(TryLockExclusive(OpenRegularFile(target).Get()), LockTry::Busy);
    EXPECT_EQ(TryLockExclusive(-1), LockTry::Failed);
    // What each refusal leaves in errno; a FIFO without a reader cannot be opened for writing.
    const std::tuple<std::string, int, int> rows[] = {{fifo, O_RDONLY, EINVAL},
                                                      {fifo, O_WRONLY, ENXIO},
                                                      {dir.Path(), O_RDONLY, EISDIR},
                                                      {dir / "missing/new", O_CREAT, ENOENT}};
    RunWithFifoDeadline(fifo, [&] {
        for (const auto& [path, flags, error] : rows) {
            EXPECT_FALSE(OpenRegularFile(path, flags, 0600)) << path << " " << flags;
            EXPECT_EQ(errno, error) << path << " " << flags;
        }
        EXPECT_EQ(ReadWholeFile(fifo), std::nullopt);
    });
}

TEST_F(PosixFileTest, AtomicFilesPutTheWholeContentInPlaceWithItsModeOrLeaveTheFolderAsItWas) {
    ASSERT_TRUE(Write(target, true, "first"));
    ASSERT_TRUE(Write(target, false, "second"));
    EXPECT_EQ(Folder(), (std::map<std::string, std::string>{{"target", "second"}}));
    EXPECT_EQ(FileMode(target), 0640u);
    // Until it takes the target's place the temporary file is a unique file with its tag.
    EXPECT_EQ(AtomicFile(target, "level").TempName().rfind(dir / ".quillon-level-", 0), 0u);
    auto writeFails = [&] {
        ScopedFileSizeLimit full(1024);
        return Write(target, false, std::string(4096, 'n'));
    };
    std::pair<const char*, std::function<bool()>> rows[] = {
        {"the write fails", writeFails},
        {"the target exists for Create", [&] { return Write(target, true); }},
        {"nothing is committed", [&] { return !WriteAll(AtomicFile(target).Fd(), "new"); }},
        {"the folder is missing", [&] { return Write(dir / "missing/t", true); }},
    };
    WriteFile(target, "old");
    const auto before = Folder();
    for (const auto& [what, attempt] : rows) {
        EXPECT_FALSE(attempt()) << what;
        EXPECT_EQ(Folder(), before) << what;
    }
}

TEST_F(PosixFileTest, ACopyReplacesItsTargetWholeWithTheSourcesModeOrNotAtAll) {
    const std::string source = dir / "source";
    WriteFile(source, std::string(3 << 20, 'c'));  // more than one piece
    ASSERT_EQ(::chmod(source.c_str(), 0600), 0);
    WriteFile(target, "old");
    EXPECT_EQ(CopyFileReplacing(source, target), "");
    EXPECT_EQ(ReadFile(target), ReadFile(source));
    EXPECT_EQ(FileMode(target), 0600u);
    WriteFile(target, "old");
    const auto before = Folder();
    EXPECT_EQ(CopyFileReplacing(dir / "none", target), "No such file or directory");
    EXPECT_NE(CopyFileReplacing(source, dir / "missing/t"), "");
    EXPECT_EQ(Folder(), before);
}

}  // namespace
