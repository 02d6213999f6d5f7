// The simulated line through its provider: call states, its input, generated digits, capture.
#include "telephony/providers/simulated/SimulatedLine.h"

#include <gtest/gtest.h>

#include <sstream>

#include "audio/devices/LSoundRecorder.h"
#include "telephony/LineTestBench.h"

namespace {

// Keeps every report of the open line (all made on the test's thread).
struct Reports : LineEventSink {
    void CallState(ProviderCallId, std::uint32_t s, std::uint32_t) override { Add("state", s); }
    void LineDevState(std::uint32_t, std::uint32_t, std::uint32_t n) override { Add("ring", n); }
    void DigitDetected(ProviderCallId, char digit, std::uint32_t) override { Add("digit", digit); }
    void MediaDetected(ProviderCallId, std::uint32_t mode) override { Add("media", mode); }
    void GenerateEnded(ProviderCallId, std::uint32_t end) override { Add("generate", end); }
    void RequestCompleted(std::uint32_t id, std::int32_t r) override { Add("reply", id, r); }
    template <class... Values>
    void Add(const char* what, Values... values) {
        std::ostringstream entry;
        entry << what;
        ((entry << ' ' << values), ...);
        log.push_back(entry.str());
    }
    std::vector<std::string> Take() { return std::exchange(log, {}); }
    std::vector<std::string> log;
};

class SimulatedLineTest : public SimulatedLineBench {
protected:
    SimulatedLineTest() {
        simulated->CreateProvider()->Open(0, LINECALLPRIVILEGE_OWNER, SimulatedLine::kMediaModes,
                                          reports, device);
    }
    // Takes the line off hook with a dialling pause: connected at once.
    ProviderCallId OffHook() {
        ProviderCallId call = 0;
        EXPECT_EQ(device->MakeCall(1, ",", call), 0);
        reports->Take();
        return call;
    }
    std::vector<std::int32_t> RecordInput(std::int64_t milliseconds) {
        auto sink = MakeCounted<TestSink>(8000, 1);
        LSoundRecorder recorder;
        recorder.device = static_cast<std::int8_t>(simulated->WaveInputId());
        EXPECT_TRUE(recorder.Start(sink, kRecorderStartWriting, 0, -127, 0));
        Run(milliseconds);
        recorder.Stop();
        return sink->samples;
    }

    std::shared_ptr<Reports> reports = std::make_shared<Reports>();
    std::unique_ptr<LineDevice> device;
};

TEST_F(SimulatedLineTest, TheInputCarriesKeysAndBothPartiesAndEndsWithTheExchangeTone) {
    OffHook();
    ASSERT_TRUE(simulated->SendDigits("12"));
    EXPECT_FALSE(simulated->SendDigits("1x"));
    std::vector<std::int32_t> input = RecordInput(600);
    EXPECT_EQ(reports->Take(), (std::vector<std::string>{"digit 1", "digit 2"}));
    // Each key sounds 0.1 s from the moment it is pressed.
    auto loud = [&](std::size_t from, std::size_t to) {
        return std::any_of(input.begin() + from, input.begin() + to,
                           [](std::int32_t s) { return std::abs(s) > 1000 * 16; });
    };
    EXPECT_TRUE(loud(0, 800));
    EXPECT_FALSE(loud(810, 1600));
    EXPECT_TRUE(loud(1600, 2400));
    simulated->SetFarPartyAudio(
        MakeVectorSource(std::vector<std::int32_t>(80000, 1000 * 16), 8000));
    simulated->SetNearPartyAudio(
        MakeVectorSource(std::vector<std::int32_t>(80000, 300 * 16), 8000));
    input = RecordInput(500);
    ASSERT_EQ(input.size(), 4000u);
    EXPECT_EQ(input[100], 1300 * 16);
    // The far party leaves: the near party stays, and the exchange's tone starts.
    ASSERT_TRUE(simulated->FarPartyHangsUp());
    EXPECT_EQ(reports->Take(), std::vector<std::string>{"state 16384"});
    input = RecordInput(500);
    EXPECT_EQ(input[0], 300 * 16);
    EXPECT_GT(*std::max_element(input.begin(), input.end()), (300 + 7000) * 16);
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
    EXPECT_NEAR(static_cast<double>(AudibleSpan(capture)), 800.0 + 800.0, 4.0);
    EXPECT_TRUE(
        std::all_of(capture.begin() + 1610, capture.end(), [](std::int16_t s) { return s == 0; }));
}

TEST_F(SimulatedLineTest, TheCaptureHoldsItsLastHalfMinuteAndHandsOverWhatHasSettled) {
    OffHook();
    clock.Advance(65'000 * kMs, 100 * kMs);
    EXPECT_EQ(simulated->Capture().size(), 30u * 8000);
    std::int64_t from = 0;
    EXPECT_EQ(simulated->TakeSettledCapture(from).size(), 30u * 8000);
    EXPECT_EQ(from, 34'500 * 8);  // up to half a second before the present
    clock.Advance(1000 * kMs, 100 * kMs);
    EXPECT_EQ(simulated->TakeSettledCapture(from).size(), 8000u);
    EXPECT_EQ(from, 64'500 * 8);
}

}  // namespace
