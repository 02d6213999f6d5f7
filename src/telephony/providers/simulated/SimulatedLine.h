// The simulated telephone line: the program's embedded default line and the test bench of every
// call feature. One line device with its own virtual wave devices; a control interface makes
// calls ring, the far party answer, speak, press keys, send a fax tone or hang up, and shows what
// the program sent down the line.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "audio/devices/DeviceClock.h"
#include "audio/devices/VirtualWaveDevice.h"
#include "audio/devices/WaveDevices.h"
#include "audio/dsp/LSoundSource.h"
#include "telephony/LineProvider.h"
#include "telephony/LineTones.h"
#include "telephony/providers/simulated/SimulatedLineAudio.h"

// The state of the line's call as the far end and the exchange see it.
enum class SimulatedCallState {
    Idle,          // no call
    Offering,      // an incoming call rings
    Dialing,       // the program dialled; the far party has not answered
    Connected,     // off hook, the far party on the line
    Busy,          // off hook, busy tone
    Disconnected,  // off hook, the far party hung up
};
const char* SimulatedCallStateName(SimulatedCallState state);
std::ostream& operator<<(std::ostream& out, SimulatedCallState state);

// Caller ID of an incoming call: a number and a name (either may be empty), or one of the
// withheld kinds. A withheld kind may still carry a number, as some networks send one.
struct SimulatedCallerId {
    enum class Kind { Number, Blocked, OutOfArea, Unknown, Unavailable };
    Kind kind = Kind::Number;
    std::string number;
    std::string name;
};

class SimulatedLine : public ClockedDevice, public std::enable_shared_from_this<SimulatedLine> {
public:
    static constexpr char kName[] = "Quillon Simulated Line";
    static constexpr std::uint32_t kMediaModes = 0x0A;  // automated voice and unknown
    static constexpr std::int64_t kDefaultRingInterval = 6'000'000'000;
    // Going on hook after the program drops the call takes this long.
    static constexpr std::int64_t kHangUpTime = 100'000'000;
    // Far-party digits are this far apart; generated digits last this long by default, with
    // the same pause after each.
    static constexpr std::int64_t kDigitSpacing = 200'000'000;
    static constexpr std::uint32_t kDefaultDigitMs = kDefaultGeneratedMs;
    // The fax calling tone is recognised once its first burst has sounded.
    static constexpr std::int64_t kFaxToneDetectTime = 500'000'000;
    // Played audio is placed on the line at most this long after it sounded.
    static constexpr std::int64_t kCaptureSettleTime = 500'000'000;

    // A line paced by `clock` (real time by default; tests give a TestClock).
    static std::shared_ptr<SimulatedLine> Create(DeviceClock& clock = SystemDeviceClock());
    ~SimulatedLine() override;
    SimulatedLine(const SimulatedLine&) = delete;
    SimulatedLine& operator=(const SimulatedLine&) = delete;

    DeviceClock& Clock() const { return clock; }
    // A provider whose one device is this line (a SimulatedLineProvider).
    std::unique_ptr<LineProvider> CreateProvider();
    // The ids of the line's wave devices (what lineGetID reports for "wave/out" and "wave/in").
    int WaveOutputId() const { return registration.OutputId(); }
    int WaveInputId() const { return registration.InputId(); }
    // The wave devices themselves, for a stand-in that carries the line's audio some other way
    // (a modem on a pseudo terminal): what the input generator gives, and what is played.
    VirtualWaveDevice& WaveDevice() const { return *device; }

    // --- What happens on the line. Each returns false when the call is not in a state for it.
    // A new incoming call rings at once and then every ring interval; LINE_LINEDEVSTATE carries
    // the ring count, 1 for the first ring.
    bool Ring(const SimulatedCallerId& callerId);
    void SetRingInterval(std::int64_t nanoseconds);
    // A dialled call is answered.
    bool FarPartyAnswers();
    // The far party hangs up: a ringing call stops and goes idle; a call in progress is
    // disconnected (idle once the program drops it) and the exchange's tone follows.
    bool FarPartyHangsUp();
    // The line reports busy (a dialled or connected call) and carries the busy tone.
    bool FarPartyBusy();
    // The far party presses keys: one digit every kDigitSpacing, each detected as it starts and
    // heard as its DTMF tone.
    bool SendDigits(std::string_view digits);
    // A fax machine calls: its calling tone, detected after its first burst.
    bool SendFaxTone();
    // What the far party says, from when it is set (or from when the far party comes on the
    // line), converted to 8 kHz mono; it ends when the far party leaves. An empty source is
    // silence. The line reads the source on its clock's thread: do not use it elsewhere
    // meanwhile.
    void SetFarPartyAudio(LSoundSourcePtr source);
    bool SetFarPartyAudioFile(const std::string& path);
    // What the near party says on a handset beside the program, heard while the line is off
    // hook.
    void SetNearPartyAudio(LSoundSourcePtr source);
    bool SetNearPartyAudioFile(const std::string& path);

