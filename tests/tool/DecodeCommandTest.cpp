// quillon-tool decode, and MP3 input to convert and info.
#include <cstring>

#include "ToolRun.h"
#include "audio/files/Mp3TestFiles.h"
#include "audio/level/LevelTestFiles.h"

namespace {

class DecodeCommandTest : public ToolRun {};

TEST_F(DecodeCommandTest, DecodeWritesTheStreamsFramesAndConvertAndInfoTakeAnMp3File) {
    const std::string mp3 = root / "in.mp3";
    ASSERT_TRUE(EncodeWithLame(mp3, TestSignal::music, 22050, 2, 0.5, "-m j -b 64"));
    // Bytes after the last frame (a tag's padding) count into the length estimate until
    // decoding reaches the end.
    WriteFile(mp3, ReadFile(mp3) + std::string(4096, '\0'));
    const Decoded reference = DecodeWithReader(mp3);
    ASSERT_TRUE(reference.valid);
    const std::string frames = std::to_string(reference.finalLength);
    ASSERT_EQ(Run({"decode", mp3, root / "out.raw", "--raw"}), kToolOk) << err;
    EXPECT_EQ(out,
              root / "out.raw" + ": " + frames + " frames, 22050 Hz, 2 channels, raw 32-bit\n");
    // Exactly the stream's frames, as 32-bit little-endian samples (this machine's order).
    const std::string raw = ReadFile(root / "out.raw");
    std::vector<std::int32_t> samples(raw.size() / 4);
    std::memcpy(samples.data(), raw.data(), raw.size());
    EXPECT_EQ(samples, reference.samples);
    ASSERT_EQ(Run({"decode", mp3, root / "out.wav"}), kToolOk) << err;
    EXPECT_EQ(out,
              root / "out.wav" + ": " + frames + " frames, 22050 Hz, 2 channels, PCM 16-bit\n");
    EXPECT_EQ(InspectWave(root / "out.wav").frames, reference.finalLength);

    WriteFile(root / "text.mp3", std::string(4000, 'x'));
    EXPECT_EQ(Run({"decode", root / "text.mp3", root / "new.wav"}), kToolFailed);
    EXPECT_TRUE(err.starts_with("quillon-tool: " + root / "text.mp3" + ": not an MPEG")) << err;
    EXPECT_FALSE(Exists(root / "new.wav"));
    EXPECT_EQ(Run({"decode", mp3}), kToolUsage);
    EXPECT_EQ(Run({"decode", mp3, mp3}), kToolUsage);
    EXPECT_EQ(Run({"decode", mp3, root / "o.wav", "--rate", "8000"}), kToolUsage);

    ASSERT_EQ(Run({"info", mp3}), kToolOk) << err;
    EXPECT_NE(out.find("format:   MPEG Layer III\nrate:     22050 Hz\nchannels: 2\nlength:   " +
                       frames + " frames"),
              std::string::npos)
        << out;
    // The prompt format, 8000 Hz 16-bit mono, for the whole stream's duration.
    ASSERT_EQ(Run({"convert", mp3, root / "prompt.wav"}), kToolOk) << err;
    const WaveInfo prompt = InspectWave(root / "prompt.wav");
    EXPECT_EQ(std::tuple(prompt.format.sampleRate, prompt.format.channels), std::tuple(8000u, 1u));
    EXPECT_NEAR(prompt.frames, reference.finalLength * 8000.0 / 22050, 2);
}

}  // namespace
