// The telephone line over the line-device layer: one line device, one call at a time, the line's
// messages turned into call handler events, and the call operations with the wave player and
// recorder that carry the call's audio.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "audio/devices/DeviceClock.h"
#include "audio/devices/LSoundPlayer.h"
#include "audio/devices/LSoundRecorder.h"
#include "telephony/LTelephoneLine.h"
#include "telephony/Tapi.h"

class LTapiLine : public LTelephoneLine, public LSoundPlayerNotify, public LSoundRecorderNotify {
public:
    // Bits of the line status.
    static constexpr std::uint8_t kFarEndGone = 0x80;
    // Whether the player plays to the call for the line.
    enum class PlayMode : std::uint8_t { Idle = 0, Playing = 1 };
    // What the recorder does for the line: record the call into a sink, or only listen for the
    // exchange's tone.
    enum class RecordMode : std::uint8_t { Idle = 0, RecordingCall = 1, Listening = 2 };
    // The request that awaits its LINE_REPLY.
    enum class PendingRequest : std::uint32_t {
        None = 0,
        MakeCall = 1,
        Drop = 2,
        Answer = 3,
        Transfer = 4
    };

    // --- The process's application context with the line-device layer.
    // Initialises it once (a failure is tried again at the next call).
    static bool Initialize();
    static std::uint32_t NumDevices();
    // The device's name, at most 259 characters; empty on any failure.
    static std::string GetLineName(std::uint32_t device);
    // True when the device takes automated voice calls.
    static bool IsVoiceLine(std::uint32_t device);
    // Ends the application context (at program exit); a later Initialize starts a new one.
    static void Shutdown();

    // Tick counts (ms) come from `clock`: the system device clock, or a test clock.
    explicit LTapiLine(DeviceClock& clock = SystemDeviceClock());
    ~LTapiLine() override;

    // Opens the device (closing any open line first) as owner of automated voice or unknown
    // calls, or failing that as a monitor. `options` become the line status.
    bool Open(std::uint32_t device, std::uint8_t options);
    // Drops the call and closes the line.
    void Close();
    // Told of each message of the line (message, then its three parameters) before the line
    // acts on it, so that a watcher can say what happens on the line; none by default.
    using MessageObserver = std::function<void(std::uint32_t message, std::uintptr_t param1,
                                               std::uintptr_t param2, std::uintptr_t param3)>;
    void SetMessageObserver(MessageObserver observer) { messageObserver = std::move(observer); }
    // Dials `number`, or with null answers the ringing call or takes the line off hook.
    bool MakeCall(const char* number);

    void GenerateDigits(const char* digits) override;
    void BlindTransfer(const char* destination) override;
    void Drop() override;
    void Beep() override;
    void HandOff() override;
    void Play(LSoundSourcePtr& source) override;
    void Record(LSoundSinkPtr& sink, std::int32_t silenceLimit, std::int8_t threshold,
                std::int32_t maximumLength) override;
    void Listen(std::int32_t silenceLimit, std::int8_t threshold,
                std::int32_t maximumLength) override;
    void StopAudio() override;
    bool IsRecording() override;
    bool IsFarEndGone() override { return (lineStatus & kFarEndGone) != 0; }

    // Player and recorder notifications.
    void OnPlayerStopped(std::uint32_t cookie) override;
    void OnPlayerPosition(std::uint32_t cookie, std::int32_t position) override;
    void OnPlayerLevels(const LLevelReport& report, std::uint32_t cookie) override;
    void OnRecorderStopped(std::uint32_t cookie) override;
    void OnRecorderPosition(std::uint32_t cookie, std::int32_t position) override;
    void OnRecorderLevels(const LLevelReport& report, std::uint32_t cookie) override;

    // State, for the program's own checks and for tests.
    HLINE GetLine() const { return line; }
    HCALL GetCall() const { return call; }
    std::uint8_t GetLineStatus() const { return lineStatus; }
    std::uint8_t GetToneStatus() const { return toneStatus; }
    PlayMode GetPlayMode() const { return playMode; }
    RecordMode GetRecordMode() const { return recordMode; }
    PendingRequest GetPendingRequest() const { return pendingRequest; }
    std::uint32_t GetExtraSilence() const { return extraSilence; }

private:
    static void LineCallback(std::uint32_t device, std::uint32_t message, std::uintptr_t instance,
                             std::uintptr_t param1, std::uintptr_t param2, std::uintptr_t param3);
    void OnLineMessage(std::uint32_t device, std::uint32_t message, std::uintptr_t param1,
                       std::uintptr_t param2, std::uintptr_t param3);
    void OnCallState(HCALL messageCall, std::uint32_t state, std::uint32_t privilege);
    void OnRing(HLINE device, std::uint32_t ringCount);
    // The one setter of each state.
    void SetPlayMode(PlayMode mode);
    void SetRecordMode(RecordMode mode);
    void SetPendingRequest(PendingRequest request);
    void Adopt(HCALL newCall);
    std::uint32_t GetCallWaveDevice(const char* deviceClass) const;
    void ReadCallerId();
    void RemoteHangUp();
    // Splits a silence limit between the recorder and the line; returns the recorder's.
    std::int32_t SplitSilence(std::int32_t silenceLimit);
    // Stops a call recording and cuts its last `cut` units (1/10,000 s).
    void StopRecordingAndCut(std::int32_t cut);
    // Stops playing and recording, a call recording losing its last `cut` units.
    void StopAudioCutting(std::int32_t cut);
    std::uint32_t Now() const;

    DeviceClock& clock;
    std::uint8_t toneStatus = 0;
    LSoundPlayer player;
    LSoundRecorder recorder;
    HLINE line = 0;
    HCALL call = 0;
    std::uint32_t waveOutDevice = 0;
    std::uint32_t waveInDevice = 0;
    PlayMode playMode = PlayMode::Idle;
    RecordMode recordMode = RecordMode::Idle;
    std::uint32_t silenceTimerStart;
    std::uint32_t extraSilence = 0;
    std::uint32_t lastDigitsSent = 0;
    bool answered = false;
    std::int32_t lastRequestId = 0;
    PendingRequest pendingRequest = PendingRequest::None;
    std::uint8_t lineStatus = 0;
    MessageObserver messageObserver;
};

// "idle" or "playing"; "idle", "recording the call" or "listening"; "none", "make call", "drop",
// "answer" or "transfer": so that test failures and messages name the line's states.
const char* PlayModeName(LTapiLine::PlayMode mode);
const char* RecordModeName(LTapiLine::RecordMode mode);
const char* PendingRequestName(LTapiLine::PendingRequest request);
std::ostream& operator<<(std::ostream& out, LTapiLine::PlayMode mode);
std::ostream& operator<<(std::ostream& out, LTapiLine::RecordMode mode);
std::ostream& operator<<(std::ostream& out, LTapiLine::PendingRequest request);
