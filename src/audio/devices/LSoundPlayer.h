// Plays an audio source as 16-bit PCM on a wave output device. A feeding thread keeps a ring
// of 70 buffers of a tenth of a second filled from the source and measures their levels; the
// player's own object turns what the thread reports into notifications on the owner's thread.
// Besides plain playing: start after a prefill (prompts played to a call), seeking, and a scrub
// mode that loops a short snippet at the current position.
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>

#include "audio/devices/LLevelReport.h"
#include "audio/dsp/LSoundSource.h"
#include "base/LWorkerThread.h"

// What a player tells its owner, always on the thread that owns the player.
class LSoundPlayerNotify {
public:
    virtual ~LSoundPlayerNotify() = default;
    virtual void OnPlayerPlaying(std::uint32_t /*cookie*/) {}
    virtual void OnPlayerStopped(std::uint32_t /*cookie*/) {}
    virtual void OnPlayerScrubbing(std::uint32_t /*cookie*/) {}
    virtual void OnPlayerPaused(std::uint32_t /*cookie*/) {}
    // `position` in 1/10,000 s.
    virtual void OnPlayerPosition(std::uint32_t /*cookie*/, std::int32_t /*position*/) {}
    virtual void OnPlayerLevels(const LLevelReport& /*report*/, std::uint32_t /*cookie*/) {}
};

// Start options.
inline constexpr std::uint16_t kPlayerStartPaused = 0x01;
// Open paused, fill 42 buffers, then play; the source is complete (no holding back at its end).
inline constexpr std::uint16_t kPlayerPrefill = 0x02;

class LSoundPlayer : public LWorkerThread {
public:
    // Mode flags.
    static constexpr std::uint16_t kActive = 0x01;
    static constexpr std::uint16_t kPaused = 0x02;
    static constexpr std::uint16_t kScrub = 0x04;
    static constexpr std::uint16_t kRestartAt42 = 0x08;
    static constexpr std::uint16_t kRaisePriority = 0x10;
    static constexpr std::uint16_t kComplete = 0x20;

    LSoundPlayer();
    ~LSoundPlayer() override;

    // Plays `source`; false, with nothing left allocated and no notification, when the source
    // is missing or invalid or the device refuses its format.
    bool Start(const LSoundSourcePtr& source, std::uint16_t options);
    void Stop();
    void Seek(std::int32_t frame);
    void StartScrub();
    void Resume();
    bool IsActive() const;

    std::int8_t device = 0;  // wave output device id
    LSoundPlayerNotify* target = nullptr;
    std::uint32_t cookie = 0;
    // Levels are measured while a play runs if this was on when it started, and reported while
    // it is on.
    bool reportLevels = false;

    // Source position (frames) after the most recently played buffer.
    std::int32_t GetPositionFrames() const;

protected:
    void Run(const LStopEvent& stop) override;

private:
    // One play: the ring, the source, the device and the flags. The feeding thread shares it,
    // so that a thread that outlives Stop's wait (see LWorkerThread::StopThread) keeps what it
    // uses until it ends.
    struct Play;

    void OnReport(const std::shared_ptr<Play>& from);
    // The feeding thread is lowered while it refills after a seek and raised again once it
    // waits; set from the owner's thread through the feeder's kernel thread id.
    void SetFeederPriority(int priority);

    // Reports queued for the owner's thread; those still queued when it goes are dropped.
    std::unique_ptr<QObject> inbox;
    std::shared_ptr<Play> play;  // null while idle
};
