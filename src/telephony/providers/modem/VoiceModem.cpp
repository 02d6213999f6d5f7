// One voice modem as an open line device.
#include "telephony/providers/modem/VoiceModem.h"

#include <algorithm>

#include "telephony/LineProviders.h"
#include "telephony/Tapi.h"

namespace {

// A ring that opens a call reports the call as offered to an active application.
constexpr std::uint32_t kOfferingModeActive = 0x01;
// Commands that time out this many times in a row: the modem is lost, and the port is closed
// (dropping DTR) and opened again.
constexpr int kTimeoutsBeforeLost = 2;

std::uint32_t CallerIdFlags(bool numberSeen, CallerNumber kind, const std::string& number,
                            const std::string& name) {
    std::uint32_t flags = 0;
    if (numberSeen && kind == CallerNumber::Withheld) {
        flags |= LINECALLPARTYID_BLOCKED;
    } else if (numberSeen && kind == CallerNumber::Unavailable) {
        flags |= LINECALLPARTYID_OUTOFAREA;
    }
    if (!number.empty()) {
        flags |= LINECALLPARTYID_ADDRESS;
    }
    if (!name.empty()) {
        flags |= LINECALLPARTYID_NAME;
    }
    return flags != 0 ? flags : LINECALLPARTYID_UNKNOWN;
}

}  // namespace

VoiceModem::VoiceModem(std::unique_ptr<ModemChannel> channel, ModemProfile profile,
                       std::string name, std::shared_ptr<LineEventSink> sink, Reopen reopen)
    : sink(std::move(sink)),
      profile(std::move(profile)),
      reopen(std::move(reopen)),
      clock(channel->Clock()),
      audio(name, channel->Clock()),
      channel(std::move(channel)) {}

VoiceModem::~VoiceModem() {
    {
        std::lock_guard lock(mutex);
        quit = true;
        Poke();
    }
    if (thread.joinable()) {
        thread.join();
    }
    // The line closes on hook: whatever the modem was doing, it hangs up.
    if (channel && state != State::Idle && state != State::Offering) {
        channel->Send(kRecoveryBytes);
        RunCommand(*channel, "H0");
        RunCommand(*channel, "+FCLASS=0");
    }
}

bool VoiceModem::Start() {
    for (const std::string& command : WatchCommands(profile)) {
        if (!RunCommand(*channel, command).Ok()) {
            return false;
        }
    }
    paced = clock.PaceThread();
    thread = std::thread([this] { Run(); });
    return true;
}

void VoiceModem::Poke() {
    poked = true;
    if (channel) {
        channel->Wake();
    } else {
        clock.Notify(lostWait);
    }
}

std::int64_t VoiceModem::NextWake() const {
    std::int64_t wake = commands.Deadline();
    std::int64_t now = clock.Now();
    if (stream != Stream::None) {
        wake = std::min(wake, now + kStreamTickNs);
    }
    if (state == State::Offering) {
        wake = std::min(wake, lastRingNs + kRingGapNs);
    }
    if (state == State::Lost) {
        wake = std::min(wake, nextReopenNs);
    }
    return std::min(wake, generateEndNs);
}

void VoiceModem::Run() {
    DeviceClock::PacedThread pacing = std::move(paced);
    std::unique_lock lock(mutex);
    while (!quit) {
        std::int64_t wake = NextWake();
        std::vector<ModemEvent> events;
        bool alive = true;
        if (ModemChannel* port = channel.get(); port != nullptr && !poked) {
            // A stream's bytes come all the time: they are read at the stream's pace.
            const bool paced = stream != Stream::None;
            lock.unlock();
            alive = port->Receive(wake, events, paced);
            lock.lock();
        } else if (!poked) {
            clock.WaitUntil(lostWait, lock, wake, [this] { return poked.load(); });
        }
        poked = false;
        if (quit) {
            break;
        }
        if (!alive) {
            PortLost();
        }
        for (const ModemEvent& event : events) {
            Handle(event);
        }
        std::int64_t now = clock.Now();
        RunTimers(now);
        if (channel) {
            if (std::optional<ModemBytes> next = commands.Next(now, channel->Stream())) {
                Send(*next);
            }
            Transmit();
        }
        if (!outgoing.empty() && channel) {
            ModemBytes bytes = std::move(outgoing);
            outgoing.clear();
            ModemChannel* port = channel.get();
            lock.unlock();
            alive = port->Send(bytes);
            lock.lock();
            if (!alive) {
                PortLost();
            }
        }
    }
}

