// The modem peer through its pseudo terminal: both dialects' answers, rings and caller ID, voice
// streams to and from the simulated line, DLE events, and the port's faults.
#include "simulation/ModemPeer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "audio/dsp/TestSources.h"
#include "audio/files/G711.h"
#include "support/TempDir.h"
#include "telephony/providers/modem/ModemStream.h"

namespace {

constexpr std::int64_t kMs = 1'000'000;
using Words = std::vector<std::string>;

ModemPeerOptions With(ModemDialect dialect, const std::function<void(ModemPeerOptions&)>& change) {
    ModemPeerOptions options = ModemPeerOptions::Of(dialect);
    change(options);
    return options;
}

// Frames of `samples` from the first to the last that is not near silence.
std::ptrdiff_t AudibleSpan(const std::vector<std::int16_t>& samples) {
    auto loud = [](std::int16_t s) { return std::abs(s) > 100; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
    return first == samples.end() ? 0 : last.base() - first;
}

const ModemPeerOptions kConexant = ModemPeerOptions::Of(ModemDialect::Conexant);
const ModemPeerOptions kUsr = ModemPeerOptions::Of(ModemDialect::Usr);

// An event in a word: results by name, lines as they read, caller ID fields as TAG=value (the
// digits of the date and time as n), DLE codes by their character; audio is left out.
std::optional<std::string> Word(const ModemEvent& event) {
    if (const auto* field = std::get_if<CallerIdField>(&event)) {
        std::string value = field->value;
        if (field->tag == "DATE" || field->tag == "TIME") {
            std::replace_if(
                value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }, 'n');
        }
        return field->tag + "=" + value;
    }
    if (const auto* dle = std::get_if<DleEvent>(&event)) {
        return std::string("DLE ") + static_cast<char>(dle->code);
    }
    if (const auto* line = std::get_if<ModemLine>(&event)) {
        return line->text;
    }
    if (std::holds_alternative<ModemAudio>(event)) {
        return std::nullopt;
    }
    return Describe(event);
}

// The program's end of the port, on a test clock shared with the line and the peer.
class PeerBench {
public:
    explicit PeerBench(const ModemPeerOptions& options)
        : line(SimulatedLine::Create(clock)),
          handOff(std::make_shared<PortHandOff>(clock)),
          peer(ModemPeer::Create(line, folder.Path(), options, handOff)) {
        EXPECT_TRUE(peer);
        Reopen();
    }

    void Reopen() { port.Reset(::open(peer->PortPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)); }

