// Files that sox codes read as sox decodes them: sox is the independent oracle for the layout of
// each codec, which our own tests only check against our own encoders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "audio/dsp/TestSources.h"
#include "audio/files/WaveReaders.h"
#include "support/TempDir.h"

namespace {

TEST(SoxInteropTest, SoxEncodedFilesDecodeAsSoxDecodesThem) {
    if (std::system("sox --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "sox is not installed (make deps installs it)";
    }
    TempDir dir;
    const auto sox = [&](const std::string& from, const std::string& options) {
        const std::string command = "sox -D -V1 " + from + " " + options;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    };
    const auto read = [&](const std::string& path) {
        LSoundSourcePtr source = OpenWaveFile(path);
        EXPECT_TRUE(source && !source->IsInvalid()) << path;
        return source ? ReadAll(*source, 10400) : std::vector<std::int32_t>();
    };
    const std::string coded = dir / "coded.wav";
    const std::string reference = dir / "reference.wav";
    for (const char* encoding : {"u-law", "a-law", "ima-adpcm"}) {
        sox("-n", "-r 8000 -c 2 -e " + std::string(encoding) + " '" + coded +
                      "' synth 1.3 sine 440 sine 1250 vol 0.7");
        sox("'" + coded + "'", "-e signed-integer -b 16 '" + reference + "'");
        // sox fills its last IMA block; the frames up to the stated length must agree.
        EXPECT_EQ(read(coded), read(reference)) << encoding;
    }
}

}  // namespace
