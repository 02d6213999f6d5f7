// A voice modem on a pseudo terminal whose telephone side is a simulated line: the program talks
// AT commands to it through its modem line provider as to a modem on a serial port, while the
// line's control interface makes calls ring, speak, press keys and hang up as ever.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "simulation/ModemPeerDialect.h"
#include "simulation/ModemPeerPort.h"
#include "telephony/LineProvider.h"
#include "telephony/providers/simulated/SimulatedLine.h"

// When caller ID comes: before the first ring (as in the UK) or between the first and second.
enum class CallerIdTiming { BeforeFirstRing, AfterFirstRing };
// What tells that the far end hung up: a loop-current break (DLE l) and then the exchange's tone,
// or only the tone (DLE b every few seconds).
enum class HangUpSignal { LoopBreak, ToneOnly };
// A far-party key: one DLE digit, or DLE / ... DLE ~ with the digit repeated while it is held.
enum class DtmfStyle { Plain, Bracketed };

struct ModemPeerOptions {
    ModemDialect dialect = ModemDialect::Conexant;
    CallerIdTiming callerIdTiming = CallerIdTiming::BeforeFirstRing;
    HangUpSignal hangUp = HangUpSignal::LoopBreak;
    DtmfStyle dtmf = DtmfStyle::Plain;
    bool falseDialTones = false;  // a lone DLE d now and then while streaming
    bool dataOnly = false;        // no voice class
    bool duplex = true;           // AT+VTR
    // The dialect as it comes: a USR modem sends caller ID after the first ring, has no duplex
    // and reports a dial tone now and then that is not there.
    static ModemPeerOptions Of(ModemDialect dialect);
};

// The lines a headless run can reach its simulated line through: its own provider, or the voice
// modem provider talking to a modem peer of either dialect.
inline constexpr char kSimulatedLineWord[] = "simulated";
inline constexpr char kConexantModemWord[] = "modem";
inline constexpr char kUsrModemWord[] = "modem-usr";
// The peer a line word stands for: none for "simulated"; false when the word is not one of them.
bool ModemPeerNamed(std::string_view word, std::optional<ModemPeerOptions>& options);

// What the peer saw, for tests.
struct ModemPeerRecord {
    std::vector<std::string> commands;  // command lines received, in order
    bool toldToAutoAnswer = false;      // ever given S0 above 0
    bool offHook = false;
    int format = 0;  // the voice format in use (its cml)
};

class ModemPeer : public ClockedDevice {
public:
    // The peer works this often on the line's clock.
    static constexpr std::int64_t kTick = 10'000'000;
    // The link to the terminal, in the folder the peer is given.
    static constexpr char kLinkName[] = "modem";
    // Caller ID after the first ring comes this long after it.
    static constexpr std::int64_t kCallerIdDelay = 500'000'000;
    // The exchange's tone is reported this often.
    static constexpr std::int64_t kToneSignalInterval = 4'000'000'000;
    // A held key repeats this often in the bracketed style.
    static constexpr std::int64_t kDigitRepeat = 70'000'000;
    static constexpr std::int64_t kFalseDialToneInterval = 5'000'000'000;

    // A peer on `line` and its clock with its link in `folder`; with `handOff` each tick first
    // reads everything the program counted as written. Null when no pseudo terminal could be
    // made.
    static std::shared_ptr<ModemPeer> Create(std::shared_ptr<SimulatedLine> line,
                                             const std::string& folder, ModemPeerOptions options,
                                             std::shared_ptr<PortHandOff> handOff = nullptr);
    ~ModemPeer() override;
    ModemPeer(const ModemPeer&) = delete;
    ModemPeer& operator=(const ModemPeer&) = delete;

    // The path the program opens the port by.
    const std::string& PortPath() const { return port.LinkPath(); }

    // --- Faults.
    // A stalled peer reads nothing and answers nothing; its streams stop.
    void Stall(bool stalled);
    // Bytes sent to the program as they are, at once, whatever the peer is doing: garbage, or
    // an event whose way through the program is to be timed.
    void SendRaw(ModemBytes bytes);
    // The modem goes away: the line goes on hook, the terminal closes and the link goes.
    void Vanish();
    // It comes back as after power-on, on a new terminal behind the same link. False when no
    // pseudo terminal could be made.
    bool Return();

