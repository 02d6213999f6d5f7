// A voice modem on a pseudo terminal: AT commands and voice streams on the program's side, the
// simulated line's calls, keys and audio on the telephone side.
#include "simulation/ModemPeer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <ctime>
#include <optional>

#include "audio/files/G711.h"
#include "base/AsciiText.h"
#include "telephony/LineTones.h"
#include "telephony/Tapi.h"

namespace {

constexpr std::string_view kOk = "OK";
constexpr std::string_view kError = "ERROR";
constexpr std::string_view kConnect = "CONNECT";
constexpr std::string_view kRing = "RING";
// The result comes once what the command started has ended.
constexpr std::string_view kLater;

// Longer command lines are garbage; the longest a program sends is far shorter.
constexpr std::size_t kMaxCommandLength = 256;
// Settings the peer takes without acting on them.
constexpr std::array<std::string_view, 7> kAcceptedSettings{"+VIT", "+VGR", "+VGT", "+VSD",
                                                            "+GCI", "+VDR", "+IFC"};
// A caller ID field of a tag the program does not know, as some exchanges send.
constexpr std::string_view kUnknownTag = "MESG";
constexpr std::string_view kUnknownTagValue = "0201";
// Tone frequencies +VTS takes, in Hz.
constexpr int kLowestTone = 200;
constexpr int kHighestTone = 3000;
constexpr int kLongestTone = 255;  // in 10 ms units

constexpr std::int64_t kNsPerFrame = 1'000'000'000 / kLineRate;
const WavePcmFormat kLineFormat{kLineRate, 1, kLineBits};

// DLE codes the peer sends.
constexpr std::uint8_t kRingCode = 'R';
constexpr std::uint8_t kBusyCode = 'b';
constexpr std::uint8_t kDialToneCode = 'd';
constexpr std::uint8_t kLoopBreakCode = 'l';
constexpr std::uint8_t kFaxCode = 'c';
constexpr std::uint8_t kKeyDownCode = '/';
constexpr std::uint8_t kKeyUpCode = '~';

// Sample coding of the voice formats the peer offers, a byte a sample.
std::uint8_t Encode(PeerCoding coding, std::int16_t sample) {
    switch (coding) {
        case PeerCoding::Signed8:
            return static_cast<std::uint8_t>(sample >> 8);
        case PeerCoding::Unsigned8:
            return static_cast<std::uint8_t>((sample >> 8) + 128);
        case PeerCoding::Mulaw:
            return LinearToMulaw(sample);
        case PeerCoding::Alaw:
            return LinearToAlaw(sample);
    }
    return 0;
}

std::int16_t Decode(PeerCoding coding, std::uint8_t byte) {
    switch (coding) {
        case PeerCoding::Signed8:
            return static_cast<std::int16_t>(static_cast<std::int8_t>(byte) * 256);
        case PeerCoding::Unsigned8:
            return static_cast<std::int16_t>((byte - 128) * 256);
        case PeerCoding::Mulaw:
            return MulawToLinear(byte);
        case PeerCoding::Alaw:
            return AlawToLinear(byte);
    }
    return 0;
}

// The numbers of "a,b,c" (an empty field is 0), or nothing when a field is not a number.
std::optional<std::vector<int>> Numbers(std::string_view text) {
    std::vector<int> numbers;
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view field = text.substr(0, comma);
        int value = 0;
        if (!field.empty() &&
            std::from_chars(field.data(), field.data() + field.size(), value).ptr !=
                field.data() + field.size()) {
            return std::nullopt;
        }
        numbers.push_back(value);
        if (comma == std::string_view::npos) {
            return numbers;
        }
        text.remove_prefix(comma + 1);
    }
}

// Whether `token` is one of the comma-separated `list`.
bool Listed(std::string_view list, std::string_view token) {
    for (;;) {
        const std::size_t comma = list.find(',');
        if (list.substr(0, comma) == token) {
            return true;
        }
        if (comma == std::string_view::npos) {
            return false;
        }
        list.remove_prefix(comma + 1);
    }
}

