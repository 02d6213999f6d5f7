// The simulated telephone line: the call states as the far end and the exchange move them, rings
// and keys on the line's clock, and the requests of the program's open lines.
#include "telephony/providers/simulated/SimulatedLine.h"

#include <algorithm>
#include <climits>
#include <ostream>

#include "audio/files/WaveReaders.h"
#include "telephony/LineProviders.h"
#include "telephony/Tapi.h"
#include "telephony/providers/simulated/SimulatedLineProvider.h"

namespace {

// While off hook the line looks at what was played at least this often.
constexpr std::int64_t kCaptureTick = 250'000'000;
constexpr std::uint32_t kOfferingModeActive = 0x01;

std::uint32_t TapiCallState(SimulatedCallState state) {
    switch (state) {
        case SimulatedCallState::Idle:
            return LINECALLSTATE_IDLE;
        case SimulatedCallState::Offering:
            return LINECALLSTATE_OFFERING;
        case SimulatedCallState::Dialing:
            return LINECALLSTATE_DIALING;
        case SimulatedCallState::Connected:
            return LINECALLSTATE_CONNECTED;
        case SimulatedCallState::Busy:
            return LINECALLSTATE_BUSY;
        case SimulatedCallState::Disconnected:
            return LINECALLSTATE_DISCONNECTED;
    }
    return 0;
}

std::uint32_t CallerIdFlags(const SimulatedCallerId& id) {
    std::uint32_t flags = 0;
    switch (id.kind) {
        case SimulatedCallerId::Kind::Number:
            break;
        case SimulatedCallerId::Kind::Blocked:
            flags = LINECALLPARTYID_BLOCKED;
            break;
        case SimulatedCallerId::Kind::OutOfArea:
            flags = LINECALLPARTYID_OUTOFAREA;
            break;
        case SimulatedCallerId::Kind::Unknown:
            flags = LINECALLPARTYID_UNKNOWN;
            break;
        case SimulatedCallerId::Kind::Unavailable:
            flags = LINECALLPARTYID_UNAVAIL;
            break;
    }
    if (!id.number.empty()) {
        flags |= LINECALLPARTYID_ADDRESS;
    }
    if (!id.name.empty()) {
        flags |= LINECALLPARTYID_NAME;
    }
    return flags != 0 ? flags : LINECALLPARTYID_UNKNOWN;
}

std::int64_t MsToNs(std::uint32_t ms) {
    return static_cast<std::int64_t>(ms) * 1'000'000;
}

}  // namespace

const char* SimulatedCallStateName(SimulatedCallState state) {
    switch (state) {
        case SimulatedCallState::Idle:
            return "idle";
        case SimulatedCallState::Offering:
            return "offering";
        case SimulatedCallState::Dialing:
            return "dialing";
        case SimulatedCallState::Connected:
            return "connected";
        case SimulatedCallState::Busy:
            return "busy";
        case SimulatedCallState::Disconnected:
            return "disconnected";
    }
    return "?";
}

std::ostream& operator<<(std::ostream& out, SimulatedCallState state) {
    return out << SimulatedCallStateName(state);
}

std::shared_ptr<SimulatedLine> SimulatedLine::Create(DeviceClock& clock) {
    std::shared_ptr<SimulatedLine> line(new SimulatedLine(clock));
    // The generator is removed before the line goes, under the device's lock.
    line->device->SetInputGenerator([raw = line.get()](std::int16_t* samples, std::int32_t frames,
                                                       const WavePcmFormat& format,
                                                       std::int64_t start) {
        raw->GenerateInput(samples, frames, format, start);
    });
    clock.Attach(line);
    return line;
}

SimulatedLine::SimulatedLine(DeviceClock& lineClock)
    : clock(lineClock),
      device(std::make_shared<VirtualWaveDevice>(kName, lineClock)),
      registration(device) {}

SimulatedLine::~SimulatedLine() {
    device->SetInputGenerator(nullptr);
    clock.Detach(this);
}

std::unique_ptr<LineProvider> SimulatedLine::CreateProvider() {
    return std::make_unique<SimulatedLineProvider>(shared_from_this());
}

ProviderCallId SimulatedLine::NewCall(std::uint32_t callOrigin, const SimulatedCallerId& id) {
    origin = callOrigin;
    callerId = id;
    ringCount = 0;
    mediaMode = 0;
    return ++call;
}

