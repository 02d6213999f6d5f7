// Files made by sox read as sox decodes them, and ours decode in sox as in our reader: sox is the
// independent oracle for the codec layouts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "audio/dsp/TestSources.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "support/TempDir.h"

namespace {

class SoxInteropTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("sox --version >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
        }
    }
    // Runs sox; `from` and `to` are file names in the temporary folder.
    void Sox(const std::string& from, const std::string& to, const std::string& options,
             const std::string& effects = "") {
        const std::string command = "sox -D -V1 " + (from.empty() ? "-n" : Quoted(from)) + " " +
                                    options + " " + Quoted(to) + " " + effects;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    std::string Quoted(const std::string& name) const { return "'" + (dir / name) + "'"; }
    std::vector<std::int32_t> Read(const std::string& name, std::int32_t frames) const {
        LSoundSourcePtr source = OpenWaveFile(dir / name);
        EXPECT_TRUE(source && !source->IsInvalid()) << name;
        return source ? ReadAll(*source, frames) : std::vector<std::int32_t>();
    }

    TempDir dir;
};

TEST_F(SoxInteropTest, SoxEncodedFilesDecodeAsSoxDecodesThem) {
    for (const char* encoding : {"u-law", "a-law", "ima-adpcm"}) {
        Sox("", "coded.wav", "-r 8000 -c 2 -e " + std::string(encoding),
            "synth 1.3 sine 440 sine 1250 vol 0.7");
        Sox("coded.wav", "reference.wav", "-e signed-integer -b 16");
        // sox fills its last IMA block; the frames up to the stated length must agree.
        EXPECT_EQ(Read("coded.wav", 10400), Read("reference.wav", 10400)) << encoding;
    }
}

TEST_F(SoxInteropTest, OurEncodedFilesDecodeInSoxAsInOurReader) {
    Sox("", "source.wav", "-r 11025 -c 1 -b 16", "synth 2 sine 300-3000 vol 0.8");
    const std::vector<std::int32_t> input = Read("source.wav", 22050);
    for (const WaveFormatRecord& format :
         {G711Format(kWaveFormatMulaw, 11025, 1), G711Format(kWaveFormatAlaw, 11025, 1),
          ImaAdpcmFormat(11025, 1)}) {
        CreateWaveWriterForFormat(dir / "ours.wav", format)->Write(input.data(), 22050);
        Sox("ours.wav", "decoded.wav", "-e signed-integer -b 16");
        EXPECT_EQ(Read("decoded.wav", 22050), Read("ours.wav", 22050)) << format.formatTag;
    }
}

}  // namespace
