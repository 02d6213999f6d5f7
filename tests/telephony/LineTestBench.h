// Test benches of the telephone line: a scripted provider whose devices answer lineOpen as a
// test says, and the simulated line on a test clock behind an LTapiLine, with a call handler
// that logs every event.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/devices/DeviceClock.h"
#include "support/QtTestApp.h"
#include "telephony/LTapiLine.h"
#include "telephony/LineProviders.h"
#include "telephony/providers/simulated/SimulatedLine.h"

inline constexpr std::int64_t kMs = 1'000'000;

// Selects one provider by name for the test's lifetime and ends the application context after.
class ActiveProvider {
public:
    explicit ActiveProvider(std::string name) : saved(ActiveLineProviders()) {
        LTapiLine::Shutdown();
        SetActiveLineProviders({std::move(name)});
    }
    ~ActiveProvider() {
        LTapiLine::Shutdown();
        SetActiveLineProviders(saved);
    }

private:
    std::vector<std::string> saved;
};

// Devices whose lineOpen results a test scripts; every attempt is logged.
struct ScriptedDevices {
    struct Device {
        std::string name;
        std::uint32_t mediaModes = 0;
        std::deque<std::int32_t> openResults;  // one per attempt; empty: success
    };
    struct Attempt {
        std::size_t device;
        std::uint32_t privileges;
        std::uint32_t mediaModes;
    };
    std::vector<Device> devices;
    std::vector<Attempt> attempts;
    int openLines = 0;
};

class ScriptedProvider : public LineProvider {
public:
    explicit ScriptedProvider(std::shared_ptr<ScriptedDevices> script)
        : script(std::move(script)) {}

    std::vector<LineDeviceCaps> Devices() override {
        std::vector<LineDeviceCaps> caps;
        for (const auto& device : script->devices) {
            caps.push_back({device.name, device.mediaModes});
        }
        return caps;
    }
    std::int32_t Open(std::size_t index, std::uint32_t privileges, std::uint32_t mediaModes,
                      std::shared_ptr<LineEventSink>, std::unique_ptr<LineDevice>& line) override;
    std::int32_t ConfigDialog(std::size_t, std::string_view) override { return 0; }

private:
    std::shared_ptr<ScriptedDevices> script;
};

// An open scripted line: no calls, nothing to do.
class ScriptedLine : public LineDevice {
public:
    explicit ScriptedLine(std::shared_ptr<ScriptedDevices> script) : script(std::move(script)) {
        ++this->script->openLines;
    }
    ~ScriptedLine() override { --script->openLines; }
    std::vector<ProviderCallId> Calls() override { return {}; }
    std::int32_t GetCallDetails(ProviderCallId, LineCallDetails&) override {
        return LINEERR_INVALCALLHANDLE;
    }
    std::int32_t GetDeviceId(ProviderCallId, std::string_view, std::uint32_t&) override {
        return LINEERR_INVALCALLHANDLE;
    }
    std::int32_t MakeCall(std::uint32_t, std::string_view, ProviderCallId&) override {
        return LINEERR_OPERATIONUNAVAIL;
    }
    std::int32_t Answer(std::uint32_t, ProviderCallId) override { return LINEERR_OPERATIONUNAVAIL; }
    std::int32_t Drop(std::uint32_t, ProviderCallId) override { return LINEERR_OPERATIONUNAVAIL; }
    std::int32_t BlindTransfer(std::uint32_t, ProviderCallId, std::string_view) override {
        return LINEERR_OPERATIONUNAVAIL;
    }
    std::int32_t GenerateDigits(ProviderCallId, std::uint32_t, std::string_view,
                                std::uint32_t) override {
        return LINEERR_OPERATIONUNAVAIL;
    }
    std::int32_t GenerateTone(ProviderCallId, std::uint32_t, std::uint32_t) override {
        return LINEERR_OPERATIONUNAVAIL;
    }
    std::int32_t SetMediaMode(ProviderCallId, std::uint32_t) override {
        return LINEERR_OPERATIONUNAVAIL;
    }
    std::int32_t Handoff(ProviderCallId, std::uint32_t) override {
        return LINEERR_OPERATIONUNAVAIL;
    }
    void Release(ProviderCallId) override {}

private:
    std::shared_ptr<ScriptedDevices> script;
};

inline std::int32_t ScriptedProvider::Open(std::size_t index, std::uint32_t privileges,
                                           std::uint32_t mediaModes, std::shared_ptr<LineEventSink>,
                                           std::unique_ptr<LineDevice>& line) {
    script->attempts.push_back({index, privileges, mediaModes});
    auto& results = script->devices.at(index).openResults;
    if (!results.empty()) {
        std::int32_t result = results.front();
        results.pop_front();
        if (result != 0) {
            return result;
        }
    }
    line = std::make_unique<ScriptedLine>(script);
    return 0;
}

