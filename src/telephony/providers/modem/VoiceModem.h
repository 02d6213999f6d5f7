// One voice modem as an open line device: a thread of its own reads the port, runs the commands
// one at a time, and turns rings, caller ID, DLE events and the voice streams into the line's
// reports; the application's thread asks for calls to be answered, taken and dropped.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "telephony/LineProvider.h"
#include "telephony/providers/modem/ModemCallAudio.h"
#include "telephony/providers/modem/ModemChannel.h"
#include "telephony/providers/modem/ModemCommands.h"
#include "telephony/providers/modem/ModemProbe.h"

class VoiceModem : public LineDevice {
public:
    // No ring for this long: the caller gave up.
    static constexpr std::int64_t kRingGapNs = 8'000'000'000;
    // A lost port is looked for again this often.
    static constexpr std::int64_t kReopenIntervalNs = 2'000'000'000;
    // While streaming the thread reads and sends at this pace: a key pressed waits no longer.
    static constexpr std::int64_t kStreamTickNs = 18'000'000;
    // A dial tone is reported every 3 s while it sounds: two reports this close together mean
    // the far end is gone; further apart, they are the false ones some modems make.
    static constexpr std::int64_t kDialToneRepeatNs = 3'500'000'000;
    // In half duplex, transmitting ends once nothing was sent for this long.
    static constexpr std::int64_t kTransmitIdleNs = 300'000'000;

    // Opens the port again after it was lost; null while it is missing.
    using Reopen = std::function<std::unique_ptr<ModemChannel>()>;

    VoiceModem(std::unique_ptr<ModemChannel> channel, ModemProfile profile, std::string name,
               std::shared_ptr<LineEventSink> sink, Reopen reopen);
    // Hangs up and stops the thread; no report reaches the sink after it.
    ~VoiceModem() override;
    VoiceModem(const VoiceModem&) = delete;
    VoiceModem& operator=(const VoiceModem&) = delete;

    // Sets the modem up for watching the line and starts the thread; false when it does not
    // answer.
    bool Start();

    std::vector<ProviderCallId> Calls() override;
    std::int32_t GetCallDetails(ProviderCallId call, LineCallDetails& details) override;
    std::int32_t GetDeviceId(ProviderCallId call, std::string_view deviceClass,
                             std::uint32_t& id) override;
    // The modem takes the line beside a telephone already in a call (the address ","); it
    // does not dial.
    std::int32_t MakeCall(std::uint32_t requestId, std::string_view address,
                          ProviderCallId& call) override;
    std::int32_t Answer(std::uint32_t requestId, ProviderCallId call) override;
    std::int32_t Drop(std::uint32_t requestId, ProviderCallId call) override;
    // A modem cannot pass a call on.
    std::int32_t BlindTransfer(std::uint32_t requestId, ProviderCallId call,
                               std::string_view destination) override;
    std::int32_t GenerateDigits(ProviderCallId call, std::uint32_t digitMode,
                                std::string_view digits, std::uint32_t duration) override;
    std::int32_t GenerateTone(ProviderCallId call, std::uint32_t toneMode,
                              std::uint32_t duration) override;
    std::int32_t SetMediaMode(ProviderCallId call, std::uint32_t mediaModes) override;
    // No fax program runs beside this one to take a call over.
    std::int32_t Handoff(ProviderCallId call, std::uint32_t mediaMode) override;
    void Release(ProviderCallId call) override;

    // The state of the line as the modem sees it.
    enum class State {
        Idle,      // on hook, watching for rings and caller ID
        Offering,  // a call rings
        GoingOffHook,
        Connected,   // off hook, audio flowing
        FarEndGone,  // off hook, the far end hung up: waiting for the drop
        HangingUp,
        Lost,  // the port is gone; looked for again
    };
    // The voice stream the modem is in.
    enum class Stream { None, Receive, Transmit, Duplex, Stopping };

private:
    void Run();
    // Everything below runs with the lock held.
    void SetState(State newState);
    void SetStream(Stream newStream);
    void SetCallState(std::uint32_t callState, std::uint32_t detail);
    void Handle(const ModemEvent& event);
    void HandleSignal(const DleEvent& event);
    void Ring();
    void OpenIncomingCall();
    void AttachCallerId(const CallerIdField& field);
    void GoOffHook(std::uint32_t requestId);
    void FailOffHook(std::uint32_t requestId);
    // Starts receiving or, when `duplex`, receiving and sending; completes `requestId` (0: none)
    // once the line is taken.
    void StartStream(std::uint32_t requestId, bool duplex);
    void HangUp(std::uint32_t requestId);
    // Ends the stream (dropping unsent audio when `abort`), then runs `then`.
    void StopStream(bool abort, std::function<void()> then);
    void Transmit();
    void CancelGeneration();
    void RunTimers(std::int64_t now);
    void EndCall();
    void PortLost();
    void TryReopen(std::int64_t now);
    void Queue(const std::vector<std::string>& commands, std::function<void(bool ok)> then = {});
    void Send(const ModemBytes& bytes);
    std::int64_t NextWake() const;
    // Runs the thread's turn now (the application's thread asked for something).
    void Poke();

    std::shared_ptr<LineEventSink> sink;
    ModemProfile profile;
    Reopen reopen;
    DeviceClock& clock;
    ModemCallAudio audio;

    std::mutex mutex;                  // everything below
    std::condition_variable lostWait;  // the thread's wait while there is no port
    std::unique_ptr<ModemChannel> channel;
    ModemCommands commands;
    ModemBytes outgoing;
    State state = State::Idle;
    Stream stream = Stream::None;
    bool duplexRefused = false;
    bool quit = false;
    int timeouts = 0;                  // commands unanswered in a row
    std::uint32_t pendingRequest = 0;  // the answer, off-hook or drop under way

    ProviderCallId call = 0;  // the current call; 0: none
    ProviderCallId lastCall = 0;
    std::uint32_t callState = 0;
    LineCallDetails details;
    bool numberSeen = false;  // a caller ID number field came, perhaps saying why there is none
    CallerNumber numberKind = CallerNumber::Given;
    std::uint32_t mediaMode = 0;
    std::uint32_t ringCount = 0;
    std::int64_t lastRingNs = 0;
    std::int64_t ignoreRingsUntilNs = 0;  // a ringing call the program dropped rings on
    std::int64_t lastDialToneNs = -1;
    bool faxReported = false;
    bool inDigitBracket = false;
    bool digitInBracket = false;
    std::int64_t generateEndNs = INT64_MAX;  // when the digits or tone being generated end
    std::int64_t lastTransmitNs = 0;
    std::int64_t nextReopenNs = 0;

    std::atomic<bool> poked{false};
    DeviceClock::PacedThread paced;
    std::thread thread;
};