    void Send(std::string_view bytes) {
        ASSERT_EQ(::write(port.Get(), bytes.data(), bytes.size()), ssize_t(bytes.size()));
        handOff->ProgramWrote(bytes.size());
    }
    void Send(const ModemBytes& bytes) {
        Send(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

    // Moves the clock on a tick at a time, reading what the peer writes as a program does.
    std::vector<ModemEvent> Run(std::int64_t ms) {
        std::vector<ModemEvent> events;
        for (std::int64_t step = 0; step < ms * kMs; step += ModemPeer::kTick) {
            clock.Advance(ModemPeer::kTick);
            std::vector<ModemEvent> more = stream.Feed(ReceiveRaw());
            events.insert(events.end(), more.begin(), more.end());
        }
        return events;
    }
    Words RunWords(std::int64_t ms) { return WordsOf(Run(ms)); }

    // Everything the peer wrote that the program has not read, as it arrives.
    ModemBytes ReceiveRaw() {
        ModemBytes bytes;
        std::array<std::uint8_t, 4096> chunk{};
        while (handOff->UnreadByProgram() > 0) {
            pollfd ready{port.Get(), POLLIN, 0};
            if (::poll(&ready, 1, 5000) <= 0) {
                ADD_FAILURE() << "the peer's bytes did not arrive";
                break;
            }
            const ssize_t got = ::read(port.Get(), chunk.data(), chunk.size());
            if (got <= 0) {
                break;
            }
            bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
            handOff->ProgramRead(std::size_t(got));
        }
        raw.insert(raw.end(), bytes.begin(), bytes.end());
        return bytes;
    }

    // Sends a command line and runs the clock until its result (at most three seconds).
    Words Command(const std::string& command) {
        if (command.starts_with("AT+VRX") || command.starts_with("AT+VTX") ||
            command.starts_with("AT+VTR")) {
            stream.SetMode(ModemStream::Mode::AwaitingConnect);
        }
        Send(command + "\r");
        return UntilResult();
    }
    Words UntilResult() {
        Words words;
        for (int tick = 0; tick < 300; ++tick) {
            for (const ModemEvent& event : Run(ModemPeer::kTick / kMs)) {
                words.push_back(Word(event).value_or("audio"));
                if (std::holds_alternative<ModemResult>(event) &&
                    std::get<ModemResult>(event) != ModemResult::Ring) {
                    std::erase(words, "audio");
                    return words;
                }
            }
        }
        ADD_FAILURE() << "no result";
        return words;
    }
    // Commands that must each give `result`.
    void Setup(const Words& commands) {
        for (const std::string& command : commands) {
            const Words words = Command(command);
            ASSERT_FALSE(words.empty());
            ASSERT_NE(words.back(), "ERROR") << command;
        }
    }

    static Words WordsOf(const std::vector<ModemEvent>& events) {
        Words words;
        for (const ModemEvent& event : events) {
            if (std::optional<std::string> word = Word(event)) {
                words.push_back(*word);
            }
        }
        return words;
    }
    static ModemBytes AudioOf(const std::vector<ModemEvent>& events) {
        ModemBytes bytes;
        for (const ModemEvent& event : events) {
            if (const auto* audio = std::get_if<ModemAudio>(&event)) {
                bytes.insert(bytes.end(), audio->bytes.begin(), audio->bytes.end());
            }
        }
        return bytes;
    }

    TestClock clock;
    TempDir folder;
    std::shared_ptr<SimulatedLine> line;
    std::shared_ptr<PortHandOff> handOff;
    std::shared_ptr<ModemPeer> peer;
    UniqueFd port;
    ModemStream stream;
    ModemBytes raw;  // all the peer wrote
};

struct AnswerRow {
    const char* name;
    ModemPeerOptions options;
    Words commands;
    Words answers;  // of all the commands, in order
};

class ModemPeerAnswers : public ::testing::TestWithParam<AnswerRow> {};

TEST_P(ModemPeerAnswers, AnswerAsTheDialectDoes) {
    PeerBench bench(GetParam().options);
    Words answers;
    for (const std::string& command : GetParam().commands) {
        const Words words = bench.Command(command);
        answers.insert(answers.end(), words.begin(), words.end());
    }
    EXPECT_EQ(answers, GetParam().answers);
    EXPECT_EQ(bench.peer->Record().commands, GetParam().commands);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModemPeerAnswers,
    ::testing::Values(
        AnswerRow{"ConexantIdentifies",
                  kConexant,
                  {"ATI0", "ati3", "AT+GMI", "AT+GMM"},
                  {"56000", "OK", "CX93001-EIS_V0.2013-V92", "OK", "CONEXANT", "OK", "V90", "OK"}},
        AnswerRow{"UsrIdentifies",
                  kUsr,
                  {"ATI0", "ATI3", "AT+GMI", "AT+GMM"},
                  {"5601", "OK", "USRobotics 56K FAX USB V1.2.23", "OK", "U.S. Robotics", "OK",
                   "USR5637", "OK"}},
        AnswerRow{"ConexantSettings",
                  kConexant,
                  {"ATE0V1", "AT&K3", "AT+IFC=2,2", "AT+VCID=1", "AT#CID=1", "AT+GCI=B4", "ATX4"},
                  {"OK", "OK", "OK", "OK", "ERROR", "OK", "ERROR"}},
        AnswerRow{"UsrSettings",
                  kUsr,
                  {"AT&H1&R2", "AT&K3", "AT#CID=1", "AT+VCID=1", "AT+VIT=0"},
                  {"OK", "ERROR", "OK", "ERROR", "OK"}},
        AnswerRow{
            "ConexantVoice",
            kConexant,
            {"AT+VSM=?", "AT+FCLASS=?", "AT+FCLASS=8", "AT+FCLASS?", "AT+VSM=?", "AT+VSM=129,8000",
             "AT+VSM=131,8000,0,0", "AT+VSM=131,7200", "AT+VRX"},
            {"ERROR", "0,1,1.0,2,8", "OK", "OK", "8", "OK", R"(0,"SIGNED PCM",8,0,(8000),(0),(0))",
             R"(1,"UNSIGNED PCM",8,0,(8000),(0),(0))", R"(130,"UNSIGNED PCM",8,0,(8000),(0),(0))",
             R"(131,"G.711U",8,0,(8000),(0),(0))", R"(132,"G.711A",8,0,(8000),(0),(0))",
             R"(129,"IMA ADPCM",4,0,(8000),(0),(0))", "OK", "ERROR", "OK", "ERROR", "ERROR"}},
        AnswerRow{
            "UsrVoice",
            kUsr,
            {"AT+FCLASS=?", "AT+FCLASS=8", "AT+VSM=?", "AT+VSM=128,8000", "AT+VLS=1", "AT+VTR",
             "AT+VLS=0"},
            {"0,1,2,8", "OK", "OK", R"(+VSM: 128,"8-bit linear",8,0,8000,0,0)",
             R"(+VSM: 131,"g.711 ulaw",8,0,8000,0,0)", R"(+VSM: 132,"g.711 alaw",8,0,8000,0,0)",
             R"(+VSM: 129,"adpcm",4,0,8000,0,0)", "OK", "OK", "VCON", "ERROR", "OK"}},
        AnswerRow{"DataOnly",
                  With(ModemDialect::Conexant, [](auto& o) { o.dataOnly = true; }),
                  {"AT+FCLASS=?", "AT+FCLASS=8", "AT+FCLASS=2"},
                  {"0,1,2", "OK", "ERROR", "OK"}}),
    [](const auto& info) { return info.param.name; });

TEST(ModemPeerTest, EchoesUntilToldNotToAndRecordsAnAutoAnswerRequest) {
    PeerBench bench(kConexant);
    bench.Command("ATZ");
    bench.Command("ATE0S0=0");
    EXPECT_FALSE(bench.peer->Record().toldToAutoAnswer);
    bench.Command("ATS0=2");
    EXPECT_EQ(std::string(bench.raw.begin(), bench.raw.end()),
              "ATZ\r\r\nOK\r\nATE0S0=0\r\r\nOK\r\n\r\nOK\r\n");
    EXPECT_TRUE(bench.peer->Record().toldToAutoAnswer);
    // Power-on settings again: echo on.
    bench.Command("AT&F");
    bench.raw.clear();
    bench.Command("AT");
    EXPECT_EQ(std::string(bench.raw.begin(), bench.raw.end()), "AT\r\r\nOK\r\n");
}

struct RingRow {
    const char* name;
    ModemPeerOptions options;
    Words setup;
    SimulatedCallerId callerId;
    Words heard;          // in the first second and a half, rings a second apart
    std::string spelled;  // as the number's line reads
};

class ModemPeerRings : public ::testing::TestWithParam<RingRow> {};

TEST_P(ModemPeerRings, RingWithCallerIdWhereTheDialectSendsIt) {
    PeerBench bench(GetParam().options);
    bench.Setup(GetParam().setup);
    bench.line->SetRingInterval(1000 * kMs);
    ASSERT_TRUE(bench.line->Ring(GetParam().callerId));
    EXPECT_EQ(bench.RunWords(1500), GetParam().heard);
    const std::string raw(bench.raw.begin(), bench.raw.end());
    EXPECT_NE(raw.find(GetParam().spelled), std::string::npos) << raw;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModemPeerRings,
    ::testing::Values(RingRow{"ConexantBeforeTheFirstRing",
                              kConexant,
                              {"AT+VCID=1"},
                              {SimulatedCallerId::Kind::Number, "5551234", "SMITH J"},
                              {"DATE=nnnn", "TIME=nnnn", "NMBR=5551234", "NAME=SMITH J",
                               "MESG=0201", "RING", "RING"},
                              "\r\nNMBR = 5551234\r\n"},
                      RingRow{"UsrBetweenTheFirstTwoRings",
                              kUsr,
                              {"AT#CID=1"},
                              {SimulatedCallerId::Kind::Number, "5551234", "SMITH J"},
                              {"RING", "DATE=nnnn", "TIME=nnnn", "NMBR=5551234", "NAME=SMITH J",
                               "MESG=0201", "RING"},
                              "\r\nNMBR=5551234\r\n"},
                      RingRow{"ConexantVoiceClassRingsWithDle",
                              kConexant,
                              {"AT+VCID=1", "AT+FCLASS=8"},
                              {SimulatedCallerId::Kind::Blocked, "5551234", "SMITH J"},
                              {"DATE=nnnn", "TIME=nnnn", "NMBR=P", "MESG=0201", "DLE R", "DLE R"},
                              "\x10R"},
                      RingRow{"UsrUnavailableLeavesTheNameOut",
                              kUsr,
                              {"AT#CID=1", "AT+FCLASS=8"},
                              {SimulatedCallerId::Kind::OutOfArea, "", "SMITH J"},
                              {"RING", "DATE=nnnn", "TIME=nnnn", "NMBR=O", "MESG=0201", "RING"},
                              "NMBR=O"},
                      RingRow{"NoCallerIdUnlessAsked",
                              kConexant,
                              {},
                              {SimulatedCallerId::Kind::Number, "5551234", "SMITH J"},
                              {"RING", "RING"},
                              "RING"}),
    [](const auto& info) { return info.param.name; });

struct FormatRow {
    const char* name;
    ModemDialect dialect;
    int format;
    std::int16_t sample;  // whose code in the format is a DLE byte
    std::string_view end;
};

class ModemPeerReceive : public ::testing::TestWithParam<FormatRow> {};

TEST_P(ModemPeerReceive, AnsweringConnectsTheLineAndItsAudioComesInTheFormat) {
    const FormatRow& row = GetParam();
    PeerBench bench(ModemPeerOptions::Of(row.dialect));
    bench.Setup({"AT+FCLASS=8", "AT+VSM=" + std::to_string(row.format) + ",8000"});
    ASSERT_TRUE(bench.line->Ring({}));
    bench.Command("AT+VLS=1");
    EXPECT_EQ(bench.line->State(), SimulatedCallState::Connected);
    EXPECT_TRUE(bench.peer->Record().offHook);
    EXPECT_EQ(bench.peer->Record().format, row.format);
    bench.line->SetFarPartyAudio(
        MakeVectorSource(std::vector<std::int32_t>(8000, row.sample * 16), 8000));
    EXPECT_EQ(bench.Command("AT+VRX"), Words{"CONNECT"});
    bench.raw.clear();
    std::vector<ModemEvent> events = bench.Run(100);
    // Command lines are not read while it streams; DLE ! ends the stream with what it had up
    // to then, DLE ETX and the dialect's result.
    bench.Send("ATH\r");
    bench.Send(kStopReceive);
    std::vector<ModemEvent> end = bench.Run(10);
    events.insert(events.end(), end.begin(), end.end());
    const ModemBytes audio = PeerBench::AudioOf(events);
    EXPECT_EQ(audio, ModemBytes(880, kDle));
    EXPECT_EQ(std::count(bench.raw.begin(), bench.raw.end(), kDle), 2 * 880 + 1);
    EXPECT_EQ(PeerBench::WordsOf(events), (Words{"DLE \x03", std::string(row.end)}));
    // On hook again, the call ends.
    EXPECT_EQ(bench.Command("AT+VLS=0"), Words{"OK"});
    bench.Run(200);
    EXPECT_EQ(bench.line->State(), SimulatedCallState::Idle);
    EXPECT_FALSE(bench.peer->Record().offHook);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModemPeerReceive,
    ::testing::Values(FormatRow{"ConexantSigned", ModemDialect::Conexant, 0, 4096, "OK"},
                      FormatRow{"ConexantMulaw", ModemDialect::Conexant, 131, MulawToLinear(kDle),
                                "OK"},
                      FormatRow{"UsrUnsigned", ModemDialect::Usr, 128, -28672, "VCON"},
                      FormatRow{"UsrAlaw", ModemDialect::Usr, 132, AlawToLinear(kDle), "VCON"}),
    [](const auto& info) { return info.param.name; });

TEST(ModemPeerTest, TransmittedAudioTonesAndDuplexAudioLandInTheLinesCapture) {
    PeerBench bench(kConexant);
    // Off hook on an idle line takes it; signed 8-bit: a DLE byte is 4096, a space 8192.
    bench.Setup({"AT+FCLASS=8", "AT+VSM=0,8000", "AT+VLS=1", "AT+VTX"});
    EXPECT_EQ(bench.line->State(), SimulatedCallState::Connected);
    ModemBytes audio;
    AppendShielded(audio, ModemBytes(800, kDle));
    audio.insert(audio.end(), 800, ' ');
    audio.insert(audio.end(), kEndTransmit.begin(), kEndTransmit.end());
    bench.Send(audio);
    bench.stream.SetMode(ModemStream::Mode::Command);
    // It plays for a fifth of a second; OK once it has.
    EXPECT_EQ(bench.RunWords(180), Words{});
    EXPECT_EQ(bench.UntilResult(), Words{"OK"});
    std::vector<std::int16_t> capture = bench.line->Capture();
    const auto first = std::find(capture.begin(), capture.end(), 4096);
    ASSERT_GE(capture.end() - first, 1600);
    EXPECT_TRUE(std::all_of(first, first + 800, [](std::int16_t s) { return s == 4096; }));
    EXPECT_TRUE(std::all_of(first + 800, first + 1600, [](std::int16_t s) { return s == 8192; }));
    // Aborted: what was queued is dropped.
    bench.Command("AT+VTX");
    audio.assign(2000, ' ');
    audio.insert(audio.end(), kAbortTransmit.begin(), kAbortTransmit.end());
    bench.Send(audio);
    bench.stream.SetMode(ModemStream::Mode::Command);
    EXPECT_EQ(bench.RunWords(10), Words{"OK"});
    // A tone: OK once it has sounded.
    bench.line->TakeCapture();
    EXPECT_EQ(bench.Command("AT+VTS=[933,0,20]"), Words{"OK"});
    capture = bench.line->TakeCapture();
    EXPECT_EQ(std::count(capture.begin(), capture.end(), 8192), 0);
    EXPECT_NEAR(double(AudibleSpan(capture)), 1600.0, 4.0);
    // Both ways at once: the line's audio comes while the program's plays, until DLE ^.
    bench.Command("AT+VTR");
    bench.Send(ModemBytes(160, ' '));
    std::vector<ModemEvent> events = bench.Run(30);
    bench.Send(kStopDuplex);
    const std::vector<ModemEvent> end = bench.Run(10);
    events.insert(events.end(), end.begin(), end.end());
    EXPECT_EQ(PeerBench::AudioOf(events), ModemBytes(320, 0));
    EXPECT_EQ(PeerBench::WordsOf(events), (Words{"DLE \x03", "OK"}));
    capture = bench.line->TakeCapture();
    EXPECT_EQ(std::count(capture.begin(), capture.end(), 8192), 160);
}

struct EventRow {
    const char* name;
    ModemPeerOptions options;
    Words setup;  // after the voice class and off hook
    std::function<bool(SimulatedLine&)> happen;
    std::int64_t ms;
    Words signals;
};

class ModemPeerEvents : public ::testing::TestWithParam<EventRow> {};

TEST_P(ModemPeerEvents, WhatHappensOnTheLineComesAsDleCodes) {
    PeerBench bench(GetParam().options);
    bench.Setup({"AT+FCLASS=8", "AT+VLS=1"});
    bench.Setup(GetParam().setup);
    ASSERT_TRUE(GetParam().happen(*bench.line));
    EXPECT_EQ(bench.RunWords(GetParam().ms), GetParam().signals);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModemPeerEvents,
    ::testing::Values(
        EventRow{"Digits",
                 kConexant,
                 {},
                 [](SimulatedLine& l) { return l.SendDigits("1#"); },
                 500,
                 Words{"DLE 1", "DLE #"}},
        EventRow{"BracketedDigits",
                 With(ModemDialect::Conexant, [](auto& o) { o.dtmf = DtmfStyle::Bracketed; }),
                 {},
                 [](SimulatedLine& l) { return l.SendDigits("7"); },
                 500,
                 Words{"DLE /", "DLE 7", "DLE 7", "DLE ~"}},
        EventRow{"DigitsWhileReceiving",
                 kConexant,
                 {"AT+VRX"},
                 [](SimulatedLine& l) { return l.SendDigits("5"); },
                 100,
                 Words{"DLE 5"}},
        EventRow{"NoEventsOutsideTheVoiceClass",
                 kConexant,
                 {"AT+FCLASS=0"},
                 [](SimulatedLine& l) { return l.SendDigits("5"); },
                 500,
                 Words{}},
        EventRow{"HangUpByLoopBreak",
                 kConexant,
                 {},
                 [](SimulatedLine& l) { return l.FarPartyHangsUp(); },
                 4500,
                 Words{"DLE l", "DLE b", "DLE b"}},
        EventRow{"HangUpByToneOnly",
                 With(ModemDialect::Usr, [](auto& o) { o.hangUp = HangUpSignal::ToneOnly; }),
                 {},
                 [](SimulatedLine& l) { return l.FarPartyHangsUp(); },
                 4500,
                 Words{"DLE b", "DLE b"}},
        EventRow{"Busy",
                 kUsr,
                 {},
                 [](SimulatedLine& l) { return l.FarPartyBusy(); },
                 100,
                 Words{"DLE b"}},
        EventRow{"FaxTone",
                 kConexant,
                 {},
                 [](SimulatedLine& l) { return l.SendFaxTone(); },
                 1000,
                 Words{"DLE c"}},
        EventRow{"FalseDialTonesWhileStreaming",
                 With(ModemDialect::Usr, [](auto& o) { o.falseDialTones = true; }),
                 {"AT+VRX"},
                 [](SimulatedLine&) { return true; },
                 5500,
                 Words{"DLE d"}}),
    [](const auto& info) { return info.param.name; });

TEST(ModemPeerTest, AStalledPeerAnswersLaterAndAVanishedOneComesBackAsNew) {
    PeerBench bench(kConexant);
    bench.Setup({"ATE0", "AT+FCLASS=8", "AT+VLS=1"});
    bench.peer->Stall(true);
    bench.Send("AT\r");
    EXPECT_EQ(bench.RunWords(100), Words{});
    bench.peer->SendRaw({'\r', '\n', 0xFF, 'x', '\r', '\n'});
    bench.peer->Stall(false);
    EXPECT_EQ(bench.RunWords(10), (Words{"\xFFx", "OK"}));
    // Gone: the program's reads fail, the line goes on hook and the link goes.
    bench.peer->Vanish();
    std::array<char, 16> buffer{};
    EXPECT_LE(::read(bench.port.Get(), buffer.data(), buffer.size()), 0);
    EXPECT_FALSE(Exists(bench.peer->PortPath()));
    bench.Run(200);
    EXPECT_EQ(bench.line->State(), SimulatedCallState::Idle);
    // Back behind the same link, as after power-on: echo on, class 0.
    ASSERT_TRUE(bench.peer->Return());
    bench.Reopen();
    bench.raw.clear();
    EXPECT_EQ(bench.Command("AT+FCLASS?"), (Words{"0", "OK"}));
    EXPECT_EQ(std::string(bench.raw.begin(), bench.raw.end()), "AT+FCLASS?\r\r\n0\r\n\r\nOK\r\n");
}

}  // namespace
