// The simulated line through its provider: call states as reported, ring cadence, the audio it
// delivers to a recording (far and near party, keys, the exchange's tones) and what generated
// digits put on the line.
#include "telephony/providers/simulated/SimulatedLine.h"

#include <gtest/gtest.h>

#include <mutex>

#include "audio/devices/LSoundRecorder.h"
#include "telephony/LineTestBench.h"
#include "telephony/TestAudio.h"

namespace {

// Keeps every report of the open line.
struct Reports : LineEventSink {
    void CallState(ProviderCallId, std::uint32_t state, std::uint32_t) override {
        Add("state " + std::to_string(state));
    }
    void LineDevState(std::uint32_t, std::uint32_t, std::uint32_t ringCount) override {
        Add("ring " + std::to_string(ringCount));
    }
    void DigitDetected(ProviderCallId, char digit, std::uint32_t) override {
        Add(std::string("digit ") + digit);
    }
    void MediaDetected(ProviderCallId, std::uint32_t mode) override {
        Add("media " + std::to_string(mode));
    }
    void GenerateEnded(ProviderCallId, std::uint32_t termination) override {
        Add("generate " + std::to_string(termination));
    }
    void RequestCompleted(std::uint32_t id, std::int32_t result) override {
        Add("reply " + std::to_string(id) + " " + std::to_string(result));
    }
    void Add(std::string what) {
        std::lock_guard lock(mutex);
        log.push_back(std::move(what));
    }
    std::vector<std::string> Take() {
        std::lock_guard lock(mutex);
        return std::exchange(log, {});
    }
    std::mutex mutex;
    std::vector<std::string> log;
};

class SimulatedLineTest : public ::testing::Test {
protected:
    SimulatedLineTest() {
        QtTestApp();
        provider->Open(0, LINECALLPRIVILEGE_OWNER, SimulatedLine::kMediaModes, reports, device);
    }
    // Takes the line off hook with a dialling pause: connected at once.
    ProviderCallId OffHook() {
        ProviderCallId call = 0;
        EXPECT_EQ(device->MakeCall(1, ",", call), 0);
        reports->Take();
        return call;
    }
    // Records `milliseconds` of what the line delivers.
    std::vector<std::int32_t> RecordInput(std::int64_t milliseconds) {
        auto sink = MakeCounted<MemorySink>();
        LSoundRecorder recorder;
        recorder.device = static_cast<std::int8_t>(simulated->WaveInputId());
        EXPECT_TRUE(recorder.Start(sink, kRecorderStartWriting, 0, -127, 0));
        for (std::int64_t t = 0; t < milliseconds; t += 10) {
            clock.Advance(10 * kMs);
            DeliverPostedEvents();
        }
        recorder.Stop();
        std::vector<std::int32_t> samples;
        for (std::int32_t value : sink->samples) {
            samples.push_back(value / 16);
        }
        return samples;
    }

    TestClock clock;
    std::shared_ptr<SimulatedLine> simulated = SimulatedLine::Create(clock);
    std::unique_ptr<LineProvider> provider = simulated->CreateProvider();
    std::shared_ptr<Reports> reports = std::make_shared<Reports>();
    std::unique_ptr<LineDevice> device;
};

TEST_F(SimulatedLineTest, OffersOneVoiceDeviceWithNothingToConfigure) {
    std::vector<LineDeviceCaps> devices = provider->Devices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, "Quillon Simulated Line");
    EXPECT_EQ(devices[0].mediaModes, LINEMEDIAMODE_AUTOMATEDVOICE | LINEMEDIAMODE_UNKNOWN);
    EXPECT_EQ(provider->ConfigDialog(0, "tapi/line"), 0);
    EXPECT_EQ(std::string(SimulatedCallStateName(SimulatedCallState::Disconnected)),
              "disconnected");
}

TEST_F(SimulatedLineTest, RingsAtItsIntervalUntilAnswered) {
    simulated->SetRingInterval(2000 * kMs);
    ASSERT_TRUE(simulated->Ring({}));
    EXPECT_FALSE(simulated->Ring({}));  // one call at a time
    clock.Advance(4000 * kMs);
    std::vector<std::string> expected = {"state 2", "ring 1", "ring 2", "ring 3"};
    EXPECT_EQ(reports->Take(), expected);
    ProviderCallId call = device->Calls().at(0);
    EXPECT_EQ(device->Answer(7, call), 0);
    clock.Advance(4000 * kMs);
    expected = {"reply 7 0", "state 256"};
    EXPECT_EQ(reports->Take(), expected);
    // A drop takes a moment: then the reply and the idle call.
    EXPECT_EQ(device->Drop(8, call), 0);
    EXPECT_TRUE(reports->Take().empty());
    clock.Advance(SimulatedLine::kHangUpTime);
    expected = {"reply 8 0", "state 1"};
    EXPECT_EQ(reports->Take(), expected);
    EXPECT_TRUE(device->Calls().empty());
}