bool Audible(int frequency) {
    return frequency >= kLowestTone && frequency <= kHighestTone;
}

// The local time as `format` (strftime) puts it, as an exchange stamps caller ID.
std::string LocalTime(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::array<char, 16> text{};
    return {text.data(), std::strftime(text.data(), text.size(), format, &local)};
}

}  // namespace

// What the line reports, kept for the peer's next tick: the line reports from its own thread
// with itself locked, so nothing can be asked of it meanwhile.
class ModemPeer::LineReports : public LineEventSink {
public:
    struct Report {
        enum class Kind { CallState, Ring, Digit, Fax } kind;
        ProviderCallId call = 0;
        std::uint32_t value = 0;  // the call state, or the ring count
        char digit = 0;
        std::int64_t time = 0;
    };

    explicit LineReports(DeviceClock& clock) : clock(clock) {}

    void CallState(ProviderCallId call, std::uint32_t state, std::uint32_t) override {
        Add({Report::Kind::CallState, call, state});
    }
    void LineDevState(std::uint32_t state, std::uint32_t, std::uint32_t count) override {
        if (state == LINEDEVSTATE_RINGING) {
            Add({Report::Kind::Ring, 0, count});
        }
    }
    void DigitDetected(ProviderCallId call, char digit, std::uint32_t) override {
        Add({Report::Kind::Digit, call, 0, digit});
    }
    void MediaDetected(ProviderCallId call, std::uint32_t mediaMode) override {
        if ((mediaMode & LINEMEDIAMODE_G3FAX) != 0) {
            Add({Report::Kind::Fax, call});
        }
    }
    void GenerateEnded(ProviderCallId, std::uint32_t) override {}
    void RequestCompleted(std::uint32_t, std::int32_t) override {}

    std::vector<Report> Take() {
        std::lock_guard lock(mutex);
        return std::exchange(reports, {});
    }

private:
    void Add(Report report) {
        report.time = clock.Now();
        std::lock_guard lock(mutex);
        reports.push_back(report);
    }

    DeviceClock& clock;
    std::mutex mutex;
    std::vector<Report> reports;
};

ModemPeerOptions ModemPeerOptions::Of(ModemDialect dialect) {
    ModemPeerOptions options;
    options.dialect = dialect;
    if (dialect == ModemDialect::Usr) {
        options.callerIdTiming = CallerIdTiming::AfterFirstRing;
        options.duplex = false;
        options.falseDialTones = true;
    }
    return options;
}

bool ModemPeerNamed(std::string_view word, std::optional<ModemPeerOptions>& options) {
    if (word == kSimulatedLineWord) {
        options.reset();
    } else if (word == kConexantModemWord) {
        options = ModemPeerOptions::Of(ModemDialect::Conexant);
    } else if (word == kUsrModemWord) {
        options = ModemPeerOptions::Of(ModemDialect::Usr);
    } else {
        return false;
    }
    return true;
}

std::shared_ptr<ModemPeer> ModemPeer::Create(std::shared_ptr<SimulatedLine> line,
                                             const std::string& folder, ModemPeerOptions options,
                                             std::shared_ptr<PortHandOff> handOff) {
    std::shared_ptr<ModemPeer> peer(
        new ModemPeer(std::move(line), folder, options, std::move(handOff)));
    if (!peer->device || !peer->port.Open()) {
        return nullptr;
    }
    peer->line->Clock().Attach(peer);
    if (peer->handOff) {
        // The program's first talk with the modem comes before the clock moves: the peer
        // answers it where it stands.
        std::weak_ptr<ModemPeer> weak = peer;
        peer->handOff->SetPeerPump([weak] {
            if (std::shared_ptr<ModemPeer> alive = weak.lock()) {
                alive->Tick(alive->line->Clock().Now());
            }
        });
    }
    return peer;
}

