// The telephone line: opening it, then every call event and operation on the simulated line.
#include "telephony/LTapiLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <tuple>

#include "LineTestBench.h"
#include "audio/dsp/LToneCadenceDetector.h"
#include "settings/SettingsKeys.h"
#include "support/TempDir.h"
#include "telephony/LineDeviceSelection.h"
#include "telephony/LineTones.h"
#include "telephony/providers/modem/ModemLineProvider.h"
#include "telephony/providers/simulated/SimulatedLineProvider.h"

namespace {

constexpr std::uint32_t kVoice = LINEMEDIAMODE_AUTOMATEDVOICE | LINEMEDIAMODE_UNKNOWN;
constexpr std::uint32_t kData = LINEMEDIAMODE_DATAMODEM;
constexpr std::int32_t kBad = LINEERR_INVALMEDIAMODE;
using Attempt = std::pair<std::uint32_t, std::uint32_t>;  // privileges, media modes

// Devices whose lineOpen answers are scripted (one an attempt; none left: the device opens, as
// the simulated line); every attempt is kept.
struct Script {
    std::vector<LineDeviceCaps> devices;
    std::deque<std::int32_t> openResults;
    std::vector<Attempt> attempts;
};

class ScriptedProvider : public SimulatedLineProvider {
public:
    ScriptedProvider(std::shared_ptr<SimulatedLine> line, Script& script)
        : SimulatedLineProvider(std::move(line)), script(script) {}

    std::vector<LineDeviceCaps> Devices() override { return script.devices; }
    std::int32_t Open(std::size_t, std::uint32_t privileges, std::uint32_t mediaModes,
                      std::shared_ptr<LineEventSink> sink,
                      std::unique_ptr<LineDevice>& line) override {
        script.attempts.emplace_back(privileges, mediaModes);
        if (script.openResults.empty()) {
            return SimulatedLineProvider::Open(0, privileges, mediaModes, sink, line);
        }
        const std::int32_t result = script.openResults.front();
        script.openResults.pop_front();
        return result;
    }

private:
    Script& script;
};

class LTapiLineOpenTest : public SimulatedLineBench {
protected:
    LTapiLineOpenTest() : SimulatedLineBench("scripted") {}