void SimulatedLine::Report(const std::function<void(LineEventSink&)>& report) {
    for (const Sink& sink : sinks) {
        report(*sink);
    }
}

void SimulatedLine::Schedule(std::int64_t time, std::function<void(std::int64_t)> run) {
    events.push_back(Event{time, eventOrder++, std::move(run)});
    clock.Wake();
}

void SimulatedLine::RunDue(std::int64_t now) {
    for (;;) {
        auto due =
            std::min_element(events.begin(), events.end(), [](const Event& a, const Event& b) {
                return a.time != b.time ? a.time < b.time : a.order < b.order;
            });
        if (due == events.end() || due->time > now) {
            return;
        }
        Event event = std::move(*due);
        events.erase(due);
        event.run(event.time);
    }
}

void SimulatedLine::SetState(SimulatedCallState newState, std::uint32_t detail) {
    std::int64_t frame = LineFrameAt(clock.Now());
    state = newState;
    switch (newState) {
        case SimulatedCallState::Idle:
            CancelGeneration(false);
            audio.GoOnHook(frame);
            break;
        case SimulatedCallState::Offering:
            break;
        case SimulatedCallState::Dialing:
            audio.GoOffHook(frame);
            break;
        case SimulatedCallState::Connected:
            audio.GoOffHook(frame);
            audio.FarPartyComesOn(frame);
            break;
        case SimulatedCallState::Busy:
            audio.FarPartyLeaves(frame, BusyTone(frame, INT64_MAX));
            break;
        case SimulatedCallState::Disconnected:
            audio.FarPartyLeaves(frame, DisconnectTone(frame, INT64_MAX));
            break;
    }
    ProviderCallId current = call;
    std::uint32_t tapiState = TapiCallState(newState);
    Report([&](LineEventSink& sink) { sink.CallState(current, tapiState, detail); });
    if (stateObserver) {
        stateObserver();
    }
}

void SimulatedLine::SetStateObserver(std::function<void()> observer) {
    std::lock_guard lock(mutex);
    stateObserver = std::move(observer);
}

void SimulatedLine::RingOnce(ProviderCallId ringing, std::int64_t time) {
    if (call != ringing || state != SimulatedCallState::Offering) {
        return;
    }
    std::uint32_t count = ++ringCount;
    Report([&](LineEventSink& sink) { sink.LineDevState(LINEDEVSTATE_RINGING, 1, count); });
    Schedule(time + ringInterval, [this, ringing](std::int64_t next) { RingOnce(ringing, next); });
}

bool SimulatedLine::Ring(const SimulatedCallerId& newCallerId) {
    std::lock_guard lock(mutex);
    if (state != SimulatedCallState::Idle) {
        return false;
    }
    ProviderCallId ringing = NewCall(LINECALLORIGIN_INBOUND, newCallerId);
    SetState(SimulatedCallState::Offering, kOfferingModeActive);
    RingOnce(ringing, clock.Now());
    return true;
}

void SimulatedLine::SetRingInterval(std::int64_t nanoseconds) {
    std::lock_guard lock(mutex);
    ringInterval = std::max<std::int64_t>(nanoseconds, 1);
}

bool SimulatedLine::FarPartyAnswers() {
    std::lock_guard lock(mutex);
    if (state != SimulatedCallState::Dialing) {
        return false;
    }
    SetState(SimulatedCallState::Connected, 0);
    return true;
}

bool SimulatedLine::FarPartyHangsUp() {
    std::lock_guard lock(mutex);
    if (state == SimulatedCallState::Offering) {
        // The caller gave up before anyone answered: the call is gone.
        SetState(SimulatedCallState::Disconnected, LINEDISCONNECTMODE_NOANSWER);
        SetState(SimulatedCallState::Idle, 0);
        return true;
    }
    if (state != SimulatedCallState::Connected) {
        return false;
    }
    SetState(SimulatedCallState::Disconnected, LINEDISCONNECTMODE_NORMAL);
    return true;
}

bool SimulatedLine::FarPartyBusy() {
    std::lock_guard lock(mutex);
    if (state != SimulatedCallState::Dialing && state != SimulatedCallState::Connected) {
        return false;
    }
    SetState(SimulatedCallState::Busy, LINEBUSYMODE_UNKNOWN);
    return true;
}