ModemPeer::ModemPeer(std::shared_ptr<SimulatedLine> simulatedLine, const std::string& folder,
                     ModemPeerOptions peerOptions, std::shared_ptr<PortHandOff> handOff)
    : line(std::move(simulatedLine)),
      options(peerOptions),
      dialect(DialectOf(peerOptions.dialect)),
      reports(std::make_shared<LineReports>(line->Clock())),
      handOff(handOff),
      port(folder + "/" + kLinkName, std::move(handOff)) {
    line->CreateProvider()->Open(0, LINECALLPRIVILEGE_OWNER, SimulatedLine::kMediaModes, reports,
                                 device);
    PowerOn(line->Clock().Now());
}

ModemPeer::~ModemPeer() {
    line->Clock().Detach(this);
}

void ModemPeer::Stall(bool stall) {
    std::lock_guard lock(mutex);
    stalled = stall;
}

void ModemPeer::SendRaw(ModemBytes bytes) {
    std::lock_guard lock(mutex);
    port.Write(bytes);
}

void ModemPeer::Vanish() {
    std::lock_guard lock(mutex);
    GoOnHook();
    port.Close();
}

bool ModemPeer::Return() {
    std::lock_guard lock(mutex);
    PowerOn(line->Clock().Now());
    return port.Open();
}

ModemPeerRecord ModemPeer::Record() const {
    std::lock_guard lock(mutex);
    ModemPeerRecord copy = record;
    copy.offHook = offHook;
    copy.format = settings.format;
    return copy;
}

std::int64_t ModemPeer::Tick(std::int64_t now) {
    std::lock_guard lock(mutex);
    if (stalled || !port.IsOpen()) {
        // The call goes on without the modem; what it would have said is lost.
        TakeLineReports(now);
        out.clear();
        dleCodes.clear();
        receiveFrame = playFrame = LineFrameAt(now);
        return now + kTick;
    }
    const ModemBytes input = port.Read();
    TakeLineReports(now);
    Feed(input, now);
    RunScheduled(now);
    Stream(now);
    if (VoiceClass()) {
        for (const std::uint8_t code : dleCodes) {
            out.insert(out.end(), {kDle, code});
        }
    }
    dleCodes.clear();
    port.Write(std::exchange(out, {}));
    return now + kTick;
}

void ModemPeer::SetState(PeerState newState, std::int64_t now) {
    state = newState;
    const bool streaming =
        state == PeerState::Receive || state == PeerState::Transmit || state == PeerState::Duplex;
    falseDialToneAt =
        streaming && options.falseDialTones ? now + kFalseDialToneInterval : INT64_MAX;
}

void ModemPeer::PowerOn(std::int64_t now) {
    settings = Settings{};
    settings.format = dialect.powerOnFormat;
    SetState(PeerState::Command, now);
    held.clear();
    commandLine.clear();
    afterDle = false;
    toLine.clear();
    callerIdAt = INT64_MAX;
}

// --- The telephone side.

void ModemPeer::TakeLineReports(std::int64_t now) {
    for (const LineReports::Report& report : reports->Take()) {
        switch (report.kind) {
            case LineReports::Report::Kind::CallState:
                call = report.value == LINECALLSTATE_IDLE ? 0 : report.call;
                CallStateChanged(report.value, now);
                break;
            case LineReports::Report::Kind::Ring:
                Ring(report.value, now);
                break;
            case LineReports::Report::Kind::Digit:
                Digit(report.digit, report.time);
                break;
            case LineReports::Report::Kind::Fax:
                Signal(kFaxCode);
                break;
        }
    }
}

void ModemPeer::CallStateChanged(std::uint32_t newState, std::int64_t now) {
    callState = newState;
    if (!offHook || (callState != LINECALLSTATE_BUSY && callState != LINECALLSTATE_DISCONNECTED)) {
        return;
    }
    if (callState == LINECALLSTATE_DISCONNECTED && options.hangUp == HangUpSignal::LoopBreak) {
        Signal(kLoopBreakCode);
    }
    toneSignalAt = now;
}