    Script script;
    LineProviderRegistration scripted{
        "Scripted", [this] { return std::make_unique<ScriptedProvider>(simulated, script); }};
};

TEST_F(LTapiLineOpenTest, AttemptsRunInOrderUntilOneIsNotAMediaModeRefusal) {
    const Attempt first{LINECALLPRIVILEGE_OWNER, 0x0A};
    const Attempt second{LINECALLPRIVILEGE_OWNER, 0x08};
    const Attempt monitor{LINECALLPRIVILEGE_MONITOR, 0};
    const std::vector<Attempt> all = {first, second, {LINECALLPRIVILEGE_OWNER, 0x02}, monitor};
    // Name, the device's media modes, the attempts' results, whether it opens, the attempts.
    using Row = std::tuple<const char*, std::uint32_t, std::deque<std::int32_t>, bool,
                           std::vector<Attempt>>;
    const Row rows[] = {
        {"owner at once", kVoice, {}, true, {first}},
        {"every media mode refused", kVoice, {kBad, kBad, kBad}, true, all},
        {"second attempt", kVoice, {kBad}, true, {first, second}},
        {"other error", kVoice, {kBad, LINEERR_OPERATIONFAILED}, false, {first, second}},
        {"monitor refused too", kVoice, {kBad, kBad, kBad, kBad}, false, all},
        // The layer itself refuses owners the media modes the device does not offer.
        {"no voice mode", kData, {}, true, {monitor}},
    };
    for (const auto& [name, mediaModes, results, opens, attempts] : rows) {
        script = {{{"Modem", mediaModes}}, results, {}};
        LTapiLine::Shutdown();
        LTapiLine opened;
        EXPECT_EQ(opened.Open(0, 0), opens) << name;
        EXPECT_EQ(script.attempts, attempts) << name;
    }
}

TEST_F(LTapiLineOpenTest, DevicesAreNamedAndOpeningOneBeyondTheCountClosesTheOpenLineFirst) {
    const std::string longName = "Long " + std::string(295, 'x');
    script.devices = {{longName, kVoice}, {"Fax", LINEMEDIAMODE_G3FAX | LINEMEDIAMODE_UNKNOWN}};
    EXPECT_EQ(LTapiLine::GetLineName(0), longName.substr(0, 259));
    EXPECT_EQ(LTapiLine::GetLineName(1), "Fax");
    EXPECT_EQ(LTapiLine::GetLineName(2), "");
    EXPECT_TRUE(LTapiLine::IsVoiceLine(0));
    EXPECT_FALSE(LTapiLine::IsVoiceLine(1));
    EXPECT_FALSE(LTapiLine::IsVoiceLine(2));
    ASSERT_TRUE(line.Open(0, 0));
    HLINE first = line.GetLine();
    ASSERT_EQ(LTapiLine::NumDevices(), 2u);
    EXPECT_FALSE(line.Open(2, 0));
    EXPECT_EQ(lineClose(first), LINEERR_INVALLINEHANDLE);  // closed already
    EXPECT_EQ(script.attempts.size(), 1u);
    EXPECT_EQ(line.GetLine(), 0u);
    // Opening again closes the line that is open.
    ASSERT_TRUE(line.Open(0, 0));
    HLINE second = line.GetLine();
    ASSERT_TRUE(line.Open(0, 0));
    EXPECT_EQ(lineClose(second), LINEERR_INVALLINEHANDLE);
}

TEST_F(LTapiLineOpenTest, StartUpKeepsAStoredVoiceDeviceElseStoresTheFirstOneAndOpensIt) {
    TempDir folder;
    std::string settings = folder / "settings.ini";
    // The voice device of five (-1: none), the stored device, the device chosen. With no voice
    // device the stored one is opened anyway.
    for (auto [voiceDevice, stored, chosen] : {std::tuple{3, 1, 3}, {3, 3, 3}, {-1, 2, 2}}) {
        script.devices.clear();
        for (int i = 0; i < 5; ++i) {
            script.devices.push_back({"Device", i == voiceDevice ? kVoice : kData});
        }
        LTapiLine::Shutdown();
        WriteSetting(settings, settings::kDevice, stored);
        LineDeviceChoice choice = ChooseLineDevice(settings);
        EXPECT_EQ(choice.device, static_cast<std::uint32_t>(chosen)) << stored;
        EXPECT_EQ(choice.voiceCapable, voiceDevice >= 0) << stored;
        EXPECT_EQ(ReadSetting(settings, settings::kDevice), chosen);
        EXPECT_TRUE(line.Open(choice.device, 0));
    }
}

TEST_F(LTapiLineOpenTest, ALineOptionNamesADeviceOrTheModemPortForTheRunOnly) {
    TempDir folder;
    const std::string settings = folder / "settings.ini";
    WriteSetting(settings, settings::kDevice, 0);
    WriteSetting(settings, settings::kModemPath, "/dev/ttyS9");
    script.devices = {{"Kitchen Modem", kVoice}, {"Fax", kData}};
    using Ports = std::vector<std::string>;
    // The value, the device it names, the modem ports.
    const std::tuple<const char*, std::optional<std::uint32_t>, Ports> rows[] = {
        {"fax", 1, {"/dev/ttyS9"}},
        {"KITCHEN MODEM", 0, {"/dev/ttyS9"}},
        {"/dev/ttyACM0", std::nullopt, {"/dev/ttyACM0"}},
        {"", std::nullopt, {"/dev/ttyS9"}},
    };
    for (const auto& [line, device, ports] : rows) {
        const LineOptionChoice choice = ApplyLineOption(settings, line);
        EXPECT_EQ(choice.device, device) << line;
        EXPECT_EQ(choice.error, "") << line;
        EXPECT_EQ(ModemPorts(), ports) << line;
    }
    EXPECT_EQ(ApplyLineOption(settings, "Attic").error,
              "no line device is called \"Attic\" (the line devices: \"Kitchen Modem\", "
              "\"Fax\"; quillon-tool lines lists them)");
    EXPECT_EQ(ReadSetting(settings, settings::kDevice), 0);
    // Neither option nor setting: the provider finds the modems.
    WriteSetting(settings, settings::kModemPath, "");
    script.devices.clear();
    LTapiLine::Shutdown();
    EXPECT_EQ(ApplyLineOption(settings, "Attic").error,
              "no line device is called \"Attic\" (there are no line devices; quillon-tool "
              "lines shows what was found)");
    EXPECT_EQ(ModemPorts(), Ports{});
}

using Kind = SimulatedCallerId::Kind;
using Request = LTapiLine::PendingRequest;
constexpr std::int8_t kEverything = -127;
constexpr std::int32_t kHour = 36000000;

class LTapiLineTest : public SimulatedLineBench {
protected:
    // Records the call as the call recorder does, into a new sink.
    LCountedPtr<TestSink> RecordCall(std::int32_t silenceLimit = 600000,
                                     std::int8_t threshold = kEverything,
                                     std::int32_t maximumLength = kHour) {
        auto sink = MakeCounted<TestSink>(8000, 1);
        LSoundSinkPtr recording = sink;
        line.Record(recording, silenceLimit, threshold, maximumLength);
        EXPECT_EQ(recording.Get(), sink.Get());
        return sink;
    }
};

TEST_F(LTapiLineTest, CallerIdIsReadByItsFlagsAndACallerWhoGivesUpLeavesNoCall) {
    const std::tuple<SimulatedCallerId, const char*, const char*> rows[] = {
        {{Kind::Number, "", "ALICE"}, "", "ALICE"},
        {{Kind::Number, "", ""}, "Unknown", ""},
        {{Kind::Blocked, "5551234", "ALICE"}, "Blocked", ""},
        {{Kind::OutOfArea, "", ""}, "Out Of Area", ""},
        {{Kind::Unavailable, "", ""}, "Unavailable", ""},
        {{Kind::Number, std::string(40, '7'), std::string(35, 'N')},
         "7777777777777777777777777777777",
         "NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN"},
        // Text from the network reaches nobody with control characters in it.
        {{Kind::Number, "555\r\n1234", "EVE\tX\x1b"}, "555  1234", "EVE X "},
    };
    OpenLine();
    for (const auto& [callerId, number, name] : rows) {
        Do(simulated->Ring(callerId));
        EXPECT_STREQ(line.callerNumber, number) << number;
        EXPECT_STREQ(line.callerName, name) << number;
        Do(simulated->FarPartyHangsUp());
        EXPECT_EQ(line.GetCall(), 0u);
    }
    // Each caller gave up at the first ring, and the next call rang as new.
    EXPECT_EQ(log, std::vector<std::string>(std::size(rows), "standing: offer 1"));
}

TEST_F(LTapiLineTest, EachRingIsOfferedUntilTheStandingHandlerAnswersAndTheDefaultAnswersAtOnce) {
    OpenLine({}, 3);
    simulated->SetRingInterval(2000 * kMs);
    ASSERT_TRUE(simulated->Ring({Kind::Number, "5551234", ""}));
    EXPECT_FALSE(simulated->Ring({}));  // one call at a time
    Run(2000 * 3);
    EXPECT_EQ(log, (std::vector<std::string>{"standing: offer 1", "standing: offer 2",
                                             "standing: offer 3", "standing: start"}));
    EXPECT_EQ(simulated->State(), SimulatedCallState::Connected);
    DropCall();

    struct Answering : LTapiCallHandler {
        void Start() override {}
    };
    line.SetStandingHandler(std::make_unique<Answering>());
    Do(simulated->Ring({}));
    DeliverPostedEvents();
    EXPECT_EQ(simulated->State(), SimulatedCallState::Connected);
    EXPECT_EQ(simulated->RingCount(), 1u);
    EXPECT_EQ(line.GetPendingRequest(), Request::None);
}

TEST_F(LTapiLineTest, NoDigitsEndAtOnceAndDigitsRightAfterOurOwnAreTakenAsTheirEcho) {
    Connect({{"generate done", [] {}}});
    line.GenerateDigits("");
    EXPECT_EQ(Logged("standing: generate done"), 1);  // before any event is delivered
    // Just after connecting, digits count at once.
    ASSERT_TRUE(simulated->SendDigits("1"));
    Run(500);
    EXPECT_TRUE(Logged("standing: digit 1"));
    EXPECT_EQ(Logged("standing: generate done"), 1);
    // Nothing was sent down the line.
    std::vector<std::int16_t> capture = simulated->Capture();
    EXPECT_TRUE(std::all_of(capture.begin(), capture.end(), [](std::int16_t s) { return s == 0; }));

    line.GenerateDigits("9");
    Run(850);
    Do(simulated->SendDigits("2"));
    EXPECT_FALSE(Logged("standing: digit 2"));
    clock.Advance(1 * kMs);
    Do(simulated->SendDigits("3"));
    EXPECT_TRUE(Logged("standing: digit 3"));
    EXPECT_EQ(Logged("standing: generate done"), 2);
}

TEST_F(LTapiLineTest, ADisconnectWhileWeDropIsOursButBusyIsNews) {
    Connect({{"remote hang-up", [] {}}});
    line.Drop();
    EXPECT_EQ(line.GetPendingRequest(), Request::Drop);
    Do(simulated->FarPartyHangsUp());
    EXPECT_FALSE(Logged("standing: remote hang-up"));
    EXPECT_EQ(line.GetLineStatus() & LTapiLine::kFarEndGone, 0);
    Run(200);
    EXPECT_EQ(line.GetPendingRequest(), Request::None);

    log.clear();
    AnswerCall();
    line.Drop();
    Do(simulated->FarPartyBusy());
    EXPECT_TRUE(Logged("standing: remote hang-up"));
    EXPECT_NE(line.GetLineStatus() & LTapiLine::kFarEndGone, 0);
    Run(200);
    EXPECT_TRUE(Logged("standing: call ended"));
    EXPECT_EQ(line.GetCall(), 0u);
}

TEST_F(LTapiLineTest, AReplacedHandlerTakesOverAfterTheOutermostEvent) {
    // Inside the digit's event a nested one runs, and the handler is replaced from within it.
    Connect({{"digit 4",
              [&] {
                  line.GenerateDigits("");
                  log.push_back("digit event returns");
              }},
             {"generate done", [&] {
                  line.SetHandler(std::make_unique<LoggingHandler>("first", log));
                  line.SetHandler(std::make_unique<LoggingHandler>("second", log));
                  log.push_back("generate event returns");
              }}});
    log.clear();
    Do(simulated->SendDigits("4"));
    EXPECT_EQ(log, (std::vector<std::string>{"standing: digit 4", "standing: generate done",
                                             "first: deleted", "generate event returns",
                                             "digit event returns", "second: start"}));
    // A replaced handler that is not the standing one is deleted once its event has returned.
    log.clear();
    Do(simulated->SendDigits("5"));
    EXPECT_EQ(log, std::vector<std::string>{"second: digit 5"});
    line.SetHandler(std::make_unique<LoggingHandler>("third", log));
    EXPECT_EQ(log.back(), "third: start");
    EXPECT_TRUE(Logged("second: deleted"));
    // Without a handler the call is dropped.
    line.SetHandler(nullptr);
    EXPECT_TRUE(Logged("third: deleted"));
    Run(200);
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);
}

