// quillon-tool devices, play and record, on a virtual device a hundred times real time.
#include <cstring>

#include "ToolRun.h"
#include "audio/devices/VirtualWaveDevice.h"
#include "audio/devices/WaveDevices.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveTestFiles.h"

namespace {

class DeviceCommandsTest : public ToolRun {
protected:
    RealTimeClock fast{100.0};
    std::shared_ptr<VirtualWaveDevice> line =
        std::make_shared<VirtualWaveDevice>("Test Line", fast);
    WaveDeviceRegistration registration{line};
};

TEST_F(DeviceCommandsTest, DevicesListsTheDefaultAndVirtualDevicesAndPlayPlaysTheWholeFileOnOne) {
    ASSERT_EQ(Run({"devices"}), kToolOk);
    EXPECT_NE(out.find("Output devices:\n  0  "), std::string::npos) << out;
    EXPECT_NE(out.find("  " + std::to_string(registration.OutputId()) + "  Test Line\n"),
              std::string::npos);
    EXPECT_NE(out.find("Input devices:"), std::string::npos);

    std::vector<std::int16_t> samples(4000);  // half a second of a ramp
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(i);
    }
    std::string wav = root / "ramp.wav";
    WriteFile(wav, Pcm16File(1, 8000, samples));
    ASSERT_EQ(Run({"play", wav, "--device", std::to_string(registration.OutputId())}), kToolOk)
        << err;
    EXPECT_NE(out.find("playing " + wav + " (8000 Hz, 1 channel) on Test Line"), std::string::npos);
    EXPECT_NE(out.find("stopped at 0:00:00.5"), std::string::npos) << out;
    EXPECT_EQ(line->Captured(), samples);
}

TEST_F(DeviceCommandsTest, RecordWritesTheRequestedSecondsOrWhatFitsOnTheDisk) {
    std::string wav = root / "take.wav";
    ASSERT_EQ(
        Run({"record", wav, "--device", std::to_string(registration.InputId()), "--seconds", "1"}),
        kToolOk)
        << err;
    EXPECT_NE(out.find("stopped: 0:00:01.1 recorded"), std::string::npos) << out;
    LSoundSourcePtr recorded = OpenWaveFile(wav);
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->sampleRate, 8000);
    EXPECT_EQ(recorded->GetLength(), 8800);  // the block that passed one second ends it

    // A disk that fills up stops the recording, which keeps the whole frames it holds.
    line->SetInputGenerator([](std::int16_t* samples, std::int32_t frames, const WavePcmFormat&,
                               std::int64_t) { std::fill_n(samples, frames, 1000); });
    {
        ScopedFileSizeLimit full(46 + 2 * 2000 + 1);  // room for 2,000 frames and a half
        EXPECT_EQ(Run({"record", root / "full.wav", "--device",
                       std::to_string(registration.InputId()), "--seconds", "1"}),
                  kToolFailed);
    }
    EXPECT_EQ(err, "quillon-tool: " + root / "full.wav" + ": recording stopped: " +
                       std::strerror(EFBIG) + " (what was recorded before is kept)\n");
    recorded = OpenWaveFile(root / "full.wav");
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->GetLength(), 2000);
}

TEST_F(DeviceCommandsTest, BadFilesDevicesAndArgumentsFailClearly) {
    EXPECT_EQ(Run({"play", root / "x.wav", "--device", "120"}), kToolFailed);
    EXPECT_EQ(Run({"record", root / "x.wav", "--device", "120"}), kToolFailed);
    EXPECT_EQ(Run({"record", root.Path(), "--device", std::to_string(registration.InputId())}),
              kToolFailed);
    EXPECT_EQ(err, "quillon-tool: " + root.Path() + ": is a folder\n");
    EXPECT_FALSE(Exists(root / "x.wav"));
    EXPECT_EQ(Run({"devices", "extra"}), kToolUsage);
    EXPECT_EQ(Run({"play"}), kToolUsage);
    EXPECT_EQ(Run({"record", "a.wav", "--channels", "3"}), kToolUsage);
}

}  // namespace