void ModemPeer::Ring(std::uint32_t count, std::int64_t now) {
    // Caller ID after the first ring comes before the second at the latest.
    if ((count == 1 && options.callerIdTiming == CallerIdTiming::BeforeFirstRing) ||
        callerIdAt != INT64_MAX) {
        callerIdAt = INT64_MAX;
        SendCallerId();
    }
    if (VoiceClass() && dialect.ringsAsDle) {
        Signal(kRingCode);
    } else {
        Respond(kRing);
    }
    if (count == 1 && options.callerIdTiming == CallerIdTiming::AfterFirstRing) {
        callerIdAt = now + kCallerIdDelay;
    }
}

void ModemPeer::SendCallerId() {
    LineCallDetails details;
    if (!settings.callerId || offHook || callState != LINECALLSTATE_OFFERING ||
        device->GetCallDetails(call, details) != 0) {
        return;
    }
    const std::uint32_t flags = details.callerIdFlags;
    std::string number;
    if ((flags & LINECALLPARTYID_BLOCKED) != 0) {
        number = "P";
    } else if ((flags & (LINECALLPARTYID_OUTOFAREA | LINECALLPARTYID_UNAVAIL)) != 0) {
        number = "O";
    } else if ((flags & LINECALLPARTYID_ADDRESS) != 0) {
        number = details.callerId;
    }
    // A withheld or unavailable caller's name is left out with the number.
    const bool named = (flags & LINECALLPARTYID_NAME) != 0 && number != "P" && number != "O";
    if (number.empty() && !named) {
        return;
    }
    auto field = [&](std::string_view tag, std::string_view value) {
        Respond(std::string(tag) + std::string(dialect.callerIdEquals) + std::string(value));
    };
    field("DATE", LocalTime("%m%d"));
    field("TIME", LocalTime("%H%M"));
    if (!number.empty()) {
        field("NMBR", number);
    }
    if (named) {
        field("NAME", details.callerIdName);
    }
    field(kUnknownTag, kUnknownTagValue);
}

void ModemPeer::Digit(char digit, std::int64_t time) {
    const auto code = static_cast<std::uint8_t>(digit);
    if (options.dtmf == DtmfStyle::Plain) {
        Signal(code);
        return;
    }
    // The key is held as long as the line sounds it, repeated meanwhile.
    Signal(kKeyDownCode);
    Signal(code);
    constexpr std::int64_t kHeld = std::int64_t{SimulatedLine::kDefaultDigitMs} * 1'000'000;
    for (std::int64_t at = kDigitRepeat; at < kHeld; at += kDigitRepeat) {
        scheduled.push_back({time + at, code});
    }
    scheduled.push_back({time + kHeld, kKeyUpCode});
}

void ModemPeer::Signal(std::uint8_t code) {
    dleCodes.push_back(code);
}

void ModemPeer::RunScheduled(std::int64_t now) {
    if (callerIdAt <= now) {
        callerIdAt = INT64_MAX;
        SendCallerId();
    }
    if (toneSignalAt <= now) {
        Signal(kBusyCode);
        toneSignalAt = now + kToneSignalInterval;
    }
    if (falseDialToneAt <= now) {
        Signal(kDialToneCode);
        falseDialToneAt = now + kFalseDialToneInterval;
    }
    for (const Scheduled& due : scheduled) {
        if (due.time <= now) {
            Signal(due.code);
        }
    }
    std::erase_if(scheduled, [now](const Scheduled& due) { return due.time <= now; });
}

bool ModemPeer::GoOffHook() {
    if (offHook) {
        return true;
    }
    std::int32_t result = LINEERR_INVALCALLSTATE;
    if (callState == LINECALLSTATE_OFFERING) {
        result = device->Answer(++requests, call);
    } else if (call == 0) {
        // A lone dialling pause takes the idle line without dialling.
        result = device->MakeCall(++requests, ",", call);
    }
    if (result != 0) {
        return false;
    }
    offHook = true;
    callerIdAt = INT64_MAX;
    return true;
}