void VoiceModem::Send(const ModemBytes& bytes) {
    outgoing.insert(outgoing.end(), bytes.begin(), bytes.end());
}

void VoiceModem::SetState(State newState) {
    state = newState;
}

void VoiceModem::SetStream(Stream newStream) {
    stream = newStream;
}

void VoiceModem::SetCallState(std::uint32_t newState, std::uint32_t detail) {
    callState = newState;
    sink->CallState(call, newState, detail);
}

void VoiceModem::Queue(const std::vector<std::string>& list, std::function<void(bool)> then) {
    if (list.empty()) {
        if (then) {
            then(true);
        }
        return;
    }
    std::vector<std::string> rest(list.begin() + 1, list.end());
    commands.Queue(list.front(), [this, rest, then](const CommandReply& reply) {
        if (!reply.Ok()) {
            if (then) {
                then(false);
            }
            return;
        }
        Queue(rest, then);
    });
}

void VoiceModem::Handle(const ModemEvent& event) {
    if (commands.Take(event)) {
        timeouts = 0;
        return;
    }
    if (const auto* result = std::get_if<ModemResult>(&event);
        result && *result == ModemResult::Ring) {
        Ring();
    } else if (const auto* field = std::get_if<CallerIdField>(&event)) {
        AttachCallerId(*field);
    } else if (const auto* sound = std::get_if<ModemAudio>(&event)) {
        if (stream == Stream::Receive || stream == Stream::Duplex) {
            audio.Received(sound->bytes);
        }
    } else if (const auto* signal = std::get_if<DleEvent>(&event)) {
        HandleSignal(*signal);
    }
}

void VoiceModem::HandleSignal(const DleEvent& event) {
    std::int64_t now = clock.Now();
    bool connected = state == State::Connected;
    switch (event.signal) {
        case ModemSignal::Ring:
            Ring();
            break;
        case ModemSignal::Digit:
            // Some modems bracket a key press and repeat its digit while it is held.
            if (connected && !(inDigitBracket && digitInBracket)) {
                digitInBracket = inDigitBracket;
                sink->DigitDetected(call, static_cast<char>(event.code), LINEDIGITMODE_DTMF);
            }
            break;
        case ModemSignal::Busy:
            if (connected) {
                SetState(State::FarEndGone);
                SetCallState(LINECALLSTATE_BUSY, LINEBUSYMODE_UNKNOWN);
            }
            break;
        case ModemSignal::LoopBreak:
            if (connected) {
                SetState(State::FarEndGone);
                SetCallState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
            }
            break;
        case ModemSignal::DialTone:
            // Some modems report a dial tone now and then that is not there: one needs another.
            if (connected && lastDialToneNs >= 0 && now - lastDialToneNs <= kDialToneRepeatNs) {
                SetState(State::FarEndGone);
                SetCallState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
            }
            lastDialToneNs = now;
            break;
        case ModemSignal::FaxCalling:
            if (connected && !faxReported) {
                faxReported = true;
                sink->MediaDetected(call, LINEMEDIAMODE_G3FAX);
            }
            break;
        case ModemSignal::EndOfStream:
            // The modem left the stream by itself: take it up again.
            if (stream != Stream::Stopping && stream != Stream::None &&
                (state == State::Connected || state == State::FarEndGone)) {
                SetStream(Stream::None);
                StartStream(0, !duplexRefused);
            }
            break;
        case ModemSignal::Unknown:
            if (event.code == '/') {
                inDigitBracket = true;
                digitInBracket = false;
            } else if (event.code == '~') {
                inDigitBracket = false;
            }
            break;
        default:
            break;
    }
}

void VoiceModem::OpenIncomingCall() {
    call = ++lastCall;
    details = LineCallDetails{};
    details.origin = LINECALLORIGIN_INBOUND;
    numberSeen = false;
    numberKind = CallerNumber::Given;
    ringCount = 0;
    lastRingNs = clock.Now();
    faxReported = false;
    SetState(State::Offering);
    SetCallState(LINECALLSTATE_OFFERING, kOfferingModeActive);
}

void VoiceModem::Ring() {
    std::int64_t now = clock.Now();
    if (now < ignoreRingsUntilNs) {
        ignoreRingsUntilNs = now + kRingGapNs;
        return;
    }
    if (state == State::Idle) {
        OpenIncomingCall();
    }
    if (state != State::Offering) {
        return;
    }
    lastRingNs = now;
    sink->LineDevState(LINEDEVSTATE_RINGING, 1, ++ringCount);
}