    // --- What can be seen of it.
    SimulatedCallState State() const;
    std::uint32_t RingCount() const;
    bool IsOffHook() const;
    std::string DialledAddress() const;   // of the last call the program made
    std::string TransferAddress() const;  // of the last blind transfer
    std::uint32_t MediaMode() const;      // last set by the program for the call
    // What the program sent down the line while it was last off hook (played audio and
    // generated tones mixed on the call's timeline, silence between), 16-bit 8 kHz mono up to
    // the clock's present, at most its last half minute. The line takes what is played to its
    // output device as 8 kHz mono, the format the telephone line plays.
    std::vector<std::int16_t> Capture();
    // The same, handing it over: the next capture continues where this one ended.
    std::vector<std::int16_t> TakeCapture();
    // The same, less what may still change while the line is off hook: a buffer that is still
    // playing is placed where it began once it has played. `from` is set to the line frame
    // (LineFrameAt) of the first sample.
    std::vector<std::int16_t> TakeSettledCapture(std::int64_t& from);
    // Called after every change of the call state, on the thread that made it (the clock's, or
    // the caller's of a step above) with the line locked: it should only pass the news on.
    void SetStateObserver(std::function<void()> observer);

    std::int64_t Tick(std::int64_t now) override;

private:
    friend class SimulatedLineDevice;

    struct Event {
        std::int64_t time;
        std::uint64_t order;
        std::function<void(std::int64_t time)> run;
    };
    using Sink = std::shared_ptr<LineEventSink>;

    explicit SimulatedLine(DeviceClock& clock);

    // The one setter of the call state: reports it and sets up what the state carries.
    void SetState(SimulatedCallState state, std::uint32_t detail);
    bool FarPartyPresent() const { return state == SimulatedCallState::Connected; }
    // Starts a new call of `callOrigin` (LINECALLORIGIN_); what the last one had goes.
    ProviderCallId NewCall(std::uint32_t callOrigin, const SimulatedCallerId& id);
    // A copy of `field`, read under the lock.
    template <class T>
    T Locked(const T& field) const {
        std::lock_guard lock(mutex);
        return field;
    }
    bool SetAudioFile(const std::string& path, void (SimulatedLine::*set)(LSoundSourcePtr));
    // Takes the capture when `takenFrom` is given, up to `holdBack` before the present.
    std::vector<std::int16_t> ReadCapture(std::int64_t* takenFrom, std::int64_t holdBack);
    void Report(const std::function<void(LineEventSink&)>& report);
    void Schedule(std::int64_t time, std::function<void(std::int64_t time)> run);
    void RunDue(std::int64_t now);
    void RingOnce(ProviderCallId ringing, std::int64_t time);
    void CancelGeneration(bool report);
    std::int32_t StartGeneration(ProviderCallId generating, const std::vector<LineTone>& tones,
                                 std::int64_t end);
    // The wave input device's generator: a buffer of the line's audio that began at `start`.
    void GenerateInput(std::int16_t* samples, std::int32_t frames, const WavePcmFormat& format,
                       std::int64_t start);

    // Called by the open lines of the provider (the application's thread).
    void Attach(const Sink& sink);
    void Detach(const Sink& sink);
    std::int32_t MakeCall(const Sink& sink, std::uint32_t requestId, std::string_view address,
                          ProviderCallId& call);
    std::int32_t Answer(const Sink& sink, std::uint32_t requestId, ProviderCallId call);
    std::int32_t Drop(const Sink& sink, std::uint32_t requestId, ProviderCallId call);
    std::int32_t BlindTransfer(const Sink& sink, std::uint32_t requestId, ProviderCallId call,
                               std::string_view destination);
    std::int32_t GenerateDigits(ProviderCallId call, std::uint32_t digitMode,
                                std::string_view digits, std::uint32_t duration);
    std::int32_t GenerateTone(ProviderCallId call, std::uint32_t toneMode, std::uint32_t duration);
    std::int32_t SetMediaMode(ProviderCallId call, std::uint32_t mediaModes);
    std::int32_t GetCallDetails(ProviderCallId call, LineCallDetails& details);
    std::int32_t GetDeviceId(ProviderCallId call, std::string_view deviceClass, std::uint32_t& id);
    std::vector<ProviderCallId> Calls();

    DeviceClock& clock;
    std::shared_ptr<VirtualWaveDevice> device;
    WaveDeviceRegistration registration;

    mutable std::mutex mutex;  // everything below; taken after the wave device's own lock
    std::vector<Sink> sinks;
    std::function<void()> stateObserver;
    std::vector<Event> events;
    std::uint64_t eventOrder = 0;
    std::int64_t ringInterval = kDefaultRingInterval;

    SimulatedCallState state = SimulatedCallState::Idle;
    ProviderCallId call = 0;  // the current or last call
    std::uint32_t ringCount = 0;
    std::uint32_t origin = 0;
    SimulatedCallerId callerId;
    std::string dialled;
    std::string transfer;
    std::uint32_t mediaMode = 0;
    SimulatedLineAudio audio;
    std::uint64_t generations = 0;
    std::uint64_t generation = 0;  // the digits or tone being generated; 0: none
};
