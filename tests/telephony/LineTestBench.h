// The line's test bench: the simulated line on a test clock, a logging LTapiLine on it, audio.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "audio/devices/DeviceClock.h"
#include "audio/dsp/TestSources.h"
#include "support/QtTestApp.h"
#include "telephony/LTapiLine.h"
#include "telephony/LineProviders.h"
#include "telephony/providers/simulated/SimulatedLine.h"

inline constexpr std::int64_t kMs = 1'000'000;
inline constexpr std::int32_t kLoud = 8000 * 16;  // a 16-bit peak of 8,000 as a sample value

// `seconds` of 8 kHz noise, loud enough to count as speech.
inline LSoundSourcePtr Speaking(int seconds) {
    return MakeVectorSource(Noise(seconds * 8000, kLoud), 8000);
}

// Frames of `samples` (16-bit) louder than `floor`, from the first to the last.
inline std::size_t AudibleSpan(const std::vector<std::int16_t>& samples, int floor = 100) {
    auto loud = [floor](std::int16_t s) { return std::abs(s) > floor; };
    auto first = std::find_if(samples.begin(), samples.end(), loud);
    auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
    return first == samples.end() ? 0 : static_cast<std::size_t>(last.base() - first);
}

// A call handler that logs its events ("standing: play done") and runs a test's hook of that
// name inside any of them. An event without a hook does what the default handler does, but an
// offered call is answered only at ring `answerRing` (0: never).
class LoggingHandler : public LTapiCallHandler {
public:
    using Hooks = std::map<std::string, std::function<void()>>;

    LoggingHandler(std::string name, std::vector<std::string>& log, Hooks hooks = {},
                   std::uint32_t answerRing = 0)
        : name(std::move(name)), log(log), hooks(std::move(hooks)), answerRing(answerRing) {}
    ~LoggingHandler() override { Log("deleted"); }

    bool OfferCall(std::uint32_t ringCount) override {
        Log("offer " + std::to_string(ringCount));
        return ringCount == answerRing;
    }
    void Start() override { Hooked("start"); }
    void OnDigit(char digit) override { Hooked(std::string("digit ") + digit); }
    void OnGenerateDone() override { Hooked("generate done") ? void() : Base::OnGenerateDone(); }
    void OnPlayDone() override { Hooked("play done") ? void() : Base::OnPlayDone(); }
    void OnListenDone() override { Hooked("listen done") ? void() : Base::OnListenDone(); }
    void OnRecordDone() override { Hooked("record done") ? void() : Base::OnRecordDone(); }
    void OnPlayProgress(std::int32_t position) override { lastPlayPosition = position; }
    void OnPlayLevel(std::int8_t) override { ++playLevels; }
    void OnFaxTone() override { Hooked("fax tone") ? void() : Base::OnFaxTone(); }
    void OnRemoteHangUp() override { Hooked("remote hang-up") ? void() : Base::OnRemoteHangUp(); }
    void OnCallEnded() override { Hooked("call ended"); }

    std::int32_t lastPlayPosition = -1;
    int playLevels = 0;

private:
    using Base = LTapiCallHandler;
    void Log(const std::string& what) { log.push_back(name + ": " + what); }
    // Logs the event and runs its hook; false when it has none.
    bool Hooked(const std::string& what) {
        Log(what);
        auto hook = hooks.find(what);
        if (hook == hooks.end()) {
            return false;
        }
        hook->second();
        return true;
    }

    std::string name;
    std::vector<std::string>& log;
    Hooks hooks;
    std::uint32_t answerRing;
};

class SimulatedLineBench : public ::testing::Test {
protected:
    // The provider called `provider` (by default the bench's line) is the only one loaded while
    // the test runs.
    explicit SimulatedLineBench(std::string provider = "simulated bench")
        : savedProviders(ActiveLineProviders()) {
        QtTestApp();
        LTapiLine::Shutdown();
        SetActiveLineProviders({std::move(provider)});
    }
    ~SimulatedLineBench() override {
        line.Close();
        LTapiLine::Shutdown();
        SetActiveLineProviders(savedProviders);
    }

    void OpenLine(LoggingHandler::Hooks hooks = {}, std::uint32_t answerRing = 0) {
        auto handler =
            std::make_unique<LoggingHandler>("standing", log, std::move(hooks), answerRing);
        standing = handler.get();
        line.SetStandingHandler(std::move(handler));
        ASSERT_TRUE(line.Open(0, 0));
    }
    // A step on the line that says whether it could be taken; then what it posted is delivered.
    void Do(bool taken) {
        ASSERT_TRUE(taken);
        DeliverPostedEvents();
    }
    // Rings a call and takes it through MakeCall(null) to connected.
    void AnswerCall(const SimulatedCallerId& callerId = {}) {
        Do(simulated->Ring(callerId));
        Do(line.MakeCall(nullptr));
        ASSERT_EQ(simulated->State(), SimulatedCallState::Connected);
        ASSERT_TRUE(Logged("standing: start"));
    }
    void Connect(LoggingHandler::Hooks hooks = {}) {
        OpenLine(std::move(hooks));
        AnswerCall();
    }
    void DropCall() {
        line.Drop();
        Run(200);
        ASSERT_EQ(simulated->State(), SimulatedCallState::Idle);
    }
    // Runs the clock on in 10 ms steps, delivering what each step posts.
    void Run(std::int64_t milliseconds) {
        for (std::int64_t t = 0; t < milliseconds; t += 10) {
            clock.Advance(10 * kMs);
            DeliverPostedEvents();
        }
    }
    // Runs until `entry` is logged (false when `maxMilliseconds` pass first).
    bool RunUntilLogged(const std::string& entry, std::int64_t maxMilliseconds = 60000) {
        for (std::int64_t t = 0; t < maxMilliseconds && !Logged(entry); t += 10) {
            Run(10);
        }
        return Logged(entry) > 0;
    }
    // How often `entry` was logged.
    long Logged(const std::string& entry) const { return std::ranges::count(log, entry); }

    TestClock clock;
    std::shared_ptr<SimulatedLine> simulated = SimulatedLine::Create(clock);
    LineProviderRegistration registration{"Simulated Bench",
                                          [line = simulated] { return line->CreateProvider(); }};
    std::vector<std::string> savedProviders;
    std::vector<std::string> log;
    LTapiLine line{clock};
    LoggingHandler* standing = nullptr;
};