    ModemPeerRecord Record() const;

    std::int64_t Tick(std::int64_t now) override;

private:
    class LineReports;
    // The modem's state towards the program: commands, or a voice stream.
    enum class PeerState {
        Command,
        Receive,   // +VRX: the line's audio to the program
        Transmit,  // +VTX: the program's audio to the line
        Duplex,    // +VTR: both
        Draining,  // what is queued for the line plays out (after +VTX, or a +VTS tone), then OK
    };
    // What AT&F restores.
    struct Settings {
        bool echo = true;
        bool callerId = false;
        std::string fclass = "0";
        int format = 0;
    };
    struct Scheduled {
        std::int64_t time;
        std::uint8_t code;
    };

    ModemPeer(std::shared_ptr<SimulatedLine> line, const std::string& folder,
              ModemPeerOptions options, std::shared_ptr<PortHandOff> handOff);

    void SetState(PeerState newState, std::int64_t now);
    void PowerOn(std::int64_t now);
    bool VoiceClass() const { return settings.fclass == "8"; }

    // --- The telephone side.
    void TakeLineReports(std::int64_t now);
    void CallStateChanged(std::uint32_t state, std::int64_t now);
    void Ring(std::uint32_t count, std::int64_t now);
    void SendCallerId();
    void Digit(char digit, std::int64_t time);
    void Signal(std::uint8_t code);
    void RunScheduled(std::int64_t now);
    bool GoOffHook();
    void GoOnHook();

    // --- The program's side.
    void Feed(const ModemBytes& bytes, std::int64_t now);
    void FeedStream(std::uint8_t byte, std::int64_t now);
    void RunLine(const std::string& line, std::int64_t now);
    std::string_view RunBasic(std::string_view commands, std::int64_t now);
    std::string_view RunExtended(std::string_view command, std::int64_t now);
    std::string_view SetCallerId(std::string_view argument);
    std::string_view SetClass(std::string_view value);
    std::string_view SetFormat(std::string_view value);
    std::string_view SetHook(std::string_view value);
    std::string_view StartStream(PeerState stream, std::int64_t now);
    std::string_view StartTone(std::string_view value, std::int64_t now);
    void Respond(std::string_view text);
    void EndStream(std::int64_t now);

    // --- Audio.
    const PeerFormat& Format() const;
    void Stream(std::int64_t now);
    void SendReceived(std::int64_t frame);
    void Play(std::int64_t frame);

    const std::shared_ptr<SimulatedLine> line;
    const ModemPeerOptions options;
    const PeerDialect& dialect;
    std::shared_ptr<LineReports> reports;
    std::unique_ptr<LineDevice> device;

    const std::shared_ptr<PortHandOff> handOff;

    mutable std::mutex mutex;  // everything below
    ModemPeerPort port;
    bool stalled = false;
    ModemPeerRecord record;

    Settings settings;
    PeerState state = PeerState::Command;
    bool offHook = false;
    ModemBytes out;           // to the program at the end of the tick
    ModemBytes held;          // from the program while draining, read once back in command state
    std::string commandLine;  // read so far
    bool afterDle = false;
    ModemBytes dleCodes;  // DLE codes of this tick, sent after its audio

    ProviderCallId call = 0;
    std::uint32_t callState = 0;  // LINECALLSTATE_, as last reported
    std::uint32_t requests = 0;
    std::int64_t callerIdAt = INT64_MAX;
    std::int64_t toneSignalAt = INT64_MAX;
    std::int64_t falseDialToneAt = INT64_MAX;
    std::vector<Scheduled> scheduled;  // bracketed key repeats

    std::int64_t receiveFrame = 0;  // line frame of the next sample to the program
    std::int64_t playFrame = 0;     // line frame of the next sample to the line
    std::deque<std::int16_t> toLine;
};