void VoiceModem::AttachCallerId(const CallerIdField& field) {
    if (clock.Now() < ignoreRingsUntilNs) {
        return;
    }
    if (state == State::Idle) {
        OpenIncomingCall();
    }
    if (state != State::Offering) {
        return;
    }
    lastRingNs = clock.Now();
    if (field.tag == "NMBR") {
        numberSeen = true;
        numberKind = field.number;
        details.callerId = field.number == CallerNumber::Given ? field.value : std::string();
    } else if (field.tag == "NAME" && field.value != "P" && field.value != "O") {
        details.callerIdName = field.value;
    }
}

void VoiceModem::GoOffHook(std::uint32_t requestId) {
    SetState(State::GoingOffHook);
    pendingRequest = requestId;
    Queue(OffHookCommands(profile), [this, requestId](bool ok) {
        if (!ok) {
            FailOffHook(requestId);
            return;
        }
        audio.Begin(profile.format);
        StartStream(requestId, !duplexRefused);
    });
}

void VoiceModem::FailOffHook(std::uint32_t requestId) {
    pendingRequest = 0;
    sink->RequestCompleted(requestId, LINEERR_OPERATIONFAILED);
    Queue(OnHookCommands());
    EndCall();
}

void VoiceModem::StartStream(std::uint32_t requestId, bool duplex) {
    commands.Queue(
        duplex ? "+VTR" : "+VRX",
        [this, requestId, duplex](const CommandReply& reply) {
            if (!channel) {
                return;
            }
            if (!reply.Connected()) {
                channel->Stream().SetMode(ModemStream::Mode::Command);
                if (duplex && reply.result == ModemResult::Error) {
                    duplexRefused = true;
                    StartStream(requestId, false);
                } else if (state == State::GoingOffHook) {
                    FailOffHook(requestId);
                }
                return;
            }
            SetStream(duplex ? Stream::Duplex : Stream::Receive);
            if (state == State::GoingOffHook) {
                SetState(State::Connected);
                pendingRequest = 0;
                sink->RequestCompleted(requestId, 0);
                SetCallState(LINECALLSTATE_CONNECTED, 0);
            }
        },
        true);
}

void VoiceModem::StopStream(bool abort, std::function<void()> then) {
    ModemBytes stop;
    switch (stream) {
        case Stream::None:
        case Stream::Stopping:
            then();
            return;
        case Stream::Receive:
            stop = kStopReceive;
            break;
        case Stream::Transmit:
            stop = abort ? kAbortTransmit : kEndTransmit;
            break;
        case Stream::Duplex:
            stop = kStopDuplex;
            break;
    }
    const bool transmitting = stream == Stream::Transmit;
    SetStream(Stream::Stopping);
    commands.QueueRaw(
        stop,
        [this, then](const CommandReply& reply) {
            SetStream(Stream::None);
            if (!reply.result && channel) {
                Send(kRecoveryBytes);
                channel->Stream().SetMode(ModemStream::Mode::Command);
            }
            then();
        },
        transmitting);
}

void VoiceModem::HangUp(std::uint32_t requestId) {
    SetState(State::HangingUp);
    pendingRequest = requestId;
    StopStream(true, [this, requestId] {
        Queue(OnHookCommands(), [this, requestId](bool) {
            pendingRequest = 0;
            sink->RequestCompleted(requestId, 0);
            EndCall();
        });
    });
}

void VoiceModem::Transmit() {
    bool offHook = state == State::Connected || state == State::FarEndGone;
    std::int64_t now = clock.Now();
    switch (offHook ? stream : Stream::Stopping) {
        case Stream::Duplex:
            Send(audio.TakeTransmit());
            break;
        case Stream::Receive:
            // Half duplex: leave receiving to send what the program plays.
            if (audio.HasTransmit() && commands.Idle()) {
                StopStream(false, [this] {
                    commands.Queue(
                        "+VTX",
                        [this](const CommandReply& reply) {
                            if (reply.Connected()) {
                                SetStream(Stream::Transmit);
                                lastTransmitNs = clock.Now();
                            } else if (channel) {
                                channel->Stream().SetMode(ModemStream::Mode::Command);
                                StartStream(0, false);
                            }
                        },
                        true);
                });
            } else {
                audio.TakeTransmit();  // keeps the timeline at the present
            }
            break;
        case Stream::Transmit:
            if (audio.HasTransmit()) {
                lastTransmitNs = now;
            }
            Send(audio.TakeTransmit());
            if (now - lastTransmitNs > kTransmitIdleNs && commands.Idle()) {
                StopStream(false, [this] { StartStream(0, false); });
            }
            break;
        default:
            break;
    }
}

