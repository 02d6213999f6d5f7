// quillon-tool info, note, convert and playchain: their arguments, what they write or refuse, and
// why; and what every command does with inputs and outputs that are no usable files.
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "ToolRun.h"
#include "audio/dsp/TestSources.h"
#include "audio/files/Mp3TestFiles.h"
#include "audio/files/RecordingInfo.h"
#include "audio/level/LevelTestFiles.h"
#include "support/FifoDeadline.h"

namespace {

// 16-bit samples of a sine, the same on every channel.
std::vector<std::int16_t> Tone(int frames, int channels, int rate, double hz, double amplitude) {
    std::vector<std::int32_t> sine = Sine(hz, rate, frames, amplitude, channels);
    return {sine.begin(), sine.end()};
}

using Format = std::tuple<std::uint16_t, std::uint32_t, std::uint16_t, std::uint16_t>;

// Tag, rate, channels and bits of a WAV file.
Format FormatOf(const std::string& path) {
    const WaveFormatRecord f = InspectWave(path).format;
    return {f.formatTag, f.sampleRate, f.channels, f.bitsPerSample};
}

// All samples of a PCM file, whose length is exact from the start.
std::vector<std::int32_t> Samples(const std::string& path) {
    LSoundSourcePtr source = OpenWaveFile(path);
    return source ? ReadAll(*source, source->GetLength()) : std::vector<std::int32_t>{};
}

std::int32_t Peak(const std::vector<std::int32_t>& samples) {
    return std::abs(std::ranges::max(samples, {}, [](std::int32_t s) { return std::abs(s); }));
}

using Type = std::filesystem::file_type;

class AudioCommandsTest : public ToolRun {
protected:
    std::string in = root / "in.wav";
    std::string outFile = root / "out.wav";
};

TEST_F(AudioCommandsTest, InfoShowsFormatLengthPeakAndLevelOrSilence) {
    // A square wave at half of full scale: peak -6.0 dBFS; on the block level scale its mean
    // square (16,384 * 16 >> 5)^2 = 67,108,864 is 9.0 dB.
    std::vector<std::int16_t> square(12000);
    for (std::size_t i = 0; i < square.size(); ++i) {
        square[i] = (i / 20) % 2 ? 16384 : -16384;
    }
    WriteFile(in, Pcm16File(1, 8000, square));
    ASSERT_EQ(Run({"info", in}), kToolOk) << err;
    // The format lines are checked with an MP3 file.
    EXPECT_NE(out.find("length:   12000 frames ( 0:00:01.5000)\n"), std::string::npos) << out;
    EXPECT_TRUE(out.ends_with("peak:     -6.0 dBFS\nlevel:    9.0 dB\n")) << out;
    WriteFile(in, Pcm16File(1, 8000, std::vector<std::int16_t>(800)));
    ASSERT_EQ(Run({"info", in}), kToolOk) << err;
    EXPECT_TRUE(out.ends_with("peak:     silent\nlevel:    silent\n")) << out;
}

TEST_F(AudioCommandsTest, InfoShowsTheCallsStoryAndNoteSetsItsNote) {
    WriteFile(in, Pcm16File(1, 8000, std::vector<std::int16_t>(800)));
    RecordingInfo info;
    info.caller = "0171 5550 Ann";
    info.date = "2026-12-07 14:05:09";
    info.eventRate = 8000;
    info.events = {{-24000, 0, CallEventKind::Announcement, "Start Prompt.wav"},
                   {99200, 0, CallEventKind::Tone, ""}};
    ASSERT_EQ(WriteRecordingInfo(in, info), "");
    ASSERT_EQ(Run({"note", in, "call back on Friday"}), kToolOk) << err;
    ASSERT_EQ(Run({"info", in}), kToolOk) << err;
    EXPECT_TRUE(
        out.ends_with("level:    silent\n"
                      "caller:   0171 5550 Ann\n"
                      "date:     2026-12-07 14:05:09\n"
                      "note:     call back on Friday\n"
                      "event:    -0:03.00  Announcement  Start Prompt.wav\n"
                      "event:    0:12.40  Recording tone\n"))
        << out;
    ASSERT_EQ(Run({"note", in, ""}), kToolOk) << err;
    ASSERT_EQ(Run({"info", in}), kToolOk) << err;
    EXPECT_EQ(out.find("note:"), std::string::npos) << out;
}

TEST_F(AudioCommandsTest, UnusableInputsAndBadArgumentsAreRefusedAtOnceAndNothingIsWritten) {
    const std::string fifo = root / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteFile(root / "empty.wav", "");
    WriteFile(root / "text.wav", "plain text, no RIFF");
    WriteFile(root / "adpcm.wav",
              RiffWave(Chunk("fmt ", FormatBody(2, 1, 8000, 4, 20)) + Chunk("data", "abcd")));
    // A FIFO, which must not be waited on, once for every way a command opens its input.
    const std::pair<ToolArgs, std::string> unusable[] = {
        {{"info", root / "missing.wav"}, std::strerror(ENOENT)},
        {{"convert", root.Path(), outFile}, "is a folder"},
        {{"playchain", root / "empty.wav", outFile}, "is empty"},
        {{"playchain", root / "text.wav", outFile}, "not a WAV or MP3 file that can be read"},
        {{"note", root / "text.wav", "text"}, "not a WAV file that can be read"},
        {{"convert", root / "adpcm.wav", outFile},
         "the format (format tag 0x0002) is not supported"},
        {{"convert", fifo, outFile}, "is not a regular file"},
        {{"level", fifo, outFile}, "is not a regular file"},
        {{"decode", fifo, outFile}, "is not a regular file"},
        {{"play", fifo}, "is not a regular file"},
        {{"simulate", fifo}, "is not a regular file"}};
    for (const auto& [args, reason] : unusable) {
        RunWithFifoDeadline(fifo, [&] { EXPECT_EQ(Run(args), kToolFailed) << args[0]; });
        EXPECT_EQ(err, "quillon-tool: " + args[1] + ": " + reason + "\n");
        EXPECT_EQ(out, "");
        EXPECT_FALSE(Exists(outFile)) << args[0];
    }

    WriteFile(in, Pcm16File(1, 8000, std::vector<std::int16_t>(10)));
    const ToolArgs usageErrors[] = {{"info", in, in},
                                    {"note", in},
                                    {"convert", in},
                                    {"convert", in, outFile, "--rate", "192001"},
                                    {"convert", in, outFile, "--bits", "24"},
                                    {"convert", in, outFile, "--codec", "mp3"},
                                    {"convert", in, in},
                                    {"playchain", in, outFile, "extra"},
                                    {"playchain", in, outFile, "--gain", "9"}};
    for (const ToolArgs& args : usageErrors) {
        EXPECT_EQ(Run(args), kToolUsage) << args.back();
        EXPECT_NE(err.find("usage: quillon-tool " + args[0]), std::string::npos) << err;
        EXPECT_FALSE(Exists(outFile)) << args.back();
    }
}

TEST_F(AudioCommandsTest, ConvertWritesTheTelephoneFormatByDefaultOrWhatIsAskedAndRefusesChannels) {
    // Six channels cannot become one; kept as they are, they are fine.
    WriteFile(in, RiffWave(Chunk("fmt ", FormatBody(1, 6, 8000, 16)) +
                           Chunk("data", std::string(6 * 2 * 100, '\x01'))));
    EXPECT_EQ(Run({"convert", in, outFile}), kToolFailed);
    EXPECT_NE(err.find(in + ": 6 channels at 8000 Hz"), std::string::npos) << err;
    EXPECT_FALSE(Exists(outFile));
    EXPECT_EQ(Run({"convert", in, outFile, "--channels", "6"}), kToolOk) << err;
    EXPECT_EQ(InspectWave(outFile).frames, 100);

    WriteFile(in, Pcm16File(2, 44100, Tone(44100, 2, 44100, 1000, 10000)));
    ASSERT_EQ(Run({"convert", in, outFile}), kToolOk) << err;
    // 44,100 frames at 39/215, the converter's nearest ratio, become 7,999.
    EXPECT_EQ(out, outFile + ": 7999 frames, 8000 Hz, 1 channel, PCM 16-bit\n");
    EXPECT_EQ(FormatOf(outFile), Format(kWaveFormatPcm, 8000, 1, 16));
    EXPECT_EQ(InspectWave(outFile).frames, 7999);
    // 20,000 frames end inside a block; the samples are copied as they are.
    WriteFile(in, Pcm16File(1, 8000, Tone(20000, 1, 8000, 440, 20000)));
    ASSERT_EQ(Run({"convert", in, outFile}), kToolOk) << err;
    EXPECT_EQ(Samples(outFile), Samples(in));

    const std::tuple<const char*, const char*, std::uint16_t, std::uint16_t, const char*> rows[] = {
        {"--codec", "ulaw", kWaveFormatMulaw, 8, "mu-law"},
        {"--codec", "alaw", kWaveFormatAlaw, 8, "A-law"},
        {"--codec", "ima", kWaveFormatImaAdpcm, 4, "IMA ADPCM"},
        {"--bits", "8", kWaveFormatPcm, 8, "PCM 8-bit"},
    };
    for (const auto& [option, value, tag, bits, name] : rows) {
        ASSERT_EQ(
            Run({"convert", in, outFile, option, value, "--rate", "11025", "--channels", "2"}),
            kToolOk)
            << err;
        EXPECT_TRUE(out.ends_with(" 11025 Hz, 2 channels, " + std::string(name) + "\n")) << out;
        EXPECT_EQ(FormatOf(outFile), Format(tag, 11025, 2, bits)) << value;
    }
}

TEST_F(AudioCommandsTest, PlaychainKeepsTheFormatAppliesItsStagesAndNeverWraps) {
    WriteFile(in, Pcm16File(2, 11025, Tone(11025, 2, 11025, 500, 4000)));
    ASSERT_EQ(Run({"playchain", in, outFile}), kToolOk) << err;
    EXPECT_EQ(FormatOf(outFile), Format(kWaveFormatPcm, 11025, 2, 16));
    const std::vector<std::int32_t> plain = Samples(outFile);
    EXPECT_EQ(plain, Samples(in)) << "no stage is on by default";
    ASSERT_EQ(Run({"playchain", in, outFile, "--gain", "6dB"}), kToolOk) << err;
    EXPECT_NEAR(double(Peak(Samples(outFile))) / Peak(plain), 1.995, 0.01);

    std::vector<std::int16_t> loud = Tone(8000, 1, 8000, 300, 32000);
    WriteFile(in, Pcm16File(1, 8000, loud));
    ASSERT_EQ(Run({"playchain", in, outFile, "--gain", "8", "--highpass", "100"}), kToolOk) << err;
    const std::vector<std::int32_t> louder = Samples(outFile);
    ASSERT_EQ(louder.size(), 8000u);
    for (int i = 0; i < 8000; ++i) {
        // A wrapped sample would turn a loud crest into the opposite full scale.
        if (std::abs(loud[i]) > 16000) {
            ASSERT_EQ(louder[i] > 0, loud[i] > 0) << i;
        }
    }
}

TEST_F(AudioCommandsTest, AnOutputIsNeverClobberedNorLeftHalfWritten) {
    WriteFile(in, QuietRecording(1));
    const std::string mp3 = root / "in.mp3";
    const std::vector<std::uint8_t> frames = Repeated(SilentFrame(3, 9, 0, 3), 40);
    WriteFile(mp3, std::string(frames.begin(), frames.end()));
    ASSERT_EQ(::mkfifo((root / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("fifo", (root / "to-fifo").c_str()), 0);
    ASSERT_EQ(::symlink("nothing.wav", (root / "to-nothing").c_str()), 0);
    ASSERT_EQ(::symlink("target.wav", (root / "link").c_str()), 0);
    const auto entries = [&] {
        const std::filesystem::directory_iterator all(root.Path());
        return std::distance(begin(all), end(all));
    };
    WriteFile(outFile, "old");
    const auto before = entries();
    const std::tuple<ToolArgs, std::string, Type> refused[] = {
        {{"convert", in, root / "fifo"}, "is not a regular file", Type::fifo},
        {{"decode", mp3, root / "to-fifo", "--raw"}, "is not a regular file", Type::symlink},
        {{"level", in, root / "to-nothing"}, "is a symbolic link to nothing", Type::symlink},
        {{"playchain", in, root.Path()}, "is a folder", Type::directory}};
    for (const auto& [args, reason, kind] : refused) {
        RunWithFifoDeadline(root / "fifo", [&] { EXPECT_EQ(Run(args), kToolFailed); });
        EXPECT_EQ(err, "quillon-tool: " + args[2] + ": " + reason + "\n");
        EXPECT_EQ(std::filesystem::symlink_status(args[2]).type(), kind) << args[0];
    }
    // On a full disk OUT stays as it was, or absent, and no temporary is left.
    const std::string raw = root / "new.raw";
    const std::pair<ToolArgs, std::string> full[] = {
        {{"convert", in, outFile}, outFile + ": cannot be written: " + std::strerror(EFBIG)},
        {{"decode", mp3, raw, "--raw"}, raw + ": cannot be written: " + std::strerror(EFBIG)},
        {{"level", in, root / "new.wav"},
         "levelling " + in + " failed; " + root / "new.wav" + " was not changed"}};
    for (const auto& [args, reason] : full) {
        ScopedFileSizeLimit limit(4096);
        EXPECT_EQ(Run(args), kToolFailed) << args[0];
        EXPECT_EQ(err, "quillon-tool: " + reason + "\n");
    }
    EXPECT_EQ(ReadFile(outFile), "old");
    EXPECT_EQ(entries(), before);
    // A link is written through to its file and stays a link.
    for (const ToolArgs& args :
         {ToolArgs{"convert", in, root / "link"}, {"level", in, root / "link"}}) {
        WriteFile(root / "target.wav", "old");
        ASSERT_EQ(Run(args), kToolOk) << err;
        EXPECT_TRUE(std::filesystem::is_symlink(root / "link"));
        EXPECT_GT(ReadFile(root / "target.wav").size(), 1000u) << args[0];
    }
}

}  // namespace
