// Whole calls through the voice modem line: the program's serial code talking to a modem peer of
// either dialect, whose telephone side is the simulated line.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <mutex>
#include <sstream>

#include "audio/dsp/TestSources.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveTestFiles.h"
#include "base/PosixFile.h"
#include "simulation/ScenarioRun.h"
#include "simulation/Simulation.h"
#include "support/QtTestApp.h"
#include "support/TempAppState.h"
#include "telephony/Tapi.h"
#include "telephony/providers/modem/ModemLineProvider.h"
#include "telephony/providers/modem/ModemPort.h"

namespace {

constexpr int kRate = 8000;

struct Dialect {
    const char* name;
    ModemPeerOptions options;
};

const Dialect kDialects[] = {
    {"Conexant", ModemPeerOptions::Of(ModemDialect::Conexant)},
    {"Usr", ModemPeerOptions::Of(ModemDialect::Usr)},
};

// The largest normalised correlation of `b` against `a` shifted by 0 to `maxLag` samples.
double BestCorrelation(const std::vector<std::int32_t>& a, const std::vector<std::int32_t>& b,
                       std::size_t maxLag) {
    double best = 0;
    for (std::size_t lag = 0; lag <= maxLag && lag < b.size(); ++lag) {
        double ab = 0, aa = 0, bb = 0;
        for (std::size_t i = 0; i < a.size() && i + lag < b.size(); ++i) {
            const double x = a[i], y = b[i + lag];
            ab += x * y;
            aa += x * x;
            bb += y * y;
        }
        if (aa > 0 && bb > 0) {
            best = std::max(best, ab / std::sqrt(aa * bb));
        }
    }
    return best;
}

class ModemLineTest : public ::testing::TestWithParam<Dialect> {
protected:
    void SetUp() override { QtTestApp(); }

    // Runs `text` in fresh folders through the modem (or, without `peer`, the simulated line).
    SimulationResult Run(const std::string& text, std::optional<ModemPeerOptions> peer,
                         bool holds = true) {
        std::filesystem::remove_all(dir / "Recordings");
        std::filesystem::remove_all(dir / "Logs");
        app = TempAppState(dir);
        SimulationOptions options;
        options.baseFolder = dir.Path();
        options.modem = peer;
        return RunScenarioText(app, text, options, summary, holds);
    }
    SimulationResult Run(const std::string& text) { return Run(text, GetParam().options); }
    double LengthOf(const std::string& recording) {
        LSoundSourcePtr source = OpenWaveFile(recording);
        return static_cast<double>(source->GetLength()) / kRate;
    }

