// The WAV file handle: regular files only, private new files, locks and positioned transfers.
#include "audio/files/WaveFileHandle.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/PosixFile.h"
#include "support/TempDir.h"

namespace {

class WaveFileHandleTest : public ::testing::Test {
protected:
    // What another opener of the file gets when it tries for an exclusive lock.
    LockTry OtherOpenersLock() const {
        return TryLockExclusive(UniqueFd(::open(file.c_str(), O_RDONLY | O_CLOEXEC)).Get());
    }

    TempDir dir;
    std::string file = dir / "call.wav";
};

TEST_F(WaveFileHandleTest, OnlyRegularFilesOpenForReadingAndLocksAreHeldUntilClosedWithoutWaiting) {
    WriteFile(file, "RIFF");
    WaveFileHandle writer = WaveFileHandle::OpenForWriting(file, false);
    EXPECT_EQ(OtherOpenersLock(), LockTry::Busy);
    // A reader of a file being written goes on without a lock.
    WaveFileHandle unlocked = WaveFileHandle::OpenForReading(file);
    EXPECT_TRUE(unlocked.IsOpen());
    writer = WaveFileHandle();  // closes the writer's file
    EXPECT_EQ(OtherOpenersLock(), LockTry::Taken);
    WaveFileHandle reader = WaveFileHandle::OpenForReading(file);
    WaveFileHandle moved(std::move(reader));
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_EQ(OtherOpenersLock(), LockTry::Busy);
    moved.Close();
    EXPECT_EQ(OtherOpenersLock(), LockTry::Taken);
    // Only existing regular files open for reading.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);  // opening it must not wait for a writer
    for (const std::string& path : {dir / "fifo", dir.Path(), dir / "missing"}) {
        EXPECT_FALSE(WaveFileHandle::OpenForReading(path).IsOpen()) << path;
    }
}

TEST_F(WaveFileHandleTest, NewFilesArePrivateOnlyAnEmptyingOpenCutsOneAndTransfersArePositioned) {
    ASSERT_TRUE(WaveFileHandle::OpenForWriting(file, false).Write("RIFFdata", 8));
    EXPECT_EQ(FileMode(file), 0600u);
    ASSERT_TRUE(WaveFileHandle::OpenForWriting(file, false).Write("WAVE", 4));
    EXPECT_EQ(ReadFile(file), "WAVEdata");
    // Positioned transfers keep the position, and reads stop short only at the end.
    WaveFileHandle out = WaveFileHandle::OpenForWriting(file, true);
    EXPECT_EQ(ReadFile(file), "");
    ASSERT_TRUE(out.Write("0123456789", 10));
    ASSERT_TRUE(out.WriteAt(2, "ab", 2));
    EXPECT_EQ(out.Tell(), 10);
    // Growing the file fills it with zeros and moves the position to the new end.
    ASSERT_TRUE(out.EndAt(12));
    EXPECT_EQ(out.Tell(), 12);
    EXPECT_EQ(ReadFile(file), std::string("01ab456789\0\0", 12));
    WaveFileHandle in = WaveFileHandle::OpenForReading(file);
    char buffer[16] = {};
    EXPECT_EQ(in.ReadAt(8, buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), std::string("89\0\0", 4));
    EXPECT_EQ(in.Tell(), 0);
    EXPECT_EQ(in.ReadAt(10, buffer, sizeof buffer), 2u);
    EXPECT_EQ(in.Read(buffer, sizeof buffer), 12u);
    EXPECT_EQ(std::string(buffer, 4), "01ab");
}

}  // namespace