TEST_F(LTapiLineTest, CallsAreMadeTransferredAndHandedOffOrDropped) {
    OpenLine();
    Do(line.MakeCall("5551234"));
    EXPECT_EQ(simulated->State(), SimulatedCallState::Dialing);
    EXPECT_FALSE(Logged("standing: start"));
    Do(simulated->FarPartyAnswers());
    EXPECT_TRUE(Logged("standing: start"));
    EXPECT_FALSE(line.MakeCall("5551234"));  // there is a call
    DropCall();

    // Without a number the device only goes off hook, beside a handset in use.
    ASSERT_TRUE(line.MakeCall(nullptr));
    EXPECT_EQ(line.GetPendingRequest(), Request::MakeCall);
    DeliverPostedEvents();
    EXPECT_EQ(simulated->DialledAddress(), ",");
    EXPECT_TRUE(simulated->IsOffHook());
    EXPECT_EQ(Logged("standing: start"), 2);
    EXPECT_EQ(line.GetPendingRequest(), Request::None);
    DropCall();

    log.clear();
    AnswerCall();
    line.BlindTransfer("5559876");
    EXPECT_EQ(line.GetPendingRequest(), Request::Transfer);
    DeliverPostedEvents();
    EXPECT_EQ(simulated->TransferAddress(), "5559876");
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);
    EXPECT_EQ(log.back(), "standing: call ended");
    // A transfer the line refuses (a call still dialling) falls back to dropping the call.
    Do(line.MakeCall("5551234"));
    line.BlindTransfer("5559876");
    EXPECT_EQ(line.GetPendingRequest(), Request::Drop);
    Run(200);
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);

    log.clear();
    AnswerCall();
    ASSERT_TRUE(simulated->SendFaxTone());
    Run(SimulatedLine::kFaxToneDetectTime / kMs);
    EXPECT_TRUE(Logged("standing: fax tone"));
    EXPECT_EQ(simulated->MediaMode(), LINEMEDIAMODE_G3FAX);
    EXPECT_EQ(line.GetPendingRequest(), Request::Drop);
    Run(200);
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);
}