void ModemPeer::GoOnHook() {
    if (!offHook) {
        return;
    }
    offHook = false;
    if (call != 0) {
        device->Drop(++requests, call);
    }
    toneSignalAt = INT64_MAX;
    scheduled.clear();
    toLine.clear();
}

// --- The program's side.

void ModemPeer::Feed(const ModemBytes& bytes, std::int64_t now) {
    for (const std::uint8_t byte : bytes) {
        if (state == PeerState::Draining) {
            held.push_back(byte);
        } else if (state != PeerState::Command) {
            FeedStream(byte, now);
        } else if (byte == '\r') {
            RunLine(std::exchange(commandLine, {}), now);
        } else if (byte != '\n' && commandLine.size() < kMaxCommandLength) {
            commandLine.push_back(static_cast<char>(byte));
        }
    }
}

void ModemPeer::FeedStream(std::uint8_t byte, std::int64_t now) {
    const bool toTheLine = state != PeerState::Receive;
    if (!std::exchange(afterDle, false)) {
        if (byte == kDle) {
            afterDle = true;
        } else if (toTheLine) {
            toLine.push_back(Decode(*Format().coding, byte));
        }
        return;
    }
    if (byte == kDle && toTheLine) {
        toLine.push_back(Decode(*Format().coding, byte));
    } else if (byte == kCan && toTheLine) {
        toLine.clear();
    } else if (state == PeerState::Transmit && byte == kEtx) {
        SetState(PeerState::Draining, now);
    } else if ((state == PeerState::Receive && byte == kStopReceive.back()) ||
               (state == PeerState::Duplex && byte == kStopDuplex.back())) {
        EndStream(now);
    }
    // Other codes (volume, pause) change nothing here.
}

void ModemPeer::EndStream(std::int64_t now) {
    const std::int64_t frame = LineFrameAt(now);
    SendReceived(frame);
    Play(frame);
    toLine.clear();
    out.insert(out.end(), kEndTransmit.begin(), kEndTransmit.end());
    Respond(state == PeerState::Receive ? dialect.receiveEnd : kOk);
    SetState(PeerState::Command, now);
}

void ModemPeer::RunLine(const std::string& text, std::int64_t now) {
    // Anything before AT is noise; a line without it is no command.
    std::string upper;
    std::transform(text.begin(), text.end(), std::back_inserter(upper),
                   [](char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); });
    const std::size_t at = upper.find("AT");
    if (at == std::string::npos) {
        return;
    }
    record.commands.push_back(text.substr(at));
    if (settings.echo) {
        out.insert(out.end(), text.begin() + static_cast<std::ptrdiff_t>(at), text.end());
        out.push_back('\r');
    }
    std::string command = upper.substr(at + 2);
    std::erase(command, ' ');
    const bool extended = !command.empty() && (command.front() == '+' || command.front() == '#');
    const std::string_view result = extended ? RunExtended(command, now) : RunBasic(command, now);
    if (!result.empty()) {
        Respond(result);
    }
}

std::string_view ModemPeer::RunBasic(std::string_view commands, std::int64_t now) {
    constexpr std::string_view kDigits = "0123456789";
    while (!commands.empty()) {
        const std::size_t nameLength = commands.front() == '&' ? 2 : 1;
        const std::size_t end =
            std::min(commands.size(), commands.find_first_not_of(kDigits, nameLength));
        const std::string_view name = commands.substr(0, nameLength);
        const std::string_view whole = commands.substr(0, end);
        int value = 0;
        std::from_chars(whole.data() + nameLength, whole.data() + whole.size(), value);
        commands.remove_prefix(end);
        if (whole == "S0" && commands.starts_with('=')) {
            // S0=n: answer after n rings. The program must never ask for that.
            const std::size_t digits =
                std::min(commands.size(), commands.find_first_not_of(kDigits, 1));
            std::from_chars(commands.data() + 1, commands.data() + digits, value);
            record.toldToAutoAnswer = record.toldToAutoAnswer || value > 0;
            commands.remove_prefix(digits);
            continue;
        }
        // Hardware flow control and verbose results: the peer works so anyway.
        if (std::find(dialect.flowControl.begin(), dialect.flowControl.end(), whole) !=
                dialect.flowControl.end() ||
            whole == "V1") {
            continue;
        }
        if (name == "E" && value <= 1) {
            settings.echo = value == 1;
        } else if ((name == "Z" || name == "&F") && value == 0) {
            GoOnHook();
            PowerOn(now);
        } else if (name == "H" && value == 0) {
            GoOnHook();
        } else if (name == "I" && (value == 0 || value == 3)) {
            Respond(value == 0 ? dialect.model : dialect.revision);
        } else {
            return kError;
        }
    }
    return kOk;
}

