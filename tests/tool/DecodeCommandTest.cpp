// quillon-tool decode, and MP3 input to convert and info.
#include "ToolRun.h"
#include "audio/files/Mp3TestFiles.h"
#include "audio/level/LevelTestFiles.h"

namespace {

class DecodeCommandTest : public ToolRun {
protected:
    DecodeCommandTest() {
        EXPECT_TRUE(EncodeWithLame(mp3, TestSignal::music, 22050, 2, 0.5, "-m j -b 64"));
        // Bytes after the last frame (a tag's padding) count into the length estimate until
        // decoding reaches the end.
        WriteFile(mp3, ReadFile(mp3) + std::string(4096, '\0'));
        reference = DecodeWithReader(mp3);
        EXPECT_TRUE(reference.valid);
    }
    // The rate, channels and length of a WAV file.
    static std::tuple<std::uint32_t, int, std::int32_t> Wave(const std::string& path) {
        const WaveInfo wave = InspectWave(path);
        return {wave.format.sampleRate, wave.format.channels, wave.frames};
    }

    const std::string mp3 = root / "in.mp3";
    Decoded reference;
};

TEST_F(DecodeCommandTest, RawOutputIsTheDecodersSamplesWaveOutputSixteenBitsAndOtherInputsFail) {
    const std::string frames = std::to_string(reference.finalLength);
    ASSERT_EQ(Run({"decode", mp3, root / "out.raw", "--raw"}), kToolOk) << err;
    EXPECT_EQ(out,
              root / "out.raw" + ": " + frames + " frames, 22050 Hz, 2 channels, raw 32-bit\n");
    const std::string raw = ReadFile(root / "out.raw");
    ASSERT_EQ(raw.size(), reference.samples.size() * 4);
    for (std::size_t i = 0; i < reference.samples.size(); ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(raw.data()) + 4 * i;
        const auto value =
            static_cast<std::int32_t>(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24);
        ASSERT_EQ(value, reference.samples[i]) << i;
    }
    ASSERT_EQ(Run({"decode", mp3, root / "out.wav"}), kToolOk) << err;
    EXPECT_EQ(out,
              root / "out.wav" + ": " + frames + " frames, 22050 Hz, 2 channels, PCM 16-bit\n");
    EXPECT_EQ(Wave(root / "out.wav"), std::tuple(22050u, 2, reference.finalLength));

    WriteFile(root / "text.mp3", std::string(4000, 'x'));
    EXPECT_EQ(Run({"decode", root / "text.mp3", root / "new.wav"}), kToolFailed);
    EXPECT_TRUE(err.starts_with("quillon-tool: " + root / "text.mp3" + ": not an MPEG")) << err;
    EXPECT_EQ(Run({"decode", root / "missing.mp3", root / "new.raw", "--raw"}), kToolFailed);
    EXPECT_FALSE(Exists(root / "new.wav") || Exists(root / "new.raw"));
    EXPECT_EQ(Run({"decode", mp3}), kToolUsage);
    EXPECT_EQ(Run({"decode", mp3, mp3}), kToolUsage);
    EXPECT_EQ(Run({"decode", mp3, root / "o.wav", "--rate", "8000"}), kToolUsage);
}

TEST_F(DecodeCommandTest, ConvertAndInfoTakeAnMp3FileThatIsNoWavFile) {
    ASSERT_EQ(Run({"info", mp3}), kToolOk) << err;
    EXPECT_NE(out.find("format:   MPEG Layer III\nrate:     22050 Hz\nchannels: 2\nlength:   " +
                       std::to_string(reference.finalLength) + " frames"),
              std::string::npos)
        << out;
    // The prompt format, 8000 Hz 16-bit mono, for the whole stream's duration.
    ASSERT_EQ(Run({"convert", mp3, root / "prompt.wav"}), kToolOk) << err;
    const auto [rate, channels, frames] = Wave(root / "prompt.wav");
    EXPECT_EQ(std::tuple(rate, channels), std::tuple(8000u, 1));
    EXPECT_NEAR(frames, reference.finalLength * 8000.0 / 22050, 2);
}

}  // namespace
