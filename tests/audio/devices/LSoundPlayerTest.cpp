// The sound player on a virtual device and a test clock: prefill, the end, the peak limiter,
// seeking, scrubbing, stalls, a thread that ignores Stop, and notifications on the owner's thread.
#include "audio/devices/LSoundPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <future>

#include "DeviceEvents.h"
#include "audio/devices/WaveDevices.h"
#include "audio/dsp/TestSources.h"
#include "support/QtTestApp.h"

namespace {

constexpr std::int64_t kMs = 1'000'000;

// `length` frames counting up from 0 (times `scale`), so played audio shows where it came from.
// Reads can take time on a clock, or wait for a release.
class CountingSource : public VectorSource {
public:
    CountingSource(std::int32_t length, std::int32_t scale = 16, std::int32_t bound = 0x7FFF0)
        : VectorSource(std::vector<std::int32_t>(length), 8000, 1) {
        for (std::int32_t i = 0; i < length; ++i) {
            samples[i] = i % 1000 * scale;
        }
        peakBound = bound;
    }
    ~CountingSource() override { gone.set_value(); }
    void Read(std::int32_t* buffer, std::int32_t frames) override {
        if (readClock) {
            std::mutex mutex;
            std::condition_variable never;
            std::unique_lock lock(mutex);
            readClock->WaitUntil(never, lock, readClock->Now() + 10 * kMs, [] { return false; });
        }
        if (release.valid()) {
            held.set_value();
            std::exchange(release, {}).wait();
        }
        VectorSource::Read(buffer, frames);
    }

    DeviceClock* readClock = nullptr;  // each read takes 10 ms of it
    std::shared_future<void> release;  // the first read waits for it
    std::promise<void> held;
    std::promise<void> gone;
};

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtTestApp();
        player.device = static_cast<std::int8_t>(registration.OutputId());
        player.target = &events;
    }
    void TearDown() override { player.Stop(); }

    // Plays on in steps of 100 ms of device time until `done` or `maxSteps`.
    bool PlayUntil(const std::function<bool()>& done, int maxSteps) {
        for (int i = 0; i < maxSteps && !done(); ++i) {
            clock.Advance(100 * kMs);
            DeliverPostedEvents();
        }
        return done();
    }
    bool Stopped() const { return !events.log.empty() && events.log.back() == "stopped"; }

    TestClock clock;
    std::shared_ptr<VirtualWaveDevice> device = std::make_shared<VirtualWaveDevice>("out", clock);
    WaveDeviceRegistration registration{device};
    DeviceEvents events;
    LSoundPlayer player;
};

TEST_F(PlayerTest, PrefillStartsPlayingOnlyOnceFortyTwoBuffersAreQueued) {
    // Each of the 44 reads takes 10 ms: the 42nd buffer is queued at 420 ms and the first one
    // has played 100 ms later.
    auto source = MakeCounted<CountingSource>(44 * 800);
    source->readClock = &clock;
    ASSERT_TRUE(player.Start(source, kPlayerPrefill));
    clock.Advance(515 * kMs);
    EXPECT_TRUE(device->Captured().empty());
    clock.Advance(10 * kMs);
    ASSERT_EQ(device->Captured().size(), 800u);
    EXPECT_EQ(device->Captured()[0], 0);
}

TEST_F(PlayerTest, APromptPlaysToItsEndAndAPlayStartedOnHearingTheEndGoesOnThroughTheLimiter) {
    // 1 s with prefill: ten buffers hold audio; the ring passes 42 over empty ones and playing
    // starts. Told of its end (its length, 10,000), the owner starts a tenth of a second more
    // whose samples, up to 799 * 0x800, would pass 16-bit full scale without the peak limiter.
    events.onPosition = [&](std::int32_t at) {
        if (at == 10000 && events.log.size() == 1) {
            player.Start(MakeCounted<CountingSource>(800, 0x800, 0x200000), 0);
        }
    };
    ASSERT_TRUE(player.Start(MakeCounted<CountingSource>(8000), kPlayerPrefill));
    EXPECT_TRUE(PlayUntil([&] { return events.log.size() == 4; }, 100));
    EXPECT_EQ(events.log, (std::vector<std::string>{"playing", "stopped", "playing", "stopped"}));
    const std::vector<std::int16_t> played = device->Captured();
    ASSERT_EQ(played.size(), 8800u);
    EXPECT_EQ(std::tuple(played[0], played[999], played[7999]), std::tuple(0, 999, 999));
    EXPECT_GE(*std::min_element(played.begin() + 8000, played.end()), 0);  // none wrapped
    EXPECT_GT(*std::max_element(played.begin() + 8000, played.end()), 16000);
    EXPECT_EQ(events.positions.back(), 1000);
    EXPECT_TRUE(events.onOwnerThread);
    EXPECT_FALSE(player.IsActive());
}