bool SimulatedLine::SendDigits(std::string_view digits) {
    std::lock_guard lock(mutex);
    if (state != SimulatedCallState::Connected || digits.empty() ||
        !std::all_of(digits.begin(), digits.end(),
                     [](char digit) { return DtmfTone(digit, 0, 1).has_value(); })) {
        return false;
    }
    std::int64_t now = clock.Now();
    ProviderCallId pressing = call;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        char digit = digits[i];
        Schedule(now + static_cast<std::int64_t>(i) * kDigitSpacing, [this, pressing,
                                                                      digit](std::int64_t time) {
            if (call != pressing || state != SimulatedCallState::Connected) {
                return;
            }
            audio.AddLineTone(*DtmfTone(digit, LineFrameAt(time), MsToLineFrames(kDefaultDigitMs)));
            Report([&](LineEventSink& sink) {
                sink.DigitDetected(pressing, digit, LINEDIGITMODE_DTMF);
            });
        });
    }
    RunDue(now);
    return true;
}

bool SimulatedLine::SendFaxTone() {
    std::lock_guard lock(mutex);
    if (state != SimulatedCallState::Connected) {
        return false;
    }
    std::int64_t now = clock.Now();
    audio.AddLineTone(FaxCallingTone(LineFrameAt(now), INT64_MAX));
    ProviderCallId faxing = call;
    Schedule(now + kFaxToneDetectTime, [this, faxing](std::int64_t) {
        if (call == faxing && state == SimulatedCallState::Connected) {
            Report([&](LineEventSink& sink) { sink.MediaDetected(faxing, LINEMEDIAMODE_G3FAX); });
        }
    });
    return true;
}

void SimulatedLine::SetFarPartyAudio(LSoundSourcePtr source) {
    std::lock_guard lock(mutex);
    audio.SetFarParty(std::move(source), FarPartyPresent() ? LineFrameAt(clock.Now()) : -1);
}

bool SimulatedLine::SetFarPartyAudioFile(const std::string& path) {
    return SetAudioFile(path, &SimulatedLine::SetFarPartyAudio);
}

void SimulatedLine::SetNearPartyAudio(LSoundSourcePtr source) {
    std::lock_guard lock(mutex);
    audio.SetNearParty(std::move(source), audio.IsOffHook() ? LineFrameAt(clock.Now()) : -1);
}

bool SimulatedLine::SetNearPartyAudioFile(const std::string& path) {
    return SetAudioFile(path, &SimulatedLine::SetNearPartyAudio);
}

bool SimulatedLine::SetAudioFile(const std::string& path,
                                 void (SimulatedLine::*set)(LSoundSourcePtr)) {
    LSoundSourcePtr source = OpenWaveFile(path);
    if (!source || source->IsInvalid()) {
        return false;
    }
    (this->*set)(std::move(source));
    return true;
}

SimulatedCallState SimulatedLine::State() const {
    return Locked(state);
}

std::uint32_t SimulatedLine::RingCount() const {
    return Locked(ringCount);
}

bool SimulatedLine::IsOffHook() const {
    std::lock_guard lock(mutex);
    return audio.IsOffHook();
}

std::string SimulatedLine::DialledAddress() const {
    return Locked(dialled);
}

std::string SimulatedLine::TransferAddress() const {
    return Locked(transfer);
}

std::uint32_t SimulatedLine::MediaMode() const {
    return Locked(mediaMode);
}

std::vector<std::int16_t> SimulatedLine::Capture() {
    return ReadCapture(nullptr, 0);
}

std::vector<std::int16_t> SimulatedLine::TakeCapture() {
    std::int64_t from = 0;
    return ReadCapture(&from, 0);
}

std::vector<std::int16_t> SimulatedLine::TakeSettledCapture(std::int64_t& from) {
    return ReadCapture(&from, kCaptureSettleTime);
}