TEST_F(LTapiLineTest, TheSilenceLimitIsSplitBetweenTheRecorderAndTheLine) {
    // The silence limit, the maximum length, the line's part of the silence (ms), and when the
    // recording ends (ms). A limit of 0.5 s is raised to 0.8 s: the recorder gives up 0.4 s into
    // the silence, the line 0.4 s later. Of about a minute the recorder takes 6 s, the line 54 s.
    const std::tuple<std::int32_t, std::int32_t, std::uint32_t, std::int64_t> rows[] = {
        {5000, 0, 400, 2900}, {600000, kHour, 54000, 62100}};
    OpenLine({{"record done", [] {}}});
    for (const auto& [silenceLimit, maximumLength, extraSilence, endsAfterMs] : rows) {
        log.clear();
        AnswerCall();
        simulated->SetFarPartyAudio(Speaking(2));
        std::int64_t start = clock.Now();
        RecordCall(silenceLimit, -40, maximumLength);
        EXPECT_EQ(line.GetExtraSilence(), extraSilence);
        ASSERT_TRUE(RunUntilLogged("standing: record done", 70000));
        EXPECT_NEAR((clock.Now() - start) / kMs, endsAfterMs, 20) << silenceLimit;
        DropCall();
    }
}

TEST_F(LTapiLineTest, StoppingARecordingCutsItsLastTenthsAndAHangUpItsLastSeconds) {
    // Recorded for ms, ended by the far end or stopped, frames kept: 0.4 s or 4.5 s are cut
    // from recordings longer than that.
    const std::tuple<std::int64_t, bool, std::int32_t> rows[] = {{300, false, 2400},
                                                                 {10000, false, 80000 - 3200},
                                                                 {10000, true, 80000 - 36000},
                                                                 {3000, true, 24000}};
    OpenLine({{"remote hang-up", [] {}}});
    for (const auto& [recordMs, farEndHangsUp, frames] : rows) {
        log.clear();
        AnswerCall();
        simulated->SetFarPartyAudio(Speaking(60));
        LCountedPtr<TestSink> sink = RecordCall();
        Run(recordMs);
        if (farEndHangsUp) {
            Do(simulated->FarPartyHangsUp());
            EXPECT_TRUE(Logged("standing: remote hang-up")) << recordMs;
        } else {
            line.StopAudio();
        }
        EXPECT_FALSE(line.IsRecording()) << recordMs;
        Run(300);  // nothing more arrives once stopped
        EXPECT_EQ(sink->position, frames) << recordMs << (farEndHangsUp ? " hung up" : "");
        EXPECT_FALSE(Logged("standing: record done")) << recordMs;
        DropCall();
    }
}