void VoiceModem::RunTimers(std::int64_t now) {
    if (commands.Expire(now) && channel) {
        if (++timeouts >= kTimeoutsBeforeLost) {
            channel->DropDtr();
            PortLost();
            return;
        }
        Send(kRecoveryBytes);
        Queue({""});
    }
    if (state == State::Offering && now - lastRingNs >= kRingGapNs) {
        SetCallState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER);
        EndCall();
    }
    if (generateEndNs <= now) {
        generateEndNs = INT64_MAX;
        sink->GenerateEnded(call, LINEGENERATETERM_DONE);
    }
    if (state == State::Lost && now >= nextReopenNs) {
        TryReopen(now);
    }
}

void VoiceModem::EndCall() {
    if (call != 0) {
        SetCallState(LINECALLSTATE_IDLE, 0);
        call = 0;
    }
    SetState(State::Idle);
    SetStream(Stream::None);
    audio.End();
    generateEndNs = INT64_MAX;
    lastDialToneNs = -1;
    inDigitBracket = false;
}

void VoiceModem::PortLost() {
    channel.reset();
    commands.Clear();
    outgoing.clear();
    timeouts = 0;
    nextReopenNs = clock.Now() + kReopenIntervalNs;
    if (state == State::Lost) {
        return;  // it came back but would not be set up: looked for again later
    }
    if (pendingRequest != 0) {
        // A drop is done: the modem is gone, and with it the call.
        sink->RequestCompleted(pendingRequest,
                               state == State::HangingUp ? 0 : LINEERR_OPERATIONFAILED);
        pendingRequest = 0;
    }
    // The call ends as if dropped here: what was recorded stays whole.
    EndCall();
    SetState(State::Lost);
    sink->LineDevState(LINEDEVSTATE_OUTOFSERVICE, 0, 0);
}

void VoiceModem::TryReopen(std::int64_t now) {
    nextReopenNs = now + kReopenIntervalNs;
    channel = reopen();
    if (!channel) {
        return;
    }
    std::vector<std::string> setUp{"Z"};
    for (std::string& command : WatchCommands(profile)) {
        setUp.push_back(std::move(command));
    }
    // The line stays lost until the modem is set up again.
    Queue(setUp, [this](bool ok) {
        if (!ok) {
            PortLost();
            return;
        }
        SetState(State::Idle);
        sink->LineDevState(LINEDEVSTATE_INSERVICE, 0, 0);
    });
}

// --- The application's side.

std::vector<ProviderCallId> VoiceModem::Calls() {
    std::lock_guard lock(mutex);
    if (call == 0) {
        return {};
    }
    return {call};
}

std::int32_t VoiceModem::GetCallDetails(ProviderCallId target, LineCallDetails& out) {
    std::lock_guard lock(mutex);
    if (target == 0 || target != call) {
        return LINEERR_INVALCALLHANDLE;
    }
    out = details;
    out.callState = callState;
    if (details.origin == LINECALLORIGIN_INBOUND) {
        out.mediaMode = mediaMode != 0 ? mediaMode : LINEMEDIAMODE_UNKNOWN;
        out.callerIdFlags =
            CallerIdFlags(numberSeen, numberKind, details.callerId, details.callerIdName);
        out.calledIdFlags = LINECALLPARTYID_UNKNOWN;
    } else {
        out.mediaMode = mediaMode != 0 ? mediaMode : LINEMEDIAMODE_AUTOMATEDVOICE;
        out.callerIdFlags = LINECALLPARTYID_UNKNOWN;
        out.calledIdFlags = LINECALLPARTYID_UNKNOWN;
    }
    return 0;
}

std::int32_t VoiceModem::GetDeviceId(ProviderCallId target, std::string_view deviceClass,
                                     std::uint32_t& id) {
    std::lock_guard lock(mutex);
    if (target == 0 || target != call) {
        return LINEERR_INVALCALLHANDLE;
    }
    return WaveDeviceIdOf(deviceClass, audio.WaveDevices(), id);
}

