// The telephone line over the line-device layer: opening, call monitoring and call control.
#include "telephony/LTapiLine.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <ostream>
#include <string_view>

#include "audio/dsp/LChannelsProcess.h"
#include "audio/dsp/LResampler.h"
#include "audio/dsp/LToneCadenceDetector.h"
#include "audio/dsp/SoundLevel.h"
#include "audio/dsp/TelephoneFormat.h"
#include "telephony/TapiBuffer.h"

namespace {

// The application context: one per process.
struct TapiContext {
    HLINEAPP lineApp = 0;
    std::uint32_t numDevices = 0;
};
TapiContext context;

constexpr std::uint32_t kDevCapsStartSize = 1264;
constexpr std::uint32_t kCallInfoStartSize = 1320;
constexpr std::uint32_t kVarStringSize = 280;
constexpr std::uint32_t kCallListSize = 28;  // room for one call handle
constexpr std::size_t kLineNameMax = 259;
constexpr std::size_t kCallerFieldMax = 31;
constexpr std::uint32_t kCallStateMask = 0x00FFFFFF;
// The line messages of TAPI 1.4 run from LINE_ADDRESSSTATE (0) to LINE_REPLY (12); the callback
// takes no later number (LINE_REQUEST is for request recipients, the rest are later versions').
constexpr std::uint32_t kLineMessageCount = LINE_REPLY + 1;
// Digits heard this soon after the line generated digits are taken as their echo.
constexpr std::uint32_t kDigitEchoMs = 851;
// The recorder is left alone this long after a recording starts.
constexpr std::uint32_t kSilenceGraceMs = 5000;
// Listening with no silence limit of its own.
constexpr std::int32_t kListenSilence = 100000;
// What a recording loses at its end: the sound of the program stopping it, and the sound of
// the far end hanging up.
constexpr std::int32_t kStopTrim = 4000;
constexpr std::int32_t kHangUpTrim = 45000;
constexpr std::uint16_t kPlayPrefilled = kPlayerPrefill;

bool NegotiateVersion(std::uint32_t device) {
    std::uint32_t version = 0;
    LINEEXTENSIONID extension{};
    return lineNegotiateAPIVersion(context.lineApp, device, TAPI_VERSION_1_4, TAPI_VERSION_1_4,
                                   &version, &extension) == 0;
}

std::optional<TapiBuffer<LINEDEVCAPS>> DeviceCaps(std::uint32_t device) {
    if (!LTapiLine::Initialize() || !NegotiateVersion(device)) {
        return std::nullopt;
    }
    return FetchTapiStructure<LINEDEVCAPS>(kDevCapsStartSize, [device](LINEDEVCAPS* caps) {
        return lineGetDevCaps(context.lineApp, device, TAPI_VERSION_1_4, 0, caps);
    });
}

// Copies at most 31 bytes of a caller ID text, up to its NUL. The text comes from the telephone
// network: control characters become spaces, so no reader of the fields meets them.
void CopyCallerField(char (&field)[32], std::string_view text) {
    text = text.substr(0, std::min(text.size(), kCallerFieldMax));
    text = text.substr(0, text.find('\0'));
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        field[i] = (c < 0x20 || c == 0x7F) ? ' ' : text[i];
    }
    field[text.size()] = '\0';
}

void SetCallerField(char (&field)[32], const char* text) {
    std::strncpy(field, text, kCallerFieldMax);
    field[kCallerFieldMax] = '\0';
}

// Cuts the last `cut` units off what `sink` holds, when it holds more.
void CutEnd(const LSoundSinkPtr& sink, std::int32_t cut) {
    if (!sink) {
        return;
    }
    std::int32_t keep = FramesToTime(sink->position, sink->sampleRate) - cut;
    if (keep > 0) {
        sink->Truncate(TimeToFrames(keep, sink->sampleRate));
    }
}

}  // namespace

bool LTapiLine::Initialize() {
    if (context.lineApp != 0) {
        return true;
    }
    return lineInitialize(&context.lineApp, nullptr, &LTapiLine::LineCallback, nullptr,
                          &context.numDevices) == 0;
}

std::uint32_t LTapiLine::NumDevices() {
    return context.numDevices;
}

