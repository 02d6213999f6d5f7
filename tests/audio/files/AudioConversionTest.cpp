// The conversion task behind prompt loading: exact end, progress, cancelling, failed writes and
// refusals.
#include "audio/files/AudioConversion.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/files/WaveWriters.h"
#include "support/TempDir.h"

namespace {

class AudioConversionTest : public ::testing::Test {
protected:
    TempDir dir;
    LSoundSinkPtr writer = CreateWaveWriter(dir / "out.wav", 8000, 0, 16, 1);

    LSoundSourcePtr Input(std::uint16_t channels, std::uint32_t rate, int frames) {
        const std::vector<std::int16_t> samples(std::size_t(frames) * channels, 1000);
        WriteFile(dir / "in.wav", Pcm16File(channels, rate, samples));
        return OpenAudioFile(dir / "in.wav");
    }
};

TEST_F(AudioConversionTest, StopsExactlyAtTheLengthReportsProgressAndRefusesWhatItCannotUse) {
    for (int frames : {20000, 8192, 1, 0}) {
        writer = CreateWaveWriter(dir / "out.wav", 8000, 0, 16, 1);
        std::vector<std::pair<std::int32_t, std::int32_t>> calls;
        ASSERT_TRUE(
            ConvertToWriter(Input(1, 8000, frames), writer, [&](auto position, auto length) {
                calls.emplace_back(position, length);
                return true;
            }));
        EXPECT_EQ(writer->position, frames);
        ASSERT_EQ(calls.size(), std::size_t((frames + 8191) / 8192)) << frames;
        if (frames > 0) {
            EXPECT_EQ(calls.back(), std::make_pair(std::int32_t(calls.size() - 1) * 8192, frames));
        }
    }
    // Cancelling stops between blocks.
    writer = CreateWaveWriter(dir / "out.wav", 8000, 0, 16, 1);
    EXPECT_FALSE(ConvertToWriter(Input(1, 8000, 30000), writer,
                                 [](auto position, auto) { return position < 8192; }));
    EXPECT_EQ(writer->position, 8192);
    // A failed write ends the conversion: the second block of 8,192 frames fails.
    LSoundSinkPtr full = CreateWaveWriter(dir / "full.wav", 8000, 0, 16, 1);
    LSoundSourcePtr chain = Input(1, 8000, 100000);
    {
        ScopedFileSizeLimit limit(46 + 2 * 10000);
        EXPECT_FALSE(WriteConverted(*chain, *full));
    }
    EXPECT_EQ(std::tuple(full->error, chain->GetPosition()), std::tuple(EFBIG, 2 * 8192));
    // Unusable sources, writers and layouts fail, writing nothing.
    EXPECT_FALSE(ConvertToWriter(LSoundSourcePtr(), writer));
    EXPECT_EQ(writer->position, 8192);
    EXPECT_FALSE(ConvertToWriter(Input(1, 8000, 100), LSoundSinkPtr()));
    EXPECT_FALSE(ConvertToWriter(Input(1, 8000, 100),
                                 CreateWaveWriter(dir / "no/such/folder.wav", 8000, 0, 16, 1)));
    // Three channels neither mix down nor resample.
    EXPECT_FALSE(BuildConversionChain(Input(3, 11025, 100), 8000, 3, kPeakBound16Bit));
}

}  // namespace