std::string_view ModemPeer::RunExtended(std::string_view command, std::int64_t now) {
    const std::size_t end = command.find_first_of("=?");
    const std::string_view name = command.substr(0, end);
    const std::string_view argument = end == std::string_view::npos ? "" : command.substr(end);
    const bool setting = argument.size() > 1 && argument.front() == '=' && argument != "=?";
    if (std::find(kAcceptedSettings.begin(), kAcceptedSettings.end(), name) !=
        kAcceptedSettings.end()) {
        return setting ? kOk : kError;
    }
    if (name == "+VCID" || name == "#CID") {
        return name == dialect.callerIdCommand ? SetCallerId(argument) : kError;
    }
    if ((name == "+GMI" || name == "+GMM") && argument.empty()) {
        Respond(name == "+GMI" ? dialect.manufacturer : dialect.modelName);
        return kOk;
    }
    if (name == "+FCLASS") {
        return SetClass(argument);
    }
    if (!VoiceClass()) {
        return kError;
    }
    if (name == "+VSM") {
        return SetFormat(argument);
    }
    if (name == "+VLS") {
        return SetHook(argument);
    }
    if (name == "+VTS") {
        return StartTone(argument, now);
    }
    if (argument.empty() && name == "+VRX") {
        return StartStream(PeerState::Receive, now);
    }
    if (argument.empty() && name == "+VTX") {
        return StartStream(PeerState::Transmit, now);
    }
    if (argument.empty() && name == "+VTR" && options.duplex) {
        return StartStream(PeerState::Duplex, now);
    }
    return kError;
}

std::string_view ModemPeer::SetCallerId(std::string_view argument) {
    if (argument != "=0" && argument != "=1") {
        return kError;
    }
    settings.callerId = argument == "=1";
    return kOk;
}

std::string_view ModemPeer::SetClass(std::string_view argument) {
    const std::string_view classes = options.dataOnly ? dialect.dataClasses : dialect.classes;
    if (argument == "=?" || argument == "?") {
        Respond(argument == "?" ? std::string_view(settings.fclass) : classes);
        return kOk;
    }
    if (argument.size() < 2 || argument.front() != '=' || !Listed(classes, argument.substr(1))) {
        return kError;
    }
    settings.fclass = argument.substr(1);
    return kOk;
}

std::string_view ModemPeer::SetFormat(std::string_view argument) {
    if (argument == "=?") {
        for (const PeerFormat& format : dialect.formats) {
            Respond(format.listing);
        }
        return kOk;
    }
    // <cml>,8000 with the silence settings ",0,0" after it or not.
    const std::optional<std::vector<int>> values =
        argument.starts_with("=") ? Numbers(argument.substr(1)) : std::nullopt;
    if (!values || (values->size() != 2 && values->size() != 4) || (*values)[1] != kLineRate) {
        return kError;
    }
    const auto format = std::find_if(dialect.formats.begin(), dialect.formats.end(),
                                     [&](const PeerFormat& offered) {
                                         return offered.cml == values->front() && offered.coding;
                                     });
    if (format == dialect.formats.end()) {
        return kError;
    }
    settings.format = format->cml;
    return kOk;
}

std::string_view ModemPeer::SetHook(std::string_view argument) {
    if (argument == "=0") {
        GoOnHook();
        return kOk;
    }
    if (argument == "=1") {
        return GoOffHook() ? dialect.offHookAnswer : kError;
    }
    return kError;
}