std::string LTapiLine::GetLineName(std::uint32_t device) {
    std::optional<TapiBuffer<LINEDEVCAPS>> caps = DeviceCaps(device);
    if (!caps) {
        return {};
    }
    std::string_view name = caps->Bytes((*caps)->lineNameOffset, (*caps)->lineNameSize);
    name = name.substr(0, name.find('\0'));
    return std::string(name.substr(0, std::min(name.size(), kLineNameMax)));
}

bool LTapiLine::IsVoiceLine(std::uint32_t device) {
    std::optional<TapiBuffer<LINEDEVCAPS>> caps = DeviceCaps(device);
    return caps && ((*caps)->mediaModes & LINEMEDIAMODE_AUTOMATEDVOICE) != 0;
}

void LTapiLine::Shutdown() {
    if (context.lineApp != 0) {
        lineShutdown(context.lineApp);
        context = TapiContext{};
    }
}

const char* PlayModeName(LTapiLine::PlayMode mode) {
    switch (mode) {
        case LTapiLine::PlayMode::Idle:
            return "idle";
        case LTapiLine::PlayMode::Playing:
            return "playing";
    }
    return "?";
}

const char* RecordModeName(LTapiLine::RecordMode mode) {
    switch (mode) {
        case LTapiLine::RecordMode::Idle:
            return "idle";
        case LTapiLine::RecordMode::RecordingCall:
            return "recording the call";
        case LTapiLine::RecordMode::Listening:
            return "listening";
    }
    return "?";
}

const char* PendingRequestName(LTapiLine::PendingRequest request) {
    switch (request) {
        case LTapiLine::PendingRequest::None:
            return "none";
        case LTapiLine::PendingRequest::MakeCall:
            return "make call";
        case LTapiLine::PendingRequest::Drop:
            return "drop";
        case LTapiLine::PendingRequest::Answer:
            return "answer";
        case LTapiLine::PendingRequest::Transfer:
            return "transfer";
    }
    return "?";
}

std::ostream& operator<<(std::ostream& out, LTapiLine::PlayMode mode) {
    return out << PlayModeName(mode);
}

std::ostream& operator<<(std::ostream& out, LTapiLine::RecordMode mode) {
    return out << RecordModeName(mode);
}

std::ostream& operator<<(std::ostream& out, LTapiLine::PendingRequest request) {
    return out << PendingRequestName(request);
}

LTapiLine::LTapiLine(DeviceClock& lineClock) : clock(lineClock) {
    player.target = this;
    player.cookie = 0;
    player.reportLevels = true;
    recorder.target = this;
    recorder.cookie = 0;
    silenceTimerStart = Now();
}

LTapiLine::~LTapiLine() {
    Close();
    player.target = nullptr;
    player.reportLevels = false;
    recorder.target = nullptr;
}

std::uint32_t LTapiLine::Now() const {
    return static_cast<std::uint32_t>(clock.Now() / 1'000'000);
}

bool LTapiLine::Open(std::uint32_t device, std::uint8_t options) {
    if (!Initialize()) {
        return false;
    }
    Close();
    if (device >= context.numDevices || !NegotiateVersion(device)) {
        return false;
    }
    struct Attempt {
        std::uint32_t privileges;
        std::uint32_t mediaModes;
    };
    static constexpr Attempt kAttempts[] = {
        {LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_AUTOMATEDVOICE | LINEMEDIAMODE_UNKNOWN},
        {LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_AUTOMATEDVOICE},
        {LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_UNKNOWN},
        {LINECALLPRIVILEGE_MONITOR, 0},
    };
    std::int32_t result = 0;
    for (const Attempt& attempt : kAttempts) {
        result = lineOpen(context.lineApp, device, &line, TAPI_VERSION_1_4, 0,
                          reinterpret_cast<std::uintptr_t>(this), attempt.privileges,
                          attempt.mediaModes, nullptr);
        if (result != LINEERR_INVALMEDIAMODE) {
            break;
        }
    }
    if (result != 0) {
        line = 0;
        return false;
    }
    lineSetStatusMessages(
        line, LINEDEVSTATE_RINGING | LINEDEVSTATE_INSERVICE | LINEDEVSTATE_OUTOFSERVICE, 0);
    lineSetNumRings(line, 0, 0);
    SetPendingRequest(PendingRequest::None);
    lineStatus = options;
    return true;
}

void LTapiLine::SetPlayMode(PlayMode mode) {
    playMode = mode;
}

void LTapiLine::SetRecordMode(RecordMode mode) {
    recordMode = mode;
}

void LTapiLine::SetPendingRequest(PendingRequest request) {
    pendingRequest = request;
}