TEST_F(LTapiLineTest, AfterTheFarEndWentTheRecordingListensForTheExchangeTone) {
    auto sink = MakeCounted<TestSink>(8000, 1);
    LSoundSinkPtr recording;
    Connect({{"start",
              [&] {
                  LSoundSourcePtr prompt = Speaking(2);
                  line.Play(prompt);
              }},
             {"play done", [&] {
                  recording = sink;
                  line.Record(recording, 600000, kEverything, kHour);
              }}});
    Run(500);
    // The far end hangs up while the prompt plays: the prompt goes on.
    Do(simulated->FarPartyHangsUp());
    EXPECT_NE(line.GetLineStatus() & LTapiLine::kFarEndGone, 0);
    EXPECT_EQ(line.GetPlayMode(), LTapiLine::PlayMode::Playing);
    ASSERT_TRUE(RunUntilLogged("standing: play done"));
    EXPECT_FALSE(Logged("standing: remote hang-up"));
    ASSERT_TRUE(line.IsRecording());
    EXPECT_NE(dynamic_cast<LToneCadenceDetector*>(recording.Get()), nullptr);

    // The exchange's tone ends the recording, reported once, without its last 4.5 s.
    ASSERT_TRUE(RunUntilLogged("standing: remote hang-up", 20000));
    EXPECT_FALSE(line.IsRecording());
    Run(500);
    EXPECT_EQ(Logged("standing: remote hang-up"), 1);
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);
    EXPECT_LT(sink->position, 8000 * 10);
}