// What a LoggingHandler does besides logging, event by event.
struct HandlerHooks {
    std::function<bool(std::uint32_t)> offerCall = {};  // default: do not answer
    std::function<void()> start = {};
    std::function<void(char)> digit = {};
    std::function<void()> generateDone = {};
    std::function<void()> playDone = {};
    std::function<void()> recordDone = {};
    std::function<void()> remoteHangUp = {};
    std::function<void()> faxTone = {};
    std::function<void()> callEnded = {};
};

// A call handler that logs its events and lets a test act inside any of them.
class LoggingHandler : public LTapiCallHandler {
public:
    using Hooks = HandlerHooks;

    LoggingHandler(std::string name, std::vector<std::string>& log, Hooks hooks = {})
        : name(std::move(name)), log(log), hooks(std::move(hooks)) {}
    ~LoggingHandler() override { Log("deleted"); }

    bool OfferCall(std::uint32_t ringCount) override {
        Log("offer " + std::to_string(ringCount));
        return hooks.offerCall ? hooks.offerCall(ringCount) : false;
    }
    void Start() override { Event("start", hooks.start); }
    void OnDigit(char digit) override {
        Log(std::string("digit ") + digit);
        if (hooks.digit) {
            hooks.digit(digit);
        }
    }
    void OnGenerateDone() override { Event("generate done", hooks.generateDone); }
    void OnPlayDone() override { Event("play done", hooks.playDone); }
    void OnRecordDone() override { Event("record done", hooks.recordDone); }
    void OnRecordProgress(std::int32_t position) override { lastRecordPosition = position; }
    void OnRecordLevel(std::int8_t) override { ++recordLevels; }
    void OnPlayProgress(std::int32_t position) override { lastPlayPosition = position; }
    void OnPlayLevel(std::int8_t) override { ++playLevels; }
    void OnFaxTone() override {
        Log("fax tone");
        hooks.faxTone ? hooks.faxTone() : LTapiCallHandler::OnFaxTone();
    }
    void OnRemoteHangUp() override {
        Log("remote hang-up");
        hooks.remoteHangUp ? hooks.remoteHangUp() : LTapiCallHandler::OnRemoteHangUp();
    }
    void OnCallEnded() override { Event("call ended", hooks.callEnded); }

    std::int32_t lastRecordPosition = -1;
    std::int32_t lastPlayPosition = -1;
    int recordLevels = 0;
    int playLevels = 0;

private:
    void Log(const std::string& what) { log.push_back(name + ": " + what); }
    void Event(const char* what, const std::function<void()>& hook) {
        Log(what);
        if (hook) {
            hook();
        }
    }

    std::string name;
    std::vector<std::string>& log;
    Hooks hooks;
};

// The simulated line on a test clock, offered as the only provider, with an LTapiLine on the
// same clock and a logging standing handler.
class SimulatedLineBench : public ::testing::Test {
protected:
    SimulatedLineBench() {
        QtTestApp();
        simulated->SetRingInterval(SimulatedLine::kDefaultRingInterval);
    }

    // Opens the line with a standing handler built from `hooks`.
    void OpenLine(LoggingHandler::Hooks hooks = {}) {
        line.SetStandingHandler(
            std::make_unique<LoggingHandler>("standing", log, std::move(hooks)));
        ASSERT_TRUE(line.Open(0, 0));
    }

    // Runs the clock on in 10 ms steps, delivering what each step posts.
    void Run(std::int64_t milliseconds) {
        for (std::int64_t t = 0; t < milliseconds; t += 10) {
            clock.Advance(10 * kMs);
            DeliverPostedEvents();
        }
    }
    // Runs until `done`, giving the player's feeding thread real time at each step while it
    // plays (it fills its buffers in real time, however fast the clock runs); false when
    // `maxMilliseconds` pass first.
    bool RunUntil(const std::function<bool()>& done, std::int64_t maxMilliseconds) {
        for (std::int64_t t = 0; t < maxMilliseconds && !done(); t += 10) {
            if (line.GetPlayMode() == LTapiLine::PlayMode::Playing) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            clock.Advance(10 * kMs);
            DeliverPostedEvents();
        }
        return done();
    }
    bool Logged(const std::string& entry) const {
        return std::find(log.begin(), log.end(), entry) != log.end();
    }
    int CountLogged(const std::string& entry) const {
        return static_cast<int>(std::count(log.begin(), log.end(), entry));
    }
    // Rings a call and takes it through MakeCall(null) to connected.
    void AnswerCall(const SimulatedCallerId& callerId = {}) {
        ASSERT_TRUE(simulated->Ring(callerId));
        DeliverPostedEvents();
        ASSERT_TRUE(line.MakeCall(nullptr));
        DeliverPostedEvents();
        ASSERT_EQ(simulated->State(), SimulatedCallState::Connected);
        ASSERT_TRUE(Logged("standing: start"));
    }
    std::int64_t NowMs() const { return clock.Now() / kMs; }

    TestClock clock;
    std::shared_ptr<SimulatedLine> simulated = SimulatedLine::Create(clock);
    LineProviderRegistration registration{"Simulated Bench",
                                          [line = simulated] { return line->CreateProvider(); }};
    ActiveProvider active{"simulated bench"};
    std::vector<std::string> log;
    LTapiLine line{clock};
};
