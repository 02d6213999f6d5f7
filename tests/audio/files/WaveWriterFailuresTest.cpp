// The WAV writers and full disks or odd files: every failed write reaches the writer's error,
// only regular files are written, and a conversion ends at the first failed write.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <functional>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/files/AudioConversion.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "support/FifoDeadline.h"
#include "support/TempDir.h"

namespace {

class WaveWriterFailuresTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "out.wav";
};

TEST_F(WaveWriterFailuresTest, AHeaderOrLengthThatCannotBeWrittenIsAnError) {
    // Each writer with the file size it is allowed.
    const std::pair<std::function<LSoundSinkPtr()>, rlim_t> rows[] = {
        {[&] { return CreateWaveWriterForFormat(path, ImaAdpcmFormat(8000, 1)); }, 20},
        {[&] { return CreateWaveWriter(path, 8000, 0, 16, 1); }, 20},
        // The header fits; the 1,000 frames kept before the start frame do not.
        {[&] { return CreateWaveWriter(path, 8000, 1000, 16, 1); }, 100}};
    for (const auto& [create, bytes] : rows) {
        std::remove(path.c_str());
        ScopedFileSizeLimit full(bytes);
        LSoundSinkPtr writer = create();
        EXPECT_EQ(writer->error, EFBIG) << bytes;
    }
}

TEST_F(WaveWriterFailuresTest, OnlyRegularFilesAreWrittenAndNoneIsWaitedFor) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& target : {fifo, std::string("/dev/null"), dir.Path()}) {
        RunWithFifoDeadline(fifo, [&] {
            for (const LSoundSinkPtr& writer :
                 {CreateWaveWriter(target, 8000, 0, 16, 1),
                  CreateWaveWriterForFormat(target, ImaAdpcmFormat(8000, 1))}) {
                EXPECT_TRUE(writer->IsInvalid() && writer->HasFailed()) << target;
            }
        });
    }
    struct stat st {};
    EXPECT_TRUE(::lstat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
}

TEST_F(WaveWriterFailuresTest, AConversionEndsAtTheFirstFailedWrite) {
    WriteFile(dir / "in.wav", Pcm16File(1, 8000, std::vector<std::int16_t>(100000, 1000)));
    LSoundSourcePtr chain = OpenWaveFile(dir / "in.wav");
    LSoundSinkPtr writer = CreateWaveWriter(path, 8000, 0, 16, 1);
    {
        ScopedFileSizeLimit full(46 + 2 * 10000);  // the second block of 8,192 frames fails
        EXPECT_FALSE(WriteConverted(*chain, *writer));
    }
    EXPECT_EQ(std::tuple(writer->error, chain->GetPosition()), std::tuple(EFBIG, 2 * 8192));
}

}  // namespace