std::vector<std::int16_t> SimulatedLine::ReadCapture(std::int64_t* takenFrom,
                                                     std::int64_t holdBack) {
    std::vector<VirtualWaveDevice::PlayedAudio> played = device->TakePlayed();
    std::lock_guard lock(mutex);
    std::int64_t now = clock.Now();
    audio.AddPlayed(LineFrameAt(now), played);
    if (!takenFrom) {
        return audio.Capture(LineFrameAt(now));
    }
    std::int64_t upTo = audio.IsOffHook() ? LineFrameAt(now - holdBack) : LineFrameAt(now);
    return audio.TakeCapture(upTo, *takenFrom);
}

void SimulatedLine::CancelGeneration(bool report) {
    if (generation == 0) {
        return;
    }
    generation = 0;
    audio.CutGeneratedTones(LineFrameAt(clock.Now()));
    if (report) {
        ProviderCallId generating = call;
        Report(
            [&](LineEventSink& sink) { sink.GenerateEnded(generating, LINEGENERATETERM_CANCEL); });
    }
}

std::int32_t SimulatedLine::StartGeneration(ProviderCallId generating,
                                            const std::vector<LineTone>& tones, std::int64_t end) {
    CancelGeneration(true);
    audio.AddGeneratedTones(tones, LineFrameAt(clock.Now()));
    std::uint64_t id = generation = ++generations;
    Schedule(end, [this, generating, id](std::int64_t) {
        if (generation != id) {
            return;
        }
        generation = 0;
        Report([&](LineEventSink& sink) { sink.GenerateEnded(generating, LINEGENERATETERM_DONE); });
    });
    return 0;
}

void SimulatedLine::GenerateInput(std::int16_t* samples, std::int32_t frames,
                                  const WavePcmFormat& format, std::int64_t start) {
    std::lock_guard lock(mutex);
    audio.FillInput(samples, frames, format, LineFrameAt(start));
}

std::int64_t SimulatedLine::Tick(std::int64_t now) {
    std::vector<VirtualWaveDevice::PlayedAudio> played = device->TakePlayed();
    std::lock_guard lock(mutex);
    audio.AddPlayed(LineFrameAt(now), played);
    RunDue(now);
    audio.ForgetOldLineTones(LineFrameAt(now));
    std::int64_t next = audio.IsOffHook() ? now + kCaptureTick : INT64_MAX;
    for (const Event& event : events) {
        next = std::min(next, event.time);
    }
    return next;
}

void SimulatedLine::Attach(const Sink& sink) {
    std::lock_guard lock(mutex);
    sinks.push_back(sink);
}

void SimulatedLine::Detach(const Sink& sink) {
    std::lock_guard lock(mutex);
    std::erase(sinks, sink);
}

std::int32_t SimulatedLine::MakeCall(const Sink& sink, std::uint32_t requestId,
                                     std::string_view address, ProviderCallId& made) {
    std::lock_guard lock(mutex);
    if (address.empty()) {
        return LINEERR_INVALADDRESS;
    }
    if (state != SimulatedCallState::Idle) {
        return LINEERR_CALLUNAVAIL;
    }
    made = NewCall(LINECALLORIGIN_OUTBOUND, {});
    dialled = address;
    sink->RequestCompleted(requestId, 0);
    // A lone dialling pause only takes the line off hook, beside a handset already in a call.
    SetState(address == "," ? SimulatedCallState::Connected : SimulatedCallState::Dialing, 0);
    return 0;
}

std::int32_t SimulatedLine::Answer(const Sink& sink, std::uint32_t requestId,
                                   ProviderCallId answering) {
    std::lock_guard lock(mutex);
    if (answering != call || state != SimulatedCallState::Offering) {
        return LINEERR_INVALCALLSTATE;
    }
    sink->RequestCompleted(requestId, 0);
    SetState(SimulatedCallState::Connected, 0);
    return 0;
}

std::int32_t SimulatedLine::Drop(const Sink& sink, std::uint32_t requestId, ProviderCallId target) {
    std::lock_guard lock(mutex);
    if (target != call || state == SimulatedCallState::Idle) {
        return LINEERR_INVALCALLSTATE;
    }
    Schedule(clock.Now() + kHangUpTime, [this, sink, requestId, target](std::int64_t) {
        sink->RequestCompleted(requestId, 0);
        if (call == target && state != SimulatedCallState::Idle) {
            SetState(SimulatedCallState::Idle, 0);
        }
    });
    return 0;
}