    TempDir dir;
    AppState app = TempAppState(dir);
    std::string summary;
};

TEST_P(ModemLineTest, EveryExampleScenarioHolds) {
    for (const auto& entry : std::filesystem::directory_iterator(QUILLON_SOURCE_DIR "/examples")) {
        SCOPED_TRACE(entry.path().filename().string());
        std::optional<std::string> text = ReadWholeFile(entry.path().string());
        ASSERT_TRUE(text);
        Run(*text);
    }
}

TEST_P(ModemLineTest, CallerIdBeforeOrBetweenRingsWithheldAndUnavailable) {
    const std::pair<const char*, const char*> callers[] = {
        {"5551234 \"SMITH J\"", "Incoming call 5551234 SMITH J"},
        {"blocked", "Incoming call Blocked"},
        {"out-of-area", "Incoming call Out Of Area"},
    };
    for (CallerIdTiming timing :
         {CallerIdTiming::BeforeFirstRing, CallerIdTiming::AfterFirstRing}) {
        ModemPeerOptions peer = GetParam().options;
        peer.callerIdTiming = timing;
        for (auto [caller, logged] : callers) {
            SCOPED_TRACE(caller);
            Run(std::string("0 ring ") + caller + "\n5 expect popups 0\n7 expect popups 1\n" +
                    "7 expect log \"" + logged + "\"\n10 hangup-far\n10 expect call idle\n" +
                    "20 expect recordings 0\n21 quit\n",
                peer);
        }
    }
}

TEST_P(ModemLineTest, TheRecordingIsTheFarPartyAndTheLineCarriesThePrompts) {
    // Loud enough for G.711 codes 0x10 and 0x90: shielded both ways on the port.
    const std::vector<std::int32_t> far = Noise(20 * kRate, 12000);
    WriteFile(dir / "far.wav", Pcm16File(1, kRate, {far.begin(), far.end()}));
    SimulationResult result = Run(R"(
0    set recordalc false
0    ring 5551234
1    say far.wav
2    user record
25   expect beeps 1
26   user stop
30   expect heard "End Prompt"
31   quit
)");
    ASSERT_EQ(result.recordings.size(), 1u) << summary;
    std::vector<std::int32_t> recorded = ReadAll(*OpenWaveFile(result.recordings[0]), 20 * kRate);
    // The far party began at 1 s; the recording after the start prompt. Mu-law keeps it close.
    const std::vector<std::int32_t> tail(far.begin() + 10 * kRate, far.end());
    EXPECT_GT(BestCorrelation(std::vector<std::int32_t>(tail.begin(), tail.begin() + kRate),
                              recorded, 10 * kRate),
              0.95);
}

TEST_P(ModemLineTest, HoldTurnsTheFilesAndANineHangsUp) {
    Run(R"(
0    set startprompt false
0    ring 5551234
2    user record
6    user hold
20   expect heard "On-Hold 1"
20   expect mode hold
21   digits 9
24   expect call idle
24   expect mode idle
25   quit
)");
}

TEST_P(ModemLineTest, AFarEndHangUpLosesWhatItLosesOnTheSimulatedLine) {
    WriteFile(dir / "far.wav", Pcm16File(1, kRate, std::vector<std::int16_t>(30 * kRate, 3000)));
    const std::string call =
        "0 set startprompt false\n0 set recordalc false\n0 ring 5551234\n1 say far.wav\n"
        "2 user record\n20 hangup-far\n30 expect call idle\n30 expect recordings 1\n31 quit\n";
    SimulationResult simulated = Run(call, std::nullopt);
    ASSERT_EQ(simulated.recordings.size(), 1u) << summary;
    const double expected = LengthOf(simulated.recordings[0]);
    for (HangUpSignal signal : {HangUpSignal::LoopBreak, HangUpSignal::ToneOnly}) {
        ModemPeerOptions peer = GetParam().options;
        peer.hangUp = signal;
        SimulationResult result = Run(call, peer);
        ASSERT_EQ(result.recordings.size(), 1u) << summary;
        EXPECT_NEAR(LengthOf(result.recordings[0]), expected, 0.2) << summary;
    }
}

TEST_P(ModemLineTest, AFaxCallIsLetGo) {
    Run("0 ring 5551234\n2 user record\n8 fax\n12 expect call idle\n12 expect mode idle\n13 "
        "quit\n");
}

// A stalled modem is found again once it answers; garbage on the port changes nothing; a modem
// that goes during a call leaves a whole recording, and is watched again when it comes back.
TEST_P(ModemLineTest, AModemThatStallsVanishesOrBabblesIsRecoveredAndTheCallKept) {
    const std::string gone = "\"Line device gone: calls are not seen until it is back\"";
    const std::string back = "\"Line device back: calls are seen again\"";
    Run("0 set startprompt false\n0 set endprompt false\n0 modem garbage\n0 ring 5551234\n"
        "2 user record\n4 modem garbage\n8 modem stall\n10 user stop\n20 expect log " +
        gone + "\n24 modem resume\n30 expect log " + back +
        "\n30 expect recordings 1\n"
        "31 ring 5550002\n38 expect log \"Incoming call 5550002\"\n38 user record\n"
        "42 expect mode record\n43 quit\n");
    SimulationResult result =
        Run("0 set startprompt false\n0 set recordalc false\n0 ring 5551234\n2 user record\n"
            "12 modem vanish\n14 expect call idle\n14 expect mode idle\n14 expect recordings 1\n"
            "14 expect log " +
            gone + "\n16 modem return\n20 expect log " + back +
            "\n21 ring 5550002\n28 expect popups 1\n29 quit\n");
    ASSERT_FALSE(result.recordings.empty()) << summary;
    // Everything received until the modem went: from the line taken at 2 s to 12 s.
    EXPECT_NEAR(LengthOf(result.recordings[0]), 10.0, 0.3);
}

INSTANTIATE_TEST_SUITE_P(Dialects, ModemLineTest, ::testing::ValuesIn(kDialects),
                         [](const auto& info) { return std::string(info.param.name); });

// What the provider finds on the ports of the machine, before any call: one voice line of three
// modems, named after what it says it is and its stable link.
TEST(ModemProbeTest, DiscoveryTakesTheVoiceModemSkipsADataModemAndAHeldPort) {
    TempDir dir;
    TestClock clock;
    std::shared_ptr<SimulatedLine> line = SimulatedLine::Create(clock);
    ModemLineOptions options;
    ModemPeerOptions dataOnly = ModemPeerOptions::Of(ModemDialect::Usr);
    dataOnly.dataOnly = true;
    std::vector<std::shared_ptr<ModemPeer>> peers;
    for (const char* folder : {"voice", "data", "held", "dev/serial/by-id", "sys"}) {
        std::filesystem::create_directories(dir / folder);
    }
    const std::pair<const char*, ModemPeerOptions> modems[] = {
        {"ttyACM0", ModemPeerOptions::Of(ModemDialect::Usr)},
        {"ttyACM1", dataOnly},
        {"ttyUSB0", ModemPeerOptions::Of(ModemDialect::Conexant)},
    };
    const char* folders[] = {"voice", "data", "held"};
    for (std::size_t i = 0; i < 3; ++i) {
        auto handOff = std::make_shared<PortHandOff>(clock);
        peers.push_back(ModemPeer::Create(line, dir / folders[i], modems[i].second, handOff));
        const std::string port = dir / (std::string("dev/") + modems[i].first);
        std::filesystem::create_symlink(peers.back()->PortPath(), port);
        options.handOffs[port] = handOff;
    }
    std::filesystem::create_symlink("../../ttyACM0", dir / "dev/serial/by-id/usb-USR-if00");
    std::variant<ModemPort, PortFailure> held = ModemPort::Open(dir / "dev/ttyUSB0", dir.Path());
    ASSERT_TRUE(std::holds_alternative<ModemPort>(held));

    options.clock = &clock;
    options.lockFolder = dir.Path();
    options.devRoot = dir / "dev";
    options.sysRoot = dir / "sys";
    ModemLineProvider provider(options);
    const std::vector<LineDeviceCaps> devices = provider.Devices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, "U.S. Robotics USRobotics 56K FAX USB V1.2.23 (" +
                                   dir / "dev/serial/by-id/usb-USR-if00" + ")");
    const std::vector<ModemReport>& reports = provider.Reports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_TRUE(reports[0].voice);
    EXPECT_NE(std::find(reports[0].formats.begin(), reports[0].formats.end(), "131 g.711 ulaw"),
              reports[0].formats.end());
    EXPECT_EQ(reports[1].problem, "not a voice modem");
    EXPECT_EQ(reports[2].problem.rfind("held by ", 0), 0u) << reports[2].problem;
}