void LTapiLine::Close() {
    if (line != 0) {
        Drop();
        lineClose(line);
    }
    line = 0;
    call = 0;
}

void LTapiLine::LineCallback(std::uint32_t device, std::uint32_t message, std::uintptr_t instance,
                             std::uintptr_t param1, std::uintptr_t param2, std::uintptr_t param3) {
    if (instance == 0 || message >= kLineMessageCount) {
        return;
    }
    reinterpret_cast<LTapiLine*>(instance)->OnLineMessage(device, message, param1, param2, param3);
}

void LTapiLine::OnLineMessage(std::uint32_t device, std::uint32_t message, std::uintptr_t param1,
                              std::uintptr_t param2, std::uintptr_t param3) {
    if (messageObserver) {
        messageObserver(message, param1, param2, param3);
    }
    switch (message) {
        case LINE_CALLSTATE:
            OnCallState(device, static_cast<std::uint32_t>(param1),
                        static_cast<std::uint32_t>(param3));
            break;
        case LINE_GENERATE:
            Fire([](LTapiCallHandler& handler) { handler.OnGenerateDone(); });
            break;
        case LINE_LINEDEVSTATE:
            if (param1 == LINEDEVSTATE_RINGING) {
                OnRing(device, static_cast<std::uint32_t>(param3));
            } else if (LTapiCallHandler* standing = StandingHandler();
                       standing != nullptr &&
                       (param1 == LINEDEVSTATE_INSERVICE || param1 == LINEDEVSTATE_OUTOFSERVICE)) {
                standing->OnLineService(param1 == LINEDEVSTATE_INSERVICE);
            }
            break;
        case LINE_MONITORDIGITS:
            if (param2 == LINEDIGITMODE_DTMF && call != 0 &&
                Now() - lastDigitsSent >= kDigitEchoMs) {
                char digit = static_cast<char>(param1 & 0xFF);
                Fire([digit](LTapiCallHandler& handler) { handler.OnDigit(digit); });
            }
            break;
        case LINE_MONITORMEDIA:
            if (param1 == LINEMEDIAMODE_G3FAX) {
                Fire([](LTapiCallHandler& handler) { handler.OnFaxTone(); });
            }
            break;
        case LINE_REPLY:
            if (static_cast<std::int32_t>(param1) == lastRequestId) {
                bool callFailed = param2 != 0 && pendingRequest == PendingRequest::MakeCall;
                SetPendingRequest(PendingRequest::None);
                // The line could not be taken after all: the call is over before it began.
                if (callFailed && call != 0) {
                    lineDeallocateCall(call);
                    call = 0;
                    CallEnded();
                }
            }
            break;
        default:
            break;
    }
}

void LTapiLine::Adopt(HCALL newCall) {
    if (call != 0 && call != newCall) {
        lineDeallocateCall(call);
    }
    call = newCall;
    answered = false;
}

void LTapiLine::OnCallState(HCALL messageCall, std::uint32_t state, std::uint32_t privilege) {
    if (privilege == LINECALLPRIVILEGE_OWNER && messageCall != call) {
        Adopt(messageCall);
    }
    switch (state & kCallStateMask) {
        case LINECALLSTATE_CONNECTED:
            if (call == 0) {
                return;
            }
            lineMonitorDigits(call, LINEDIGITMODE_DTMF);
            lineMonitorMedia(call, LINEMEDIAMODE_G3FAX);
            waveOutDevice = GetCallWaveDevice("wave/out");
            waveInDevice = GetCallWaveDevice("wave/in");
            lastDigitsSent = Now() - 1000;
            lineStatus &= static_cast<std::uint8_t>(~kFarEndGone);
            Connected();
            return;
        case LINECALLSTATE_DISCONNECTED:
        case LINECALLSTATE_BUSY:
            // Our own drop disconnects too; a busy line is news whatever we were doing.
            if (call == 0 || ((state & kCallStateMask) == LINECALLSTATE_DISCONNECTED &&
                              pendingRequest == PendingRequest::Drop)) {
                return;
            }
            // An announcement plays on: the handler decides when it ends.
            if (playMode == PlayMode::Idle) {
                RemoteHangUp();
            }
            lineStatus |= kFarEndGone;
            return;
        case LINECALLSTATE_IDLE:
            if (call != 0) {
                // A call that went idle under a play or a recording (its line device gone)
                // ends them here, keeping all that was recorded.
                StopAudioCutting(0);
                lineDeallocateCall(call);
                call = 0;
                CallEnded();
            }
            return;
        default:
            return;
    }
}