std::int32_t SimulatedLine::BlindTransfer(const Sink& sink, std::uint32_t requestId,
                                          ProviderCallId transferring,
                                          std::string_view destination) {
    std::lock_guard lock(mutex);
    if (transferring != call || state != SimulatedCallState::Connected) {
        return LINEERR_INVALCALLSTATE;
    }
    if (destination.empty()) {
        return LINEERR_INVALADDRESS;
    }
    transfer = destination;
    sink->RequestCompleted(requestId, 0);
    // The far party is passed on; the line is free again.
    SetState(SimulatedCallState::Idle, 0);
    return 0;
}

std::int32_t SimulatedLine::GenerateDigits(ProviderCallId generating, std::uint32_t digitMode,
                                           std::string_view digits, std::uint32_t duration) {
    std::lock_guard lock(mutex);
    if (generating != call || !audio.IsOffHook()) {
        return LINEERR_INVALCALLSTATE;
    }
    if (digitMode != LINEDIGITMODE_DTMF) {
        return LINEERR_INVALDIGITMODE;
    }
    if (digits.empty()) {
        CancelGeneration(true);
        return 0;
    }
    std::uint32_t ms = GeneratedMs(duration);
    std::int32_t frames = MsToLineFrames(ms);
    std::int64_t now = clock.Now();
    std::optional<std::vector<LineTone>> tones = DtmfSequence(digits, LineFrameAt(now), frames);
    if (!tones) {
        return LINEERR_INVALDIGITS;
    }
    return StartGeneration(generating, *tones,
                           now + 2 * MsToNs(ms) * static_cast<std::int64_t>(digits.size()));
}

std::int32_t SimulatedLine::GenerateTone(ProviderCallId generating, std::uint32_t toneMode,
                                         std::uint32_t duration) {
    std::lock_guard lock(mutex);
    if (generating != call || !audio.IsOffHook()) {
        return LINEERR_INVALCALLSTATE;
    }
    if (toneMode == 0) {
        CancelGeneration(true);
        return 0;
    }
    if (toneMode != LINETONEMODE_BEEP) {
        return LINEERR_INVALTONEMODE;
    }
    std::uint32_t ms = GeneratedMs(duration);
    std::int64_t now = clock.Now();
    return StartGeneration(generating, {BeepTone(LineFrameAt(now), MsToLineFrames(ms))},
                           now + MsToNs(ms));
}

std::int32_t SimulatedLine::SetMediaMode(ProviderCallId target, std::uint32_t mediaModes) {
    std::lock_guard lock(mutex);
    if (target != call || state == SimulatedCallState::Idle) {
        return LINEERR_INVALCALLSTATE;
    }
    mediaMode = mediaModes;
    return 0;
}

std::int32_t SimulatedLine::GetCallDetails(ProviderCallId target, LineCallDetails& details) {
    std::lock_guard lock(mutex);
    if (target != call || call == 0) {
        return LINEERR_INVALCALLHANDLE;
    }
    details.origin = origin;
    details.callState = TapiCallState(state);
    if (origin == LINECALLORIGIN_INBOUND) {
        details.mediaMode = mediaMode != 0 ? mediaMode : LINEMEDIAMODE_UNKNOWN;
        details.callerIdFlags = CallerIdFlags(callerId);
        details.callerId = callerId.number;
        details.callerIdName = callerId.name;
        details.calledIdFlags = LINECALLPARTYID_UNKNOWN;
    } else {
        details.mediaMode = mediaMode != 0 ? mediaMode : LINEMEDIAMODE_AUTOMATEDVOICE;
        details.callerIdFlags = LINECALLPARTYID_UNKNOWN;
        details.calledIdFlags = LINECALLPARTYID_ADDRESS;
        details.calledId = dialled;
    }
    return 0;
}

std::int32_t SimulatedLine::GetDeviceId(ProviderCallId target, std::string_view deviceClass,
                                        std::uint32_t& id) {
    std::lock_guard lock(mutex);
    if (target != call || call == 0) {
        return LINEERR_INVALCALLHANDLE;
    }
    return WaveDeviceIdOf(deviceClass, registration, id);
}

std::vector<ProviderCallId> SimulatedLine::Calls() {
    std::lock_guard lock(mutex);
    if (state == SimulatedCallState::Idle) {
        return {};
    }
    return {call};
}
