// The simulated telephone line: call states, rings, the parties' audio and what the program
// sends down the line, all on the line's clock.
#include "telephony/providers/simulated/SimulatedLine.h"

#include <algorithm>
#include <climits>

#include "audio/dsp/LChannelsProcess.h"
#include "audio/dsp/LResampler.h"
#include "audio/files/WaveReaders.h"
#include "base/AsciiText.h"
#include "telephony/Tapi.h"

namespace {

// Audio that arrives this close to where earlier audio ended continues it without a gap.
constexpr std::int64_t kGapFrames = kLineRate / 50;
// While off hook the line looks at what was played at least this often.
constexpr std::int64_t kCaptureTick = 20'000'000;
constexpr std::uint32_t kOfferingModeActive = 0x01;

std::int16_t Saturate(std::int32_t value) {
    return static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
}

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

// An open instance of the simulated line, as its provider hands it to the line-device layer.
class SimulatedLineDevice : public LineDevice {
public:
    SimulatedLineDevice(std::shared_ptr<SimulatedLine> line, std::shared_ptr<LineEventSink> sink)
        : line(std::move(line)), sink(std::move(sink)) {
        this->line->Attach(this->sink);
    }
    ~SimulatedLineDevice() override { line->Detach(sink); }

    std::vector<ProviderCallId> Calls() override { return line->Calls(); }
    std::int32_t GetCallDetails(ProviderCallId call, LineCallDetails& details) override {
        return line->GetCallDetails(call, details);
    }
    std::int32_t GetDeviceId(ProviderCallId call, std::string_view deviceClass,
                             std::uint32_t& id) override {
        return line->GetDeviceId(call, deviceClass, id);
    }
    std::int32_t MakeCall(std::uint32_t requestId, std::string_view address,
                          ProviderCallId& call) override {
        return line->MakeCall(sink, requestId, address, call);
    }
    std::int32_t Answer(std::uint32_t requestId, ProviderCallId call) override {
        return line->Answer(sink, requestId, call);
    }
    std::int32_t Drop(std::uint32_t requestId, ProviderCallId call) override {
        return line->Drop(sink, requestId, call);
    }
    std::int32_t BlindTransfer(std::uint32_t requestId, ProviderCallId call,
                               std::string_view destination) override {
        return line->BlindTransfer(sink, requestId, call, destination);
    }
    std::int32_t GenerateDigits(ProviderCallId call, std::uint32_t digitMode,
                                std::string_view digits, std::uint32_t duration) override {
        return line->GenerateDigits(call, digitMode, digits, duration);
    }
    std::int32_t GenerateTone(ProviderCallId call, std::uint32_t toneMode,
                              std::uint32_t duration) override {
        return line->GenerateTone(call, toneMode, duration);
    }
    std::int32_t SetMediaMode(ProviderCallId call, std::uint32_t mediaModes) override {
        return line->SetMediaMode(call, mediaModes);
    }
    // No other telephony program runs beside this one to take a call over.
    std::int32_t Handoff(ProviderCallId, std::uint32_t) override { return LINEERR_TARGETNOTFOUND; }
    void Release(ProviderCallId) override {}

private:
    std::shared_ptr<SimulatedLine> line;
    std::shared_ptr<LineEventSink> sink;
};

namespace {

class SimulatedLineProvider : public LineProvider {
public:
    explicit SimulatedLineProvider(std::shared_ptr<SimulatedLine> line) : line(std::move(line)) {}

