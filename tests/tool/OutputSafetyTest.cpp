// What the quillon-tool commands that write OUT do with an OUT that is no regular file, a link,
// or a disk that fills up: refuse, write through, or fail; never replace or half-write it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "ToolRun.h"
#include "audio/devices/VirtualWaveDevice.h"
#include "audio/devices/WaveDevices.h"
#include "audio/files/Mp3TestFiles.h"
#include "audio/files/WaveReaders.h"
#include "audio/level/LevelTestFiles.h"
#include "support/FifoDeadline.h"

namespace {

class OutputSafetyTest : public ToolRun {
protected:
    void SetUp() override {
        WriteFile(in, QuietRecording(1));
        const std::vector<std::uint8_t> frames = Repeated(SilentFrame(3, 9, 0, 3), 40);
        WriteFile(mp3, std::string(frames.begin(), frames.end()));
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    }
    // Every command that writes OUT, writing `output`.
    std::vector<ToolArgs> Writers(const std::string& output) const {
        return {{"convert", in, output},
                {"playchain", in, output},
                {"decode", mp3, output},
                {"decode", mp3, output, "--raw"},
                {"level", in, output},
                {"record", output, "--device", std::to_string(registration.InputId()), "--seconds",
                 "1"}};
    }
    static mode_t Type(const std::string& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
    }
    static std::size_t Entries(const std::string& folder) {
        const std::filesystem::directory_iterator entries(folder);
        return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
    }

    std::string in = root / "in.wav";
    std::string mp3 = root / "in.mp3";
    std::string fifo = root / "fifo";
    std::string target = root / "target.wav";
    RealTimeClock fast{100.0};
    std::shared_ptr<VirtualWaveDevice> line =
        std::make_shared<VirtualWaveDevice>("Test Line", fast);
    WaveDeviceRegistration registration{line};
};

TEST_F(OutputSafetyTest, AnOutputThatIsNoRegularFileIsRefusedAndLeftAsItIs) {
    ASSERT_EQ(::symlink("fifo", (root / "to-fifo").c_str()), 0);
    ASSERT_EQ(::symlink("nothing.wav", (root / "to-nothing").c_str()), 0);
    ASSERT_EQ(::mkdir((root / "folder").c_str(), 0700), 0);
    const std::tuple<std::string, const char*, mode_t> outputs[] = {
        {fifo, "is not a regular file", S_IFIFO},
        {root / "to-fifo", "is not a regular file", S_IFLNK},
        {root / "to-nothing", "is a symbolic link to nothing", S_IFLNK},
        {root / "folder", "is a folder", S_IFDIR}};
    const std::size_t entries = Entries(root.Path());
    for (const auto& [output, reason, type] : outputs) {
        for (const ToolArgs& args : Writers(output)) {
            RunWithFifoDeadline(fifo, [&] { EXPECT_EQ(Run(args), kToolFailed) << args[0]; });
            EXPECT_EQ(err, "quillon-tool: " + output + ": " + reason + "\n") << args[0];
            EXPECT_EQ(Type(output), type) << args[0] << " " << output;
            EXPECT_EQ(Entries(root.Path()), entries) << args[0] << " " << output;
        }
    }
}

TEST_F(OutputSafetyTest, ALinkIsWrittenThroughToItsFileAndStaysALink) {
    ASSERT_EQ(::symlink("target.wav", (root / "link").c_str()), 0);
    for (const ToolArgs& args : Writers(root / "link")) {
        WriteFile(target, "old");
        ASSERT_EQ(Run(args), kToolOk) << args[0] << ": " << err;
        EXPECT_EQ(Type(root / "link"), S_IFLNK) << args[0];
        EXPECT_GT(ReadFile(target).size(), 1000u) << args[0];
    }
}

TEST_F(OutputSafetyTest, AFullDiskFailsTheCommandAndLeavesTheOutputAsItWas) {
    const std::string output = root / "out.wav";
    for (bool existed : {true, false}) {
        // Recording keeps what it could write: its own case below.
        std::vector<ToolArgs> writers = Writers(output);
        writers.pop_back();
        for (const ToolArgs& args : writers) {
            std::remove(output.c_str());
            if (existed) {
                WriteFile(output, "old");
            }
            const std::size_t entries = Entries(root.Path());
            {
                ScopedFileSizeLimit full(4096);
                EXPECT_EQ(Run(args), kToolFailed) << args[0];
            }
            EXPECT_EQ(err, args[0] == "level"
                               ? "quillon-tool: levelling " + in + " failed; " + output +
                                     " was not changed\n"
                               : "quillon-tool: " + output +
                                     ": cannot be written: " + std::strerror(EFBIG) + "\n");
            EXPECT_EQ(out, "") << args[0];
            EXPECT_EQ(Exists(output) ? ReadFile(output) : "(none)", existed ? "old" : "(none)")
                << args[0];
            EXPECT_EQ(Entries(root.Path()), entries) << args[0];
        }
    }
}

TEST_F(OutputSafetyTest, ARecordingThatCannotBeWrittenStopsFailsAndKeepsWhatItHolds) {
    line->SetInputGenerator([](std::int16_t* samples, std::int32_t frames, const WavePcmFormat&,
                               std::int64_t) { std::fill_n(samples, frames, 1000); });
    const std::string take = root / "take.wav";
    {
        ScopedFileSizeLimit full(46 + 2 * 2000 + 1);  // room for 2,000 frames and a half
        EXPECT_EQ(Run(Writers(take).back()), kToolFailed);
    }
    EXPECT_EQ(err, "quillon-tool: " + take + ": recording stopped: " + std::strerror(EFBIG) +
                       " (what was recorded before is kept)\n");
    EXPECT_EQ(InspectWave(take).frames, 2000);
}

}  // namespace