std::int32_t VoiceModem::MakeCall(std::uint32_t requestId, std::string_view address,
                                  ProviderCallId& made) {
    std::lock_guard lock(mutex);
    if (address.empty()) {
        return LINEERR_INVALADDRESS;
    }
    if (address != ",") {
        return LINEERR_OPERATIONUNAVAIL;
    }
    if (state != State::Idle) {
        return state == State::Lost ? LINEERR_RESOURCEUNAVAIL : LINEERR_CALLUNAVAIL;
    }
    made = call = ++lastCall;
    details = LineCallDetails{};
    details.origin = LINECALLORIGIN_OUTBOUND;
    mediaMode = 0;
    faxReported = false;
    GoOffHook(requestId);
    Poke();
    return 0;
}

std::int32_t VoiceModem::Answer(std::uint32_t requestId, ProviderCallId target) {
    std::lock_guard lock(mutex);
    if (target == 0 || target != call || state != State::Offering) {
        return LINEERR_INVALCALLSTATE;
    }
    GoOffHook(requestId);
    Poke();
    return 0;
}

std::int32_t VoiceModem::Drop(std::uint32_t requestId, ProviderCallId target) {
    std::lock_guard lock(mutex);
    if (target == 0 || target != call) {
        return LINEERR_INVALCALLSTATE;
    }
    switch (state) {
        case State::Offering:
            // The call rings on at the exchange until the caller gives up: its rings are not
            // a new call.
            ignoreRingsUntilNs = clock.Now() + kRingGapNs;
            sink->RequestCompleted(requestId, 0);
            EndCall();
            return 0;
        case State::GoingOffHook:
        case State::Connected:
        case State::FarEndGone:
            commands.Clear();
            HangUp(requestId);
            Poke();
            return 0;
        default:
            return LINEERR_INVALCALLSTATE;
    }
}

std::int32_t VoiceModem::GenerateDigits(ProviderCallId target, std::uint32_t digitMode,
                                        std::string_view digits, std::uint32_t duration) {
    std::lock_guard lock(mutex);
    if (target == 0 || target != call || stream == Stream::None) {
        return LINEERR_INVALCALLSTATE;
    }
    if (digitMode != LINEDIGITMODE_DTMF) {
        return LINEERR_INVALDIGITMODE;
    }
    CancelGeneration();
    if (digits.empty()) {
        return 0;
    }
    std::optional<std::vector<LineTone>> tones =
        DtmfSequence(digits, 0, MsToLineFrames(GeneratedMs(duration)));
    if (!tones) {
        return LINEERR_INVALDIGITS;
    }
    for (const LineTone& tone : *tones) {
        generateEndNs = audio.AddTone(tone);
    }
    generateEndNs += static_cast<std::int64_t>(GeneratedMs(duration)) * 1'000'000;
    Poke();
    return 0;
}

std::int32_t VoiceModem::GenerateTone(ProviderCallId target, std::uint32_t toneMode,
                                      std::uint32_t duration) {
    std::lock_guard lock(mutex);
    if (target == 0 || target != call || stream == Stream::None) {
        return LINEERR_INVALCALLSTATE;
    }
    if (toneMode != 0 && toneMode != LINETONEMODE_BEEP) {
        return LINEERR_INVALTONEMODE;
    }
    CancelGeneration();
    if (toneMode == 0) {
        return 0;
    }
    generateEndNs = audio.AddTone(BeepTone(0, MsToLineFrames(GeneratedMs(duration))));
    Poke();
    return 0;
}

void VoiceModem::CancelGeneration() {
    if (generateEndNs == INT64_MAX) {
        return;
    }
    generateEndNs = INT64_MAX;
    audio.CutTones();
    sink->GenerateEnded(call, LINEGENERATETERM_CANCEL);
}

std::int32_t VoiceModem::BlindTransfer(std::uint32_t, ProviderCallId, std::string_view) {
    return LINEERR_OPERATIONUNAVAIL;
}

std::int32_t VoiceModem::Handoff(ProviderCallId, std::uint32_t) {
    return LINEERR_TARGETNOTFOUND;
}

void VoiceModem::Release(ProviderCallId) {}

std::int32_t VoiceModem::SetMediaMode(ProviderCallId target, std::uint32_t mediaModes) {
    std::lock_guard lock(mutex);
    if (target == 0 || target != call) {
        return LINEERR_INVALCALLSTATE;
    }
    mediaMode = mediaModes;
    return 0;
}