TEST_F(LTapiLineTest, ACadenceIsTakenForTheExchangesToneOnlyWhenListening) {
    Connect({{"remote hang-up", [] {}}});
    // The far party is still there, sounding like the exchange's tone (16-bit values as samples):
    // a recording does not listen for the tone.
    std::vector<std::int32_t> tone(8000 * 60);
    DisconnectTone(0, INT64_MAX).MixInto(tone.data(), 0, 8000 * 60);
    std::ranges::transform(tone, tone.begin(), [](std::int32_t s) { return s * 16; });
    simulated->SetFarPartyAudio(MakeVectorSource(std::move(tone), 8000));
    LCountedPtr<TestSink> sink = RecordCall();
    Run(15000);
    EXPECT_FALSE(Logged("standing: remote hang-up"));
    EXPECT_EQ(sink->position, 8000 * 15);

    line.Listen(0, kEverything, kHour);
    EXPECT_EQ(line.GetRecordMode(), LTapiLine::RecordMode::Listening);
    ASSERT_TRUE(RunUntilLogged("standing: remote hang-up", 20000));
    EXPECT_EQ(line.GetRecordMode(), LTapiLine::RecordMode::Idle);
    EXPECT_EQ(Logged("standing: remote hang-up"), 1);
    // Listening with no time ends at once; the default handler drops the call.
    line.Listen(0, kEverything, 0);
    EXPECT_TRUE(Logged("standing: listen done"));
    EXPECT_EQ(line.GetPendingRequest(), LTapiLine::PendingRequest::Drop);
}

TEST_F(LTapiLineTest, TheRecordingToneIsAShortBurstAndPlaysAreConvertedToTelephoneAudio) {
    Connect({{"generate done", [] {}}, {"play done", [] {}}});
    Run(1000);
    line.Beep();
    Run(100);
    EXPECT_TRUE(Logged("standing: generate done"));
    std::vector<std::int16_t> capture = simulated->TakeCapture();
    EXPECT_NEAR(static_cast<double>(AudibleSpan(capture)), 320.0, 2.0);  // 40 ms
    // It sounds where the beep was asked for, a second into the call.
    auto first = std::find_if(capture.begin(), capture.end(),
                              [](std::int16_t s) { return std::abs(s) > 100; });
    EXPECT_NEAR(static_cast<double>(first - capture.begin()), 8000.0, 8.0);

    // A second of 16 kHz stereo goes down the line as 8 kHz mono.
    LSoundSourcePtr source = MakeVectorSource(Sine(500, 16000, 16000, kLoud, 2), 16000, 2);
    line.Play(source);
    ASSERT_TRUE(RunUntilLogged("standing: play done"));
    EXPECT_EQ(standing->lastPlayPosition, 10000);
    EXPECT_GT(standing->playLevels, 0);
    EXPECT_NEAR(static_cast<double>(AudibleSpan(simulated->Capture())), 8000.0, 40.0);
    // A play that cannot start ends at once.
    log.clear();
    source = MakeVectorSource(std::vector<std::int32_t>(100), 8000);
    source->flags |= kSoundInvalid;
    line.Play(source);
    EXPECT_TRUE(Logged("standing: play done"));
    EXPECT_EQ(line.GetPlayMode(), LTapiLine::PlayMode::Idle);
}

}  // namespace