    std::vector<LineDeviceCaps> Devices() override {
        return {{SimulatedLine::kName, SimulatedLine::kMediaModes}};
    }
    std::int32_t Open(std::size_t index, std::uint32_t, std::uint32_t,
                      std::shared_ptr<LineEventSink> sink,
                      std::unique_ptr<LineDevice>& device) override {
        if (index != 0) {
            return LINEERR_BADDEVICEID;
        }
        device = std::make_unique<SimulatedLineDevice>(line, std::move(sink));
        return 0;
    }
    // The line has nothing to configure.
    std::int32_t ConfigDialog(std::size_t index, std::string_view) override {
        return index == 0 ? 0 : LINEERR_BADDEVICEID;
    }

private:
    std::shared_ptr<SimulatedLine> line;
};

}  // namespace

void SimulatedLine::TimedAudio::Set(LSoundSourcePtr newSource, std::int64_t start) {
    if (newSource) {
        LChannelsProcess(1).Create(newSource, newSource);
        LSampleRateProcess(kLineRate).Create(newSource, newSource);
    }
    source = std::move(newSource);
    origin = -1;
    consumed = 0;
    active = false;
    Start(start);
}

void SimulatedLine::TimedAudio::Start(std::int64_t frame) {
    if (source && origin < 0 && frame >= 0) {
        origin = frame;
        active = true;
    }
}

void SimulatedLine::TimedAudio::Mix(std::int32_t* mix, std::int64_t from, std::int32_t count,
                                    std::vector<std::int32_t>& scratch) {
    if (!active) {
        return;
    }
    std::int64_t wanted = from - origin;
    std::int32_t lead = 0;
    if (wanted < 0) {
        lead = static_cast<std::int32_t>(std::min<std::int64_t>(count, -wanted));
    } else if (wanted > consumed + kGapFrames) {
        scratch.resize(kLineRate);
        while (consumed < wanted) {
            auto skip =
                static_cast<std::int32_t>(std::min<std::int64_t>(kLineRate, wanted - consumed));
            source->Read(scratch.data(), skip);
            consumed += skip;
        }
    }
    std::int32_t frames = count - lead;
    if (frames <= 0) {
        return;
    }
    scratch.resize(static_cast<std::size_t>(frames));
    source->Read(scratch.data(), frames);
    consumed += frames;
    for (std::int32_t i = 0; i < frames; ++i) {
        mix[lead + i] += (scratch[static_cast<std::size_t>(i)] + 8) >> 4;
    }
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
    std::int64_t now = clock.Now();
    state = newState;
    switch (newState) {
        case SimulatedCallState::Idle:
            offHook = false;
            CancelGeneration(false);
            StopLineTones(now);
            farParty.active = false;
            nearParty.active = false;
            break;
        case SimulatedCallState::Offering:
            break;
        case SimulatedCallState::Dialing:
            GoOffHook(now);
            break;
        case SimulatedCallState::Connected:
            GoOffHook(now);
            farParty.Start(LineFrameAt(now));
            break;
        case SimulatedCallState::Busy:
        case SimulatedCallState::Disconnected:
            farParty.active = false;
            StopLineTones(now);
            inputTones.push_back(newState == SimulatedCallState::Busy
                                     ? BusyTone(LineFrameAt(now), INT64_MAX)
                                     : DisconnectTone(LineFrameAt(now), INT64_MAX));
            break;
    }
    ProviderCallId current = call;
    std::uint32_t tapiState = TapiCallState(newState);
    Report([&](LineEventSink& sink) { sink.CallState(current, tapiState, detail); });
}

void SimulatedLine::GoOffHook(std::int64_t now) {
    if (offHook) {
        return;
    }
    offHook = true;
    capture.clear();
    captureStart = LineFrameAt(now);
    captureTones.clear();
    nearParty.Start(captureStart);
}

void SimulatedLine::StopLineTones(std::int64_t now) {
    std::int64_t frame = LineFrameAt(now);
    for (LineTone& tone : inputTones) {
        tone.end = std::min(tone.end, frame);
    }
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
    ++call;
    callerId = newCallerId;
    origin = LINECALLORIGIN_INBOUND;
    ringCount = 0;
    mediaMode = 0;
    SetState(SimulatedCallState::Offering, kOfferingModeActive);
    RingOnce(call, clock.Now());
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
        Schedule(now + static_cast<std::int64_t>(i) * kDigitSpacing,
                 [this, pressing, digit](std::int64_t time) {
                     if (call != pressing || state != SimulatedCallState::Connected) {
                         return;
                     }
                     inputTones.push_back(
                         *DtmfTone(digit, LineFrameAt(time), kLineRate * kDefaultDigitMs / 1000));
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
    inputTones.push_back(FaxCallingTone(LineFrameAt(now), INT64_MAX));
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
    farParty.Set(std::move(source), FarPartyPresent() ? LineFrameAt(clock.Now()) : -1);
}

bool SimulatedLine::SetFarPartyAudioFile(const std::string& path) {
    LSoundSourcePtr source = OpenWaveFile(path);
    if (!source || source->IsInvalid()) {
        return false;
    }
    SetFarPartyAudio(std::move(source));
    return true;
}

void SimulatedLine::SetNearPartyAudio(LSoundSourcePtr source) {
    std::lock_guard lock(mutex);
    nearParty.Set(std::move(source), offHook ? LineFrameAt(clock.Now()) : -1);
}

bool SimulatedLine::SetNearPartyAudioFile(const std::string& path) {
    LSoundSourcePtr source = OpenWaveFile(path);
    if (!source || source->IsInvalid()) {
        return false;
    }
    SetNearPartyAudio(std::move(source));
    return true;
}

SimulatedCallState SimulatedLine::State() const {
    std::lock_guard lock(mutex);
    return state;
}

std::uint32_t SimulatedLine::RingCount() const {
    std::lock_guard lock(mutex);
    return ringCount;
}

bool SimulatedLine::IsOffHook() const {
    std::lock_guard lock(mutex);
    return offHook;
}

std::string SimulatedLine::DialledAddress() const {
    std::lock_guard lock(mutex);
    return dialled;
}

std::string SimulatedLine::TransferAddress() const {
    std::lock_guard lock(mutex);
    return transfer;
}

std::uint32_t SimulatedLine::MediaMode() const {
    std::lock_guard lock(mutex);
    return mediaMode;
}

std::vector<std::int16_t> SimulatedLine::Capture() {
    std::vector<VirtualWaveDevice::PlayedAudio> played = device->TakePlayed();
    std::lock_guard lock(mutex);
    UpdateCapture(clock.Now(), played);
    std::int64_t present = LineFrameAt(clock.Now()) - captureStart;
    auto size = static_cast<std::ptrdiff_t>(
        std::clamp<std::int64_t>(present, 0, static_cast<std::int64_t>(capture.size())));
    return {capture.begin(), capture.begin() + size};
}

std::vector<std::int16_t> SimulatedLine::TakeCapture() {
    std::vector<std::int16_t> taken = Capture();
    std::lock_guard lock(mutex);
    std::size_t count = std::min(taken.size(), capture.size());
    capture.erase(capture.begin(), capture.begin() + static_cast<std::ptrdiff_t>(count));
    captureStart += static_cast<std::int64_t>(count);
    return taken;
}

void SimulatedLine::UpdateCapture(std::int64_t now,
                                  const std::vector<VirtualWaveDevice::PlayedAudio>& played) {
    if (!offHook) {
        return;  // on hook, what is played goes nowhere
    }
    ExtendCapture(LineFrameAt(now));
    // The device tells when each stretch began, so it lands where it sounded however late it
    // is collected. The line carries the first channel.
    for (const VirtualWaveDevice::PlayedAudio& stretch : played) {
        std::size_t channels = std::max<std::size_t>(stretch.format.channels, 1);
        std::vector<std::int32_t> values;
        values.reserve(stretch.samples.size() / channels);
        for (std::size_t i = 0; i < stretch.samples.size(); i += channels) {
            values.push_back(stretch.samples[i]);
        }
        std::int64_t start = LineFrameAt(stretch.start);
        ExtendCapture(start + static_cast<std::int64_t>(values.size()));
        MixIntoCapture(start, values.data(), static_cast<std::int32_t>(values.size()));
    }
}

void SimulatedLine::ExtendCapture(std::int64_t toFrame) {
    std::int64_t end = captureStart + static_cast<std::int64_t>(capture.size());
    if (toFrame <= end) {
        return;
    }
    auto count = static_cast<std::int32_t>(toFrame - end);
    std::vector<std::int32_t> tones(static_cast<std::size_t>(count), 0);
    for (const LineTone& tone : captureTones) {
        tone.MixInto(tones.data(), end, count);
    }
    for (std::int32_t value : tones) {
        capture.push_back(Saturate(value));
    }
    std::erase_if(captureTones, [toFrame](const LineTone& tone) { return tone.end <= toFrame; });
}

void SimulatedLine::MixIntoCapture(std::int64_t from, const std::int32_t* values,
                                   std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        std::int64_t index = from + i - captureStart;
        if (index >= 0 && index < static_cast<std::int64_t>(capture.size())) {
            auto& sample = capture[static_cast<std::size_t>(index)];
            sample = Saturate(sample + values[i]);
        }
    }
}

void SimulatedLine::AddCaptureTone(const LineTone& tone) {
    captureTones.push_back(tone);
    // The part of the tone that falls on capture already laid down.
    std::int64_t end = captureStart + static_cast<std::int64_t>(capture.size());
    std::int64_t first = std::max(tone.start, captureStart);
    std::int64_t last = std::min(tone.end, end);
    if (first < last) {
        std::vector<std::int32_t> values(static_cast<std::size_t>(last - first), 0);
        tone.MixInto(values.data(), first, static_cast<std::int32_t>(values.size()));
        MixIntoCapture(first, values.data(), static_cast<std::int32_t>(values.size()));
    }
}

void SimulatedLine::CancelGeneration(bool report) {
    if (generation == 0) {
        return;
    }
    generation = 0;
    std::int64_t frame = LineFrameAt(clock.Now());
    for (LineTone& tone : captureTones) {
        tone.end = std::min(tone.end, frame);
    }
    if (report) {
        ProviderCallId generating = call;
        Report(
            [&](LineEventSink& sink) { sink.GenerateEnded(generating, LINEGENERATETERM_CANCEL); });
    }
}

std::int32_t SimulatedLine::StartGeneration(ProviderCallId generating,
                                            const std::vector<LineTone>& tones, std::int64_t end) {
    CancelGeneration(true);
    ExtendCapture(LineFrameAt(clock.Now()));
    for (const LineTone& tone : tones) {
        AddCaptureTone(tone);
    }
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
    std::int32_t rate = std::max(format.sampleRate, 1);
    std::int32_t channels = std::max<std::int32_t>(format.channels, 1);
    // The buffer began at `start`; it holds this many line frames.
    auto count = static_cast<std::int32_t>(
        (static_cast<std::int64_t>(frames) * kLineRate + rate - 1) / rate);
    std::int64_t from = LineFrameAt(start);

    std::lock_guard lock(mutex);
    inputMix.assign(static_cast<std::size_t>(count), 0);
    if (offHook) {
        farParty.Mix(inputMix.data(), from, count, sourceScratch);
        nearParty.Mix(inputMix.data(), from, count, sourceScratch);
        for (const LineTone& tone : inputTones) {
            tone.MixInto(inputMix.data(), from, count);
        }
    }
    for (std::int32_t f = 0; f < frames; ++f) {
        std::int16_t value = Saturate(
            inputMix[static_cast<std::size_t>(static_cast<std::int64_t>(f) * kLineRate / rate)]);
        std::fill_n(samples + static_cast<std::ptrdiff_t>(f) * channels, channels, value);
    }
}

std::int64_t SimulatedLine::Tick(std::int64_t now) {
    std::vector<VirtualWaveDevice::PlayedAudio> played = device->TakePlayed();
    std::lock_guard lock(mutex);
    UpdateCapture(now, played);
    RunDue(now);
    std::int64_t frame = LineFrameAt(now);
    std::erase_if(inputTones,
                  [frame](const LineTone& tone) { return tone.end < frame - kLineRate; });
    std::int64_t next = offHook ? now + kCaptureTick : INT64_MAX;
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
    made = ++call;
    origin = LINECALLORIGIN_OUTBOUND;
    callerId = {};
    ringCount = 0;
    mediaMode = 0;
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
    if (generating != call || !offHook) {
        return LINEERR_INVALCALLSTATE;
    }
    if (digitMode != LINEDIGITMODE_DTMF) {
        return LINEERR_INVALDIGITMODE;
    }
    if (digits.empty()) {
        CancelGeneration(true);
        return 0;
    }
    std::uint32_t ms = duration != 0 ? duration : kDefaultDigitMs;
    auto frames = static_cast<std::int32_t>(kLineRate * static_cast<std::int64_t>(ms) / 1000);
    std::int64_t now = clock.Now();
    std::int64_t start = LineFrameAt(now);
    std::vector<LineTone> tones;
    for (char digit : digits) {
        std::optional<LineTone> tone = DtmfTone(digit, start, frames);
        if (!tone) {
            return LINEERR_INVALDIGITS;
        }
        tones.push_back(*tone);
        start += 2 * frames;  // the tone, then as long a pause
    }
    return StartGeneration(generating, tones,
                           now + 2 * MsToNs(ms) * static_cast<std::int64_t>(digits.size()));
}

std::int32_t SimulatedLine::GenerateTone(ProviderCallId generating, std::uint32_t toneMode,
                                         std::uint32_t duration) {
    std::lock_guard lock(mutex);
    if (generating != call || !offHook) {
        return LINEERR_INVALCALLSTATE;
    }
    if (toneMode == 0) {
        CancelGeneration(true);
        return 0;
    }
    if (toneMode != LINETONEMODE_BEEP) {
        return LINEERR_INVALTONEMODE;
    }
    std::uint32_t ms = duration != 0 ? duration : kDefaultDigitMs;
    std::int64_t now = clock.Now();
    auto frames = static_cast<std::int32_t>(kLineRate * static_cast<std::int64_t>(ms) / 1000);
    return StartGeneration(generating, {BeepTone(LineFrameAt(now), frames)}, now + MsToNs(ms));
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
    int device = -1;
    if (EqualsNoCase(deviceClass, "wave/out")) {
        device = registration.OutputId();
    } else if (EqualsNoCase(deviceClass, "wave/in")) {
        device = registration.InputId();
    }
    if (device < 0) {
        return LINEERR_INVALDEVICECLASS;
    }
    id = static_cast<std::uint32_t>(device);
    return 0;
}

std::vector<ProviderCallId> SimulatedLine::Calls() {
    std::lock_guard lock(mutex);
    if (state == SimulatedCallState::Idle) {
        return {};
    }
    return {call};
}

std::shared_ptr<SimulatedLine> SharedSimulatedLine() {
    static const std::shared_ptr<SimulatedLine> line = SimulatedLine::Create();
    return line;
}

std::unique_ptr<LineProvider> CreateSimulatedLineProvider() {
    return SharedSimulatedLine()->CreateProvider();
}
