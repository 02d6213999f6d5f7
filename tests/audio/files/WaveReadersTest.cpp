// OpenWaveFile: which files are acceptable WAV files, and which reader each one gets.
#include "audio/files/WaveReaders.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "WaveTestFiles.h"
#include "audio/dsp/TestSources.h"
#include "support/TempDir.h"

namespace {

const std::string kData = Chunk("data", std::string(40, '\x10'));

std::string Fmt(std::uint16_t channels, std::uint32_t rate, std::size_t size = 16) {
    return Chunk("fmt ", FormatBody(1, channels, rate, 16, size));
}

class WaveReadersTest : public ::testing::Test {
protected:
    LSoundSourcePtr Open(const std::string& bytes, WaveFormatRecord* format = nullptr) {
        WriteFile(dir / "in.wav", bytes);
        return OpenWaveFile(dir / "in.wav", format);
    }
    TempDir dir;
};

TEST_F(WaveReadersTest, AcceptsOnlyWellFormedFilesReportsTheFormatAndKnowsItsCodecs) {
    const std::string plain = RiffWave(Fmt(1, 8000) + kData);
    const std::tuple<const char*, std::string, bool> rows[] = {
        {"format record of 14 bytes", RiffWave(Fmt(1, 8000, 14) + kData), true},
        {"format record of 13 bytes", RiffWave(Fmt(1, 8000, 13) + kData), false},
        {"format chunk of 8,192 bytes", RiffWave(Fmt(1, 8000, 8192) + kData), true},
        {"format chunk of 8,194 bytes", RiffWave(Fmt(1, 8000, 8194) + kData), false},
        {"odd format chunk and its pad byte", RiffWave(Fmt(1, 8000, 17) + kData), true},
        {"odd format chunk without a pad byte",
         RiffWave("fmt " + Le32(17) + FormatBody(1, 1, 8000, 16, 17) + kData), true},
        {"0 channels", RiffWave(Fmt(0, 8000) + kData), false},
        {"255 channels", RiffWave(Fmt(255, 8000) + kData), true},
        {"256 channels", RiffWave(Fmt(256, 8000) + kData), false},
        {"rate 0", RiffWave(Fmt(1, 0) + kData), false},
        {"rate 192,000", RiffWave(Fmt(1, 192000) + kData), true},
        {"rate 192,001", RiffWave(Fmt(1, 192001) + kData), false},
        {"chunks between format and data",
         RiffWave(Fmt(1, 8000) + Chunk("LIST", "odd") + Chunk("fact", "1234") + kData), true},
        {"zero-size chunk between format and data",
         RiffWave(Fmt(1, 8000) + Chunk("JUNK", "") + kData), false},
        {"no data chunk", RiffWave(Fmt(1, 8000)), false},
        {"no format chunk", RiffWave(kData), false},
        {"empty data chunk", RiffWave(Fmt(1, 8000) + Chunk("data", "")), true},
        {"another RIFF form first", "RIFF" + Le32(8) + "AVI " + "abcd" + plain, true},
        {"a form too short to skip", "RIFF" + Le32(4) + "AVI " + plain, false},
        {"shorter than a RIFF header", "RIFF" + Le32(4), false},
        {"cut inside the format chunk", RiffWave(Fmt(1, 8000)).substr(0, 30), false},
    };
    for (const auto& [name, bytes, opens] : rows) {
        LSoundSourcePtr source = Open(bytes);
        EXPECT_EQ(bool(source), opens) << name;
        EXPECT_FALSE(source && source->IsInvalid()) << name;
    }
    EXPECT_FALSE(OpenWaveFile(dir / "missing.wav"));
    WaveFormatRecord format;
    LSoundSourcePtr source =
        Open(RiffWave(Chunk("fmt ", FormatBody(1, 2, 22050, 12)) + kData), &format);
    ASSERT_TRUE(source);
    // 40 bytes of 2 x 2-byte frames.
    EXPECT_EQ(std::tuple(format.bitsPerSample, source->sampleRate, int{source->channels},
                         source->peakBound, source->GetLength()),
              std::tuple(12, 22050, 2, 0x7FFF0, 10));
    // Microsoft ADPCM (tag 2) is not offered.
    source = Open(RiffWave(Chunk("fmt ", FormatBody(2, 1, 8000, 4, 20)) + kData));
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->IsInvalid());
    EXPECT_EQ(ReadAll(*source, 100), std::vector<std::int32_t>(100, 0));
}

// sox writes WAVE_FORMAT_EXTENSIBLE for more than 16 bits or 2 channels, and tag 3 for floating
// point: made from a plain 16-bit file, each reads as that file does.
TEST_F(WaveReadersTest, SoxFilesOfWiderSamplesReadAsTheSixteenBitFileTheyWereMadeFrom) {
    if (std::system("sox --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "sox is not installed (make deps installs it)";
    }
    std::vector<std::int16_t> samples = {32767, -32768, 0, -1};
    for (std::int32_t s : Noise(4000, 32767, 1, 5)) {
        samples.push_back(static_cast<std::int16_t>(s));
    }
    const auto read = [&](const std::string& file) {
        LSoundSourcePtr source = OpenWaveFile(file);
        EXPECT_TRUE(source && !source->IsInvalid() && source->GetLength() == 1001) << file;
        return source ? ReadAll(*source, 1001) : std::vector<std::int32_t>();
    };
    const std::string original = dir / "original.wav";
    WriteFile(original, Pcm16File(4, 44100, samples));
    const std::vector<std::int32_t> expected = read(original);
    for (const char* options :
         {"-b 16", "-b 24", "-b 32", "-e floating-point", "-e floating-point -b 64"}) {
        const std::string command =
            "sox -D -V1 '" + original + "' " + options + " '" + dir / "sox.wav" + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(read(dir / "sox.wav"), expected) << options;
    }
}

}  // namespace
