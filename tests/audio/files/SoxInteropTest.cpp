// Files made by sox read as sox decodes them, and our files decode in sox as in our reader:
// sox is the independent oracle for the codec layouts and the 24-bit reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "support/TempDir.h"

namespace {

bool HaveSox() {
    return std::system("sox --version >/dev/null 2>&1") == 0;
}

void Sox(const std::string& arguments) {
    ASSERT_EQ(std::system(("sox -D -V1 " + arguments).c_str()), 0) << arguments;
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

std::vector<std::int32_t> ReadFrames(const std::string& path, std::int32_t frames) {
    LSoundSourcePtr source = OpenWaveFile(path);
    EXPECT_TRUE(source && !source->IsInvalid()) << path;
    if (!source) {
        return {};
    }
    std::vector<std::int32_t> samples(std::size_t(frames) * source->channels);
    for (std::int32_t done = 0; done < frames; done += 4096) {
        source->Read(samples.data() + std::size_t(done) * source->channels,
                     std::min(4096, frames - done));
    }
    return samples;
}

class SoxInteropTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveSox()) {
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
        }
    }

    TempDir dir;
};

TEST_F(SoxInteropTest, SoxEncodedFilesDecodeAsSoxDecodesThem) {
    for (const char* encoding : {"u-law", "a-law", "ima-adpcm"}) {
        std::string coded = dir / "coded.wav";
        std::string reference = dir / "reference.wav";
        Sox("-n -r 8000 -c 2 -e " + std::string(encoding) + " " + Quoted(coded) +
            " synth 1.3 sine 440 sine 1250 vol 0.7");
        Sox(Quoted(coded) + " -e signed-integer -b 16 " + Quoted(reference));
        // sox fills its last IMA block; the frames up to the stated length must agree.
        EXPECT_EQ(ReadFrames(coded, 10400), ReadFrames(reference, 10400)) << encoding;
    }
}

TEST_F(SoxInteropTest, OurEncodedFilesDecodeInSoxAsInOurReader) {
    std::string source = dir / "source.wav";
    Sox("-n -r 11025 -c 1 -b 16 " + Quoted(source) + " synth 2 sine 300-3000 vol 0.8");
    const std::int32_t frames = 22050;
    std::vector<std::int32_t> input = ReadFrames(source, frames);
    for (const WaveFormatRecord& format :
         {G711Format(kWaveFormatMulaw, 11025, 1), G711Format(kWaveFormatAlaw, 11025, 1),
          ImaAdpcmFormat(11025, 1)}) {
        std::string coded = dir / "ours.wav";
        std::string decoded = dir / "decoded.wav";
        {
            LSoundSinkPtr writer = CreateWaveWriterForFormat(coded, format);
            writer->Write(input.data(), frames);
        }
        Sox(Quoted(coded) + " -e signed-integer -b 16 " + Quoted(decoded));
        EXPECT_EQ(ReadFrames(decoded, frames), ReadFrames(coded, frames)) << format.formatTag;
    }
}

TEST_F(SoxInteropTest, TwentyFourBitFilesReadAsSoxRoundsThemToSixteen) {
    std::string wide = dir / "wide.wav";
    std::string narrow = dir / "narrow.wav";
    Sox("-n -r 8000 -c 2 -t wavpcm -b 24 " + Quoted(wide) + " synth 0.5 sine 1000 sine 77");
    Sox(Quoted(wide) + " -b 16 " + Quoted(narrow));
    std::vector<std::int32_t> ours = ReadFrames(wide, 4000);
    std::vector<std::int32_t> sox = ReadFrames(narrow, 4000);
    ASSERT_EQ(ours.size(), sox.size());
    for (std::size_t i = 0; i < ours.size(); ++i) {
        ASSERT_LE(std::abs(ours[i] - sox[i]), 8) << i;  // within half a 16-bit step
    }
}

}  // namespace