// What a line device reports, in words, without the providers' own call numbers.
class ReportLog : public LineEventSink {
public:
    void CallState(ProviderCallId, std::uint32_t state, std::uint32_t detail) override {
        Add("state " + std::to_string(state) + " " + std::to_string(detail));
    }
    void LineDevState(std::uint32_t state, std::uint32_t, std::uint32_t count) override {
        Add("line " + std::to_string(state) + " " + std::to_string(count));
    }
    void DigitDetected(ProviderCallId, char digit, std::uint32_t) override {
        Add(std::string("digit ") + digit);
    }
    void MediaDetected(ProviderCallId, std::uint32_t mode) override {
        Add("media " + std::to_string(mode));
    }
    void GenerateEnded(ProviderCallId, std::uint32_t how) override {
        Add("generated " + std::to_string(how));
    }
    void RequestCompleted(std::uint32_t request, std::int32_t result) override {
        Add("reply " + std::to_string(request) + " " + std::to_string(result));
    }
    std::vector<std::string> Take() {
        std::lock_guard lock(mutex);
        return std::exchange(lines, {});
    }

private:
    void Add(std::string line) {
        std::lock_guard lock(mutex);
        lines.push_back(std::move(line));
    }
    std::mutex mutex;
    std::vector<std::string> lines;
};