std::string_view ModemPeer::StartStream(PeerState stream, std::int64_t now) {
    if (!offHook) {
        return kError;
    }
    receiveFrame = playFrame = LineFrameAt(now);
    toLine.clear();
    afterDle = false;
    SetState(stream, now);
    return kConnect;
}

std::string_view ModemPeer::StartTone(std::string_view argument, std::int64_t now) {
    // =[f1,f2,d]: f2 0 for one frequency, d in 10 ms.
    if (!offHook || !argument.starts_with("=[") || !argument.ends_with("]")) {
        return kError;
    }
    const std::optional<std::vector<int>> values = Numbers(argument.substr(2, argument.size() - 3));
    if (!values || values->size() != 3 || !Audible((*values)[0]) ||
        ((*values)[1] != 0 && !Audible((*values)[1])) || (*values)[2] < 0 ||
        (*values)[2] > kLongestTone) {
        return kError;
    }
    const std::int64_t start = LineFrameAt(now);
    const std::int32_t frames = (*values)[2] * kLineRate / 100;
    LineTone tone = BeepTone(start, frames);
    tone.frequency1 = (*values)[0];
    tone.frequency2 = (*values)[1];
    if (tone.frequency2 > 0.0) {
        tone.amplitude /= 2;  // two frequencies peak where one alone would
    }
    std::vector<std::int32_t> mix(static_cast<std::size_t>(frames), 0);
    tone.MixInto(mix.data(), start, frames);
    toLine.assign(mix.begin(), mix.end());
    playFrame = start;
    SetState(PeerState::Draining, now);
    return kLater;
}

void ModemPeer::Respond(std::string_view text) {
    out.insert(out.end(), {'\r', '\n'});
    out.insert(out.end(), text.begin(), text.end());
    out.insert(out.end(), {'\r', '\n'});
}

// --- Audio.

const PeerFormat& ModemPeer::Format() const {
    return *std::find_if(
        dialect.formats.begin(), dialect.formats.end(),
        [this](const PeerFormat& format) { return format.cml == settings.format; });
}

void ModemPeer::Stream(std::int64_t now) {
    const std::int64_t frame = LineFrameAt(now);
    if (state == PeerState::Receive || state == PeerState::Duplex) {
        SendReceived(frame);
    }
    if (state == PeerState::Transmit || state == PeerState::Duplex ||
        state == PeerState::Draining) {
        Play(frame);
    }
    if (state == PeerState::Draining && toLine.empty()) {
        Respond(kOk);
        SetState(PeerState::Command, now);
        Feed(std::exchange(held, {}), now);
    }
}

void ModemPeer::SendReceived(std::int64_t frame) {
    if (frame <= receiveFrame) {
        return;
    }
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frame - receiveFrame));
    line->WaveDevice().Generate(samples.data(), static_cast<std::int32_t>(samples.size()),
                                kLineFormat, receiveFrame * kNsPerFrame);
    std::vector<std::uint8_t> bytes(samples.size());
    std::transform(samples.begin(), samples.end(), bytes.begin(),
                   [coding = *Format().coding](std::int16_t s) { return Encode(coding, s); });
    AppendShielded(out, bytes);
    receiveFrame = frame;
}

void ModemPeer::Play(std::int64_t frame) {
    const auto due = static_cast<std::size_t>(
        std::clamp<std::int64_t>(frame - playFrame, 0, static_cast<std::int64_t>(toLine.size())));
    if (due > 0) {
        const std::vector<std::int16_t> samples(toLine.begin(),
                                                toLine.begin() + static_cast<std::ptrdiff_t>(due));
        line->WaveDevice().AppendCapture(samples.data(), due, playFrame * kNsPerFrame, kLineFormat);
        toLine.erase(toLine.begin(), toLine.begin() + static_cast<std::ptrdiff_t>(due));
    }
    // A stream that ran dry goes on where its next audio comes, as a modem's does after an
    // underrun.
    playFrame = std::max(playFrame, frame);
}
