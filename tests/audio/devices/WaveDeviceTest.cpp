// The wave device layer: virtual devices on a test clock, the device lists, sound card opens that
// fail cleanly, and mixer access.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>
#include <vector>

#include "audio/devices/AlsaWaveDevice.h"
#include "audio/devices/DeviceClock.h"
#include "audio/devices/Mixer.h"
#include "audio/devices/VirtualWaveDevice.h"
#include "audio/devices/WaveDevices.h"

namespace {

constexpr std::int64_t kMs = 1'000'000;
const WavePcmFormat kTelephone{8000, 1, 16};

// A 100 ms buffer of 8 kHz mono whose samples all hold `value`.
struct TestBuffer {
    explicit TestBuffer(std::int16_t value, std::uint32_t frames = 800) : samples(frames, value) {
        header.data = reinterpret_cast<char*>(samples.data());
        header.bufferLength = frames * 2;
    }
    bool Done() const { return header.IsDone(); }
    std::vector<std::int16_t> samples;
    WaveHeader header;
};

class VirtualDeviceTest : public ::testing::Test {
protected:
    TestClock clock;
    std::shared_ptr<VirtualWaveDevice> device =
        std::make_shared<VirtualWaveDevice>("test line", clock);
    std::unique_ptr<WaveOut> out = device->OpenOut(kTelephone);
    std::vector<WaveHeader*> delivered;
    std::unique_ptr<WaveIn> in =
        device->OpenIn(kTelephone, [this](WaveHeader* header) { delivered.push_back(header); });
};

TEST_F(VirtualDeviceTest, BuffersFinishInOrderAsTheyPlayAndKeepWhenTheyBegan) {
    TestBuffer a(1), b(2), c(3);
    clock.Advance(1000 * kMs);
    out->Write(&a.header);
    out->Write(&b.header);
    clock.Advance(99 * kMs, kMs);
    EXPECT_FALSE(a.Done() || out->WaitEvent(0));
    clock.Advance(1 * kMs);
    EXPECT_TRUE(a.Done() && !b.Done() && out->WaitEvent(0));
    clock.Advance(150 * kMs, 50 * kMs);  // coarse ticks: the device still knows the exact times
    out->Write(&c.header);               // after a gap of 50 ms
    clock.Advance(100 * kMs);
    EXPECT_TRUE(b.Done() && c.Done());
    const std::vector<VirtualWaveDevice::PlayedAudio> played = device->TakePlayed();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(std::tuple(played[0].start, played[0].samples[799], played[0].samples[800]),
              std::tuple(1000 * kMs, 1, 2));
    EXPECT_EQ(std::tuple(played[1].start, played[1].samples.size(), played[1].format.sampleRate),
              std::tuple(1250 * kMs, 800u, 8000));
    EXPECT_TRUE(device->TakePlayed().empty());
}

TEST_F(VirtualDeviceTest, BufferWaitsTimeOutOnTheDevicesClock) {
    // However long the waiter sits in real time, only the device clock ends its wait; the clock
    // moves only while the waiter waits.
    std::promise<bool> first;
    std::thread waiter([&, paced = clock.PaceThread()] { first.set_value(out->WaitEvent(100)); });
    std::future<bool> result = first.get_future();
    clock.Advance(99 * kMs);
    EXPECT_EQ(result.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    clock.Advance(1 * kMs);
    EXPECT_FALSE(result.get());
    waiter.join();
    std::thread signalled([&] { EXPECT_TRUE(out->WaitEvent(100)); });
    out->SetEvent();
    signalled.join();
    out->ResetEvent();
    EXPECT_FALSE(out->WaitEvent(0));
}

TEST_F(VirtualDeviceTest, InputBlocksFillAtTheClocksPaceFromTheGenerator) {
    std::int16_t next = 0;
    std::vector<std::int64_t> starts;
    device->SetInputGenerator(
        [&](std::int16_t* samples, std::int32_t frames, const WavePcmFormat&, std::int64_t start) {
            std::generate_n(samples, frames, [&] { return next++; });
            starts.push_back(start);
        });
    TestBuffer a(0), b(0), c(0);
    in->AddBuffer(&a.header);
    in->AddBuffer(&b.header);
    clock.Advance(500 * kMs);  // not started: nothing
    EXPECT_TRUE(delivered.empty());
    in->Start();
    clock.Advance(199 * kMs, kMs);
    ASSERT_EQ(delivered, std::vector<WaveHeader*>{&a.header});
    EXPECT_EQ(a.header.bytesRecorded, 1600u);
    EXPECT_EQ(a.samples[799], 799);
    clock.Advance(1 * kMs);
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(b.samples[0], 800);
    // Without a queued buffer the audio is lost; a buffer added later fills from then on.
    clock.Advance(300 * kMs);
    in->AddBuffer(&c.header);
    clock.Advance(100 * kMs);
    ASSERT_EQ(delivered.size(), 3u);
    EXPECT_EQ(c.samples[0], 1600);
    // The generator learns when each block was heard, however late it is asked.
    EXPECT_EQ(starts, (std::vector<std::int64_t>{500 * kMs, 600 * kMs, 1000 * kMs}));
    TestBuffer d(0), e(0), f(0);
    for (TestBuffer* buffer : {&d, &e, &f}) {
        in->AddBuffer(&buffer->header);
    }
    clock.Advance(300 * kMs, 300 * kMs);  // one late tick for all three blocks
    EXPECT_EQ(std::vector<std::int64_t>(starts.begin() + 3, starts.end()),
              (std::vector<std::int64_t>{1100 * kMs, 1200 * kMs, 1300 * kMs}));
    // Reset hands queued buffers back at once, empty.
    in->AddBuffer(&a.header);
    clock.Advance(50 * kMs);
    in->Reset();
    EXPECT_EQ(std::tuple(delivered.back(), a.header.bytesRecorded), std::tuple(&a.header, 0u));
    clock.Advance(500 * kMs);
    EXPECT_EQ(delivered.size(), 7u);
}

TEST(WaveDevicesTest, VirtualDevicesFollowTheSoundCardsAndKeepTheirIds) {
    const std::vector<std::string> before = WaveDeviceNames(WaveDirection::Output);
    ASSERT_FALSE(before.empty());  // "default" is always offered first
    auto firstRegistration =
        std::make_unique<WaveDeviceRegistration>(std::make_shared<VirtualWaveDevice>("first line"));
    WaveDeviceRegistration second(std::make_shared<VirtualWaveDevice>("second line"));
    const int outId = second.OutputId();
    const int inId = second.InputId();
    EXPECT_EQ(outId, static_cast<int>(before.size()) + 1);
    EXPECT_EQ(WaveDeviceNames(WaveDirection::Input).at(std::size_t(inId)), "second line");
    firstRegistration.reset();
    EXPECT_EQ(second.OutputId(), outId);
    EXPECT_NE(OpenWaveOut(outId, kTelephone, false), nullptr);
    EXPECT_NE(OpenWaveIn(inId, kTelephone, false, nullptr), nullptr);
    EXPECT_EQ(OpenWaveOut(outId - 1, kTelephone, false), nullptr);  // the freed slot
    EXPECT_EQ(OpenWaveOut(-1, kTelephone, false), nullptr);
}

TEST(AlsaWaveDeviceTest, MissingDevicesAndUnusableFormatsFailToOpen) {
    EXPECT_EQ(OpenAlsaWaveOut("quillon_no_such_device", kTelephone, true), nullptr);
    EXPECT_EQ(OpenAlsaWaveIn("quillon_no_such_device", kTelephone, true, nullptr), nullptr);
    EXPECT_EQ(OpenAlsaWaveOut("default", WavePcmFormat{8000, 1, 8}, true), nullptr);
    const std::vector<AlsaDeviceInfo> outputs = ListAlsaDevices(WaveDirection::Output);
    ASSERT_FALSE(outputs.empty());
    EXPECT_EQ(outputs[0].pcmName, "default");
    for (const AlsaDeviceInfo& device : outputs) {
        EXPECT_EQ(device.description.find('\n'), std::string::npos);
        EXPECT_NE(device.pcmName, "null");
    }
}

TEST(MixerTest, LevelsMapToMixerValuesAndDevicesWithoutAHardwareMixerIgnoreSettings) {
    for (auto [level, value] : {std::pair{-36, 0u}, {-35, 1424u}, {10, 65504u}, {11, 65535u}}) {
        EXPECT_EQ(MixerValue(static_cast<std::int8_t>(level)), value) << level;
    }
    WaveDeviceRegistration registration(std::make_shared<VirtualWaveDevice>("line"));
    for (int device : {0, registration.InputId(), -1, 120}) {
        auto id = static_cast<std::int8_t>(device);
        EXPECT_EQ(GetRecordSourceCount(id), 0) << device;
        EXPECT_EQ(GetRecordSourceName(id, 0), "") << device;
        SelectRecordSource(id, 0, -6);
        SetPlayVolume(id, -6, 0);
    }
    EXPECT_EQ(GetRecordSourceName(0, -1), kSystemRecordMixerName);
}

}  // namespace