// A call rings with caller ID, is answered, hears two key presses and a fax tone, beeps, and
// the far end hangs up: the modem line reports it all as the simulated line does, however its
// modem brackets and repeats keys or reports dial tones that are not there, and a key whose DLE
// code is split across two reads is one key.
TEST(ModemReportsTest, TheModemLineReportsACallAsTheSimulatedLineDoes) {
    const auto call = [](bool throughModem, ModemDialect dialect) {
        TempDir dir;
        TestClock clock;
        std::shared_ptr<SimulatedLine> line = SimulatedLine::Create(clock);
        ModemPeerOptions peerOptions = ModemPeerOptions::Of(dialect);
        peerOptions.dtmf = DtmfStyle::Bracketed;
        peerOptions.falseDialTones = true;
        peerOptions.hangUp = HangUpSignal::LoopBreak;
        auto handOff = std::make_shared<PortHandOff>(clock);
        std::shared_ptr<ModemPeer> peer = ModemPeer::Create(line, dir.Path(), peerOptions, handOff);
        ModemLineOptions options;
        options.ports = {peer->PortPath()};
        options.handOffs[peer->PortPath()] = handOff;
        options.clock = &clock;
        options.lockFolder = dir.Path();
        std::unique_ptr<LineProvider> provider =
            throughModem ? std::make_unique<ModemLineProvider>(options) : line->CreateProvider();
        auto log = std::make_shared<ReportLog>();
        std::unique_ptr<LineDevice> device;
        EXPECT_EQ(provider->Open(0, LINECALLPRIVILEGE_OWNER, 0, log, device), 0);
        std::vector<std::string> heard;
        const auto step = [&](double seconds) {
            clock.Advance(static_cast<std::int64_t>(seconds * 1e9));
            for (std::string& report : log->Take()) {
                heard.push_back(std::move(report));
            }
        };
        line->Ring({SimulatedCallerId::Kind::Number, "5551234", "SMITH J"});
        step(7);
        const ProviderCallId id = device->Calls().at(0);
        LineCallDetails details;
        EXPECT_EQ(device->GetCallDetails(id, details), 0);
        heard.push_back("caller " + details.callerId + " " + details.callerIdName + " " +
                        std::to_string(details.callerIdFlags));
        EXPECT_EQ(device->Answer(1, id), 0);
        step(1);
        line->SendDigits("55");
        step(6);
        if (throughModem) {
            // A DLE whose code comes in the next read: the line has read the DLE before it comes.
            peer->SendRaw({kDle});
            clock.AwaitIdle();
            peer->SendRaw({'9'});
            step(0.5);
        }
        EXPECT_EQ(device->GenerateTone(id, LINETONEMODE_BEEP, 40), 0);
        line->SendFaxTone();
        step(1);
        line->FarPartyHangsUp();
        step(1);
        EXPECT_EQ(device->Drop(2, id), 0);
        step(1);
        return heard;
    };
    const std::vector<std::string> simulated = call(false, ModemDialect::Conexant);
    // Offered, two rings, caller ID with number and name, answered and connected, a digit a
    // press, the beep done, the fax tone, the far end gone, dropped and idle.
    EXPECT_EQ(simulated, (std::vector<std::string>{
                             "state 2 1", "line 2 1", "line 2 2", "caller 5551234 SMITH J 12",
                             "reply 1 0", "state 256 0", "digit 5", "digit 5", "generated 1",
                             "media 32", "state 16384 1", "reply 2 0", "state 1 0"}));
    std::vector<std::string> throughModem = simulated;
    throughModem.insert(throughModem.begin() + 8, "digit 9");
    for (ModemDialect dialect : {ModemDialect::Conexant, ModemDialect::Usr}) {
        EXPECT_EQ(call(true, dialect), throughModem);
    }
}

}  // namespace