TEST_F(PlayerTest, SeekPlaysFromTheNewPositionAndScrubLoopsASnippetUntilResumed) {
    player.reportLevels = true;
    ASSERT_TRUE(player.Start(MakeCounted<CountingSource>(80000), kPlayerStartPaused));
    EXPECT_EQ(events.log, std::vector<std::string>{"paused"});
    clock.AwaitIdle();
    player.Seek(40500);
    EXPECT_EQ(events.positions.back(), 50625);  // 40,500 frames at 8 kHz
    player.Resume();
    EXPECT_EQ(events.log.back(), "playing");
    ASSERT_TRUE(PlayUntil([&] { return device->Captured().size() >= 800; }, 50));
    EXPECT_EQ(device->TakeCaptured()[0], 500);  // 40,500 mod 1,000
    player.Seek(16000);
    player.StartScrub();
    EXPECT_EQ(events.log.back(), "scrubbing");
    EXPECT_EQ(events.positions.back(), 20000);
    EXPECT_FALSE(events.levels.empty());
    clock.Advance(1000 * kMs);
    const std::vector<std::int16_t> played = device->Captured();
    ASSERT_GE(played.size(), 8000u);
    // A quarter block (200 frames) from frame 16,000, repeated.
    for (std::size_t i = 0; i < 8000; i += 97) {
        EXPECT_EQ(played[i], static_cast<std::int16_t>(i % 200)) << i;
    }
    player.Resume();
    const std::size_t looped = device->Captured().size();
    ASSERT_TRUE(PlayUntil([&] { return device->Captured().size() >= looped + 1600; }, 50));
    // After the loop's last pass the audio goes on from where the snippet ended.
    const std::vector<std::int16_t> after = device->Captured();
    EXPECT_NE(std::find(after.begin() + std::ptrdiff_t(looped) - 1, after.end(), 200), after.end());
}

TEST_F(PlayerTest, AStalledDeviceEndsPlaying) {
    device->SetStalled(true);
    ASSERT_TRUE(player.Start(MakeCounted<CountingSource>(800000), 0));
    // More than 280 waits of 100 ms of device time without a finished buffer: the 281st.
    EXPECT_FALSE(PlayUntil([&] { return Stopped(); }, 279));
    EXPECT_TRUE(PlayUntil([&] { return Stopped(); }, 1));
    EXPECT_EQ(events.positions.back(), 1000000);
}

TEST_F(PlayerTest, AThreadThatIgnoresStopKeepsWhatItUsesUntilItEnds) {
    std::promise<void> release;
    auto source = MakeCounted<CountingSource>(8000);
    source->release = release.get_future().share();
    std::future<void> gone = source->gone.get_future();
    ASSERT_TRUE(player.Start(source, 0));
    source->held.get_future().wait();
    player.Stop();  // gives up on the thread, held in its first read, after 5 s
    EXPECT_FALSE(player.IsActive());
    EXPECT_EQ(events.log, (std::vector<std::string>{"playing", "stopped"}));
    EXPECT_EQ(source->refCount, 2);  // the thread's play still holds it
    source.Release();
    release.set_value();
    gone.wait();  // the thread read, wrote to its device, ended and let go
    DeliverPostedEvents();
    EXPECT_EQ(events.log.size(), 2u);
}

TEST_F(PlayerTest, StartFailsCleanlyAndStopReportsOnlyOnce) {
    auto invalid = MakeCounted<CountingSource>(100);
    invalid->flags |= kSoundInvalid;
    EXPECT_FALSE(player.Start(invalid, 0));
    player.device = static_cast<std::int8_t>(registration.OutputId() + 1);
    auto source = MakeCounted<CountingSource>(100);
    EXPECT_FALSE(player.Start(source, 0));
    EXPECT_EQ(source->refCount, 1);
    player.Stop();  // idle: nothing is sent
    EXPECT_TRUE(events.log.empty());

    player.device = static_cast<std::int8_t>(registration.OutputId());
    ASSERT_TRUE(player.Start(source, 0));
    player.Stop();
    player.Stop();
    EXPECT_EQ(events.log, (std::vector<std::string>{"playing", "stopped"}));
    EXPECT_EQ(source->refCount, 1);
}

}  // namespace