void LTapiLine::OnRing(HLINE device, std::uint32_t ringCount) {
    if (call == 0) {
        TapiBuffer<LINECALLLIST> list(kCallListSize);
        if (lineGetNewCalls(device, 0, LINECALLSELECT_LINE, list.Get()) == 0 &&
            list->callsNum >= 1) {
            std::string_view handles = list.Bytes(list->callsOffset, list->callsSize);
            if (handles.size() >= sizeof(HCALL)) {
                HCALL offered = 0;
                std::memcpy(&offered, handles.data(), sizeof offered);
                lineSetCallPrivilege(offered, LINECALLPRIVILEGE_OWNER);
                Adopt(offered);
            }
        }
    }
    if (call == 0 || answered) {
        return;
    }
    ReadCallerId();
    LTapiCallHandler* standing = StandingHandler();
    if (standing != nullptr && standing->OfferCall(ringCount)) {
        answered = true;
        SetPendingRequest(PendingRequest::Answer);
        lastRequestId = lineAnswer(call, nullptr, 0);
    }
}

std::uint32_t LTapiLine::GetCallWaveDevice(const char* deviceClass) const {
    TapiBuffer<VARSTRING> id(kVarStringSize);
    if (lineGetID(line, 0, call, LINECALLSELECT_CALL, id.Get(), deviceClass) != 0) {
        return 0;
    }
    std::string_view value = id.Bytes(id->stringOffset, id->stringSize);
    std::uint32_t device = 0;
    if (value.size() >= sizeof device) {
        std::memcpy(&device, value.data(), sizeof device);
    }
    return device;
}

void LTapiLine::ReadCallerId() {
    callerNumber[0] = '\0';
    callerName[0] = '\0';
    if (call == 0) {
        return;
    }
    std::optional<TapiBuffer<LINECALLINFO>> info = FetchTapiStructure<LINECALLINFO>(
        kCallInfoStartSize, [this](LINECALLINFO* buffer) { return lineGetCallInfo(call, buffer); });
    if (!info) {
        return;
    }
    std::uint32_t flags = (*info)->callerIDFlags;
    if (flags & LINECALLPARTYID_BLOCKED) {
        SetCallerField(callerNumber, "Blocked");
    } else if (flags & LINECALLPARTYID_OUTOFAREA) {
        SetCallerField(callerNumber, "Out Of Area");
    } else if (flags & LINECALLPARTYID_UNKNOWN) {
        SetCallerField(callerNumber, "Unknown");
    } else if (flags & LINECALLPARTYID_UNAVAIL) {
        SetCallerField(callerNumber, "Unavailable");
    } else {
        if (flags & LINECALLPARTYID_ADDRESS) {
            CopyCallerField(callerNumber,
                            info->Bytes((*info)->callerIDOffset, (*info)->callerIDSize));
        }
        if (flags & LINECALLPARTYID_NAME) {
            CopyCallerField(callerName,
                            info->Bytes((*info)->callerIDNameOffset, (*info)->callerIDNameSize));
        }
    }
}

bool LTapiLine::MakeCall(const char* number) {
    if (line == 0) {
        return false;
    }
    if (call != 0) {
        return number == nullptr && lineAnswer(call, nullptr, 0) > 0;
    }
    LINECALLPARAMS params{};
    params.totalSize = sizeof params;
    params.bearerMode = LINEBEARERMODE_VOICE;
    params.mediaMode = LINEMEDIAMODE_AUTOMATEDVOICE;
    params.callParamFlags = LINECALLPARAMFLAGS_IDLE;
    params.addressMode = LINEADDRESSMODE_ADDRESSID;
    params.addressID = 0;
    SetPendingRequest(PendingRequest::MakeCall);
    // A lone dialling pause: the device only goes off hook.
    lastRequestId = lineMakeCall(line, &call, number != nullptr ? number : ",", 0, &params);
    if (lastRequestId <= 0) {
        SetPendingRequest(PendingRequest::None);
    }
    if (lastRequestId < 0) {
        return false;
    }
    callerNumber[0] = '\0';
    callerName[0] = '\0';
    return true;
}