TEST_F(SimulatedLineTest, CallerIdFlagsFollowTheKindAndTheTexts) {
    using Kind = SimulatedCallerId::Kind;
    struct Row {
        SimulatedCallerId callerId;
        std::uint32_t flags;
    } rows[] = {
        {{Kind::Number, "5551234", "ALICE"}, LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME},
        {{Kind::Number, "", ""}, LINECALLPARTYID_UNKNOWN},
        {{Kind::Blocked, "5551234", ""}, LINECALLPARTYID_BLOCKED | LINECALLPARTYID_ADDRESS},
        {{Kind::OutOfArea, "", ""}, LINECALLPARTYID_OUTOFAREA},
        {{Kind::Unavailable, "", "X"}, LINECALLPARTYID_UNAVAIL | LINECALLPARTYID_NAME},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(simulated->Ring(row.callerId));
        LineCallDetails details;
        ASSERT_EQ(device->GetCallDetails(device->Calls().at(0), details), 0);
        EXPECT_EQ(details.callerIdFlags, row.flags) << row.callerId.number;
        EXPECT_EQ(details.callerId, row.callerId.number);
        EXPECT_EQ(details.origin, LINECALLORIGIN_INBOUND);
        ASSERT_TRUE(simulated->FarPartyHangsUp());
        EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);
    }
}

TEST_F(SimulatedLineTest, TheInputMixesBothPartiesAndEndsWithTheExchangeTone) {
    OffHook();
    simulated->SetFarPartyAudio(
        MakeCounted<GeneratedSource>(8000, 1, 80000, [](std::int32_t, int) { return 1000; }));
    simulated->SetNearPartyAudio(
        MakeCounted<GeneratedSource>(8000, 1, 80000, [](std::int32_t, int) { return 300; }));
    std::vector<std::int32_t> both = RecordInput(500);
    ASSERT_EQ(both.size(), 4000u);
    EXPECT_EQ(both[100], 1300);
    EXPECT_EQ(both[3999], 1300);

    // The far party leaves: the near party stays, and the exchange's tone starts.
    ASSERT_TRUE(simulated->FarPartyHangsUp());
    EXPECT_EQ(reports->Take(), std::vector<std::string>{"state 16384"});
    std::vector<std::int32_t> after = RecordInput(500);
    EXPECT_EQ(after[0], 300);
    auto loudest = *std::max_element(after.begin(), after.end());
    EXPECT_GT(loudest, 300 + 7000);
}

TEST_F(SimulatedLineTest, KeysAndTheFaxToneAreHeardAndReported) {
    OffHook();
    ASSERT_TRUE(simulated->SendDigits("12"));
    EXPECT_FALSE(simulated->SendDigits("1x"));
    std::vector<std::int32_t> input = RecordInput(600);
    EXPECT_EQ(reports->Take(), (std::vector<std::string>{"digit 1", "digit 2"}));
    // Each key sounds 0.1 s from the moment it is pressed.
    auto loud = [&](std::size_t from, std::size_t to) {
        return std::any_of(input.begin() + from, input.begin() + to,
                           [](std::int32_t s) { return std::abs(s) > 1000; });
    };
    EXPECT_TRUE(loud(0, 800));
    EXPECT_FALSE(loud(810, 1600));
    EXPECT_TRUE(loud(1600, 2400));

    ASSERT_TRUE(simulated->SendFaxTone());
    clock.Advance(SimulatedLine::kFaxToneDetectTime - kMs);
    EXPECT_TRUE(reports->Take().empty());
    clock.Advance(kMs);
    EXPECT_EQ(reports->Take(), std::vector<std::string>{"media 32"});
}

TEST_F(SimulatedLineTest, GeneratedDigitsGoDownTheLineAndANewGenerationCancelsTheOld) {
    ProviderCallId call = OffHook();
    clock.Advance(500 * kMs);
    ASSERT_EQ(device->GenerateDigits(call, LINEDIGITMODE_DTMF, "55", 50), 0);
    EXPECT_EQ(device->GenerateDigits(call, LINEDIGITMODE_PULSE, "5", 0), LINEERR_INVALDIGITMODE);
    clock.Advance(199 * kMs);
    EXPECT_TRUE(reports->Take().empty());
    clock.Advance(1 * kMs);
    EXPECT_EQ(reports->Take(), std::vector<std::string>{"generate 1"});
    std::vector<std::int16_t> capture = simulated->TakeCapture();
    ASSERT_EQ(capture.size(), 5600u);
    // Two 50 ms tones, 50 ms apart, half a second in.
    EXPECT_NEAR(static_cast<double>(AudibleSpan(capture)), 1200.0, 4.0);
    EXPECT_EQ(capture[3999], 0);

    ASSERT_EQ(device->GenerateTone(call, LINETONEMODE_BEEP, 1000), 0);
    clock.Advance(100 * kMs);
    ASSERT_EQ(device->GenerateDigits(call, LINEDIGITMODE_DTMF, "9", 0), 0);
    EXPECT_EQ(reports->Take(), std::vector<std::string>{"generate 2"});
    clock.Advance(300 * kMs);
    EXPECT_EQ(reports->Take(), std::vector<std::string>{"generate 1"});
    // The beep stopped where the digit began.
    capture = simulated->TakeCapture();
    EXPECT_EQ(capture.size(), 3200u);
    EXPECT_NEAR(static_cast<double>(AudibleSpan(capture)), 800.0 + 800.0, 4.0);
    EXPECT_TRUE(
        std::all_of(capture.begin() + 1610, capture.end(), [](std::int16_t s) { return s == 0; }));
}

}  // namespace