void LTapiLine::GenerateDigits(const char* digits) {
    StopAudio();
    if (call == 0) {
        return;
    }
    if (digits == nullptr || digits[0] == '\0') {
        Fire([](LTapiCallHandler& handler) { handler.OnGenerateDone(); });
        return;
    }
    lastDigitsSent = Now();
    if (lineGenerateDigits(call, LINEDIGITMODE_DTMF, digits, 0) != 0) {
        Fire([](LTapiCallHandler& handler) { handler.OnGenerateDone(); });
    }
}

void LTapiLine::BlindTransfer(const char* destination) {
    if (call == 0) {
        return;
    }
    StopAudio();
    SetPendingRequest(PendingRequest::Transfer);
    lastRequestId = lineBlindTransfer(call, destination, 0);
    if (lastRequestId < 0) {
        SetPendingRequest(PendingRequest::Drop);
        lastRequestId = lineDrop(call, nullptr, 0);
    }
}

void LTapiLine::Drop() {
    StopAudio();
    if (call != 0) {
        SetPendingRequest(PendingRequest::Drop);
        lastRequestId = lineDrop(call, nullptr, 0);
    }
}

void LTapiLine::Beep() {
    if (call != 0) {
        lineGenerateTone(call, LINETONEMODE_BEEP, 40, 0, nullptr);
    }
}

void LTapiLine::HandOff() {
    if (call == 0) {
        return;
    }
    StopAudio();
    lineSetMediaMode(call, LINEMEDIAMODE_G3FAX);
    if (lineHandoff(call, nullptr, LINEMEDIAMODE_G3FAX) != 0 &&
        lineHandoff(call, nullptr, LINEMEDIAMODE_UNKNOWN) != 0) {
        Drop();
        return;
    }
    lineSetCallPrivilege(call, LINECALLPRIVILEGE_MONITOR);
    lineDeallocateCall(call);
    call = 0;
    CallEnded();
}

void LTapiLine::Play(LSoundSourcePtr& source) {
    StopAudio();
    LChannelsProcess(1).Create(source, source);
    LSampleRateProcess(kLineRate).Create(source, source);
    player.device = static_cast<std::int8_t>(waveOutDevice & 0xFF);
    SetPlayMode(PlayMode::Playing);
    if (!player.Start(source, kPlayPrefilled)) {
        SetPlayMode(PlayMode::Idle);
        Fire([](LTapiCallHandler& handler) { handler.OnPlayDone(); });
    }
}

std::int32_t LTapiLine::SplitSilence(std::int32_t silenceLimit) {
    // Up to a long silence the recorder waits all of it (at least the floor) but the line's
    // share; beyond, the recorder waits its long silence and the line the rest.
    constexpr std::int32_t kRecorderSilenceFloor = 8000;
    constexpr std::int32_t kRecorderSilenceShare = 4000;
    constexpr std::int32_t kLongSilence = 64000;
    constexpr std::int32_t kRecorderLongSilence = 60000;
    std::int32_t recorderLimit = 0;
    std::int32_t lineUnits = 0;
    if (silenceLimit < kLongSilence) {
        silenceLimit = std::max(silenceLimit, kRecorderSilenceFloor);
        recorderLimit = silenceLimit - kRecorderSilenceShare;
        lineUnits = kRecorderSilenceShare;
    } else {
        recorderLimit = kRecorderLongSilence;
        lineUnits = silenceLimit - kRecorderLongSilence;
    }
    extraSilence = static_cast<std::uint32_t>(lineUnits / 10);
    silenceTimerStart = Now() + kSilenceGraceMs;
    return recorderLimit;
}

void LTapiLine::Record(LSoundSinkPtr& sink, std::int32_t silenceLimit, std::int8_t threshold,
                       std::int32_t maximumLength) {
    StopAudio();
    std::int32_t recorderLimit = SplitSilence(silenceLimit);
    recorder.device = static_cast<std::int8_t>(waveInDevice & 0xFF);
    if (lineStatus & kFarEndGone) {
        // The far end went earlier in this call: listen for the exchange's tone as well.
        sink = MakeCounted<LToneCadenceDetector>(sink, &toneStatus);
    }
    if (!recorder.Start(sink, kRecorderOpenStopped, recorderLimit, threshold, maximumLength)) {
        Drop();
        return;
    }
    SetRecordMode(RecordMode::RecordingCall);
    toneStatus = 0;
    if (recorder.IsActive()) {
        recorder.StartInput();
    }
}

void LTapiLine::Listen(std::int32_t silenceLimit, std::int8_t threshold,
                       std::int32_t maximumLength) {
    StopAudio();
    if (maximumLength < 1) {
        Fire([](LTapiCallHandler& handler) { handler.OnListenDone(); });
        return;
    }
    if (silenceLimit < 1) {
        threshold = kSilentLevel;
        silenceLimit = kListenSilence;
    }
    std::int32_t recorderLimit = SplitSilence(silenceLimit);
    recorder.device = static_cast<std::int8_t>(waveInDevice & 0xFF);
    LSoundSinkPtr detector = MakeCounted<LToneCadenceDetector>(LSoundSinkPtr(), &toneStatus);
    if (!recorder.Start(detector, kRecorderOpenStopped, recorderLimit, threshold, maximumLength)) {
        Drop();
        return;
    }
    SetRecordMode(RecordMode::Listening);
    toneStatus = 0;
    recorder.StartInput();
}

void LTapiLine::StopRecordingAndCut(std::int32_t cut) {
    SetRecordMode(RecordMode::Idle);
    LSoundSinkPtr sink = recorder.GetSink();
    recorder.Stop();
    CutEnd(sink, cut);
}

void LTapiLine::StopAudio() {
    StopAudioCutting(kStopTrim);
}

void LTapiLine::StopAudioCutting(std::int32_t cut) {
    SetPlayMode(PlayMode::Idle);
    player.Stop();
    if (recordMode == RecordMode::RecordingCall &&
        recorder.GetState() == LSoundRecorder::kWriting) {
        StopRecordingAndCut(cut);
    } else {
        SetRecordMode(RecordMode::Idle);
        recorder.Stop();
    }
}

bool LTapiLine::IsRecording() {
    return recordMode == RecordMode::RecordingCall && recorder.IsActive();
}

void LTapiLine::RemoteHangUp() {
    if (recordMode == RecordMode::RecordingCall) {
        StopRecordingAndCut(kHangUpTrim);
    } else if (recordMode == RecordMode::Listening) {
        SetRecordMode(RecordMode::Idle);
        recorder.Stop();
    }
    Fire([](LTapiCallHandler& handler) { handler.OnRemoteHangUp(); });
}

void LTapiLine::OnPlayerStopped(std::uint32_t) {
    if (playMode == PlayMode::Playing) {
        SetPlayMode(PlayMode::Idle);
        Fire([](LTapiCallHandler& handler) { handler.OnPlayDone(); });
    }
}

void LTapiLine::OnPlayerPosition(std::uint32_t, std::int32_t position) {
    Fire([position](LTapiCallHandler& handler) { handler.OnPlayProgress(position); });
}

void LTapiLine::OnPlayerLevels(const LLevelReport& report, std::uint32_t) {
    if (CurrentHandler() == nullptr) {
        Drop();
        return;
    }
    std::int8_t level = report.Single();
    Fire([level](LTapiCallHandler& handler) { handler.OnPlayLevel(level); });
}

void LTapiLine::OnRecorderStopped(std::uint32_t) {
    if (recordMode == RecordMode::RecordingCall) {
        SetRecordMode(RecordMode::Idle);
        Fire([](LTapiCallHandler& handler) { handler.OnRecordDone(); });
    } else if (recordMode == RecordMode::Listening) {
        SetRecordMode(RecordMode::Idle);
        Fire([](LTapiCallHandler& handler) { handler.OnListenDone(); });
    }
}

void LTapiLine::OnRecorderPosition(std::uint32_t, std::int32_t position) {
    if (PollCadenceFlag(toneStatus)) {
        RemoteHangUp();
    } else if (recordMode == RecordMode::RecordingCall) {
        Fire([position](LTapiCallHandler& handler) { handler.OnRecordProgress(position); });
    }
}

void LTapiLine::OnRecorderLevels(const LLevelReport& report, std::uint32_t) {
    std::uint32_t now = Now();
    if (recorder.GetState() != LSoundRecorder::kWriting) {
        // Waiting for sound: the recorder has cut the silence; the line ends the wait.
        std::uint32_t elapsed = now - silenceTimerStart;
        if (elapsed > extraSilence && elapsed < 0x80000000u) {
            recorder.Stop();
            return;
        }
    } else {
        silenceTimerStart = now;
    }
    if (recordMode == RecordMode::RecordingCall) {
        std::int8_t level = report.Single();
        Fire([level](LTapiCallHandler& handler) { handler.OnRecordLevel(level); });
    }
}
