// The line-device layer over the simulated line: providers, structures, requests, and messages,
// which reach the owner's thread in each reporting thread's order and none after a close.
#include "telephony/Tapi.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "LineTestBench.h"
#include "telephony/LineMessagePort.h"
#include "telephony/TapiBuffer.h"

namespace {

struct Message {
    std::uintptr_t device, message, instance, param1, param2, param3;
    bool operator==(const Message&) const = default;
};
std::vector<Message> messages;

void Keep(std::uint32_t device, std::uint32_t message, std::uintptr_t instance,
          std::uintptr_t param1, std::uintptr_t param2, std::uintptr_t param3) {
    messages.push_back({device, message, instance, param1, param2, param3});
}

std::vector<Message> Take(std::uint32_t message) {
    std::vector<Message> found;
    std::copy_if(messages.begin(), messages.end(), std::back_inserter(found),
                 [message](const Message& m) { return m.message == message; });
    return found;
}

class TapiTest : public SimulatedLineBench {
protected:
    TapiTest() { Initialize(); }
    ~TapiTest() override { lineShutdown(app); }

    void Initialize() {
        messages.clear();
        ASSERT_EQ(lineInitialize(&app, nullptr, &Keep, nullptr, &devices), 0);
    }
    // Opens device 0 with the callback instance 77.
    HLINE Open(std::uint32_t privileges = LINECALLPRIVILEGE_OWNER,
               std::uint32_t mediaModes = LINEMEDIAMODE_AUTOMATEDVOICE,
               std::uint32_t lineStates = LINEDEVSTATE_RINGING) {
        HLINE opened = 0;
        EXPECT_EQ(
            lineOpen(app, 0, &opened, TAPI_VERSION_1_4, 0, 77, privileges, mediaModes, nullptr), 0);
        EXPECT_EQ(lineSetStatusMessages(opened, lineStates, 0), 0);
        return opened;
    }

    HLINEAPP app = 0;
    std::uint32_t devices = 0;
};

TEST_F(TapiTest, ProvidersAreFoundWithoutRegardToCaseAndDeviceCapsFollowTheNeededSizeRule) {
    lineShutdown(app);
    SetActiveLineProviders({"no such provider", "SIMULATED bench"});
    Initialize();
    EXPECT_EQ(devices, 1u);
    EXPECT_NE(CreateLineProvider("SIMULATED"), nullptr);  // a built-in one
    EXPECT_EQ(CreateLineProvider("simulate"), nullptr);
    // The built-in simulated line is a simulation, never among the real providers.
    for (auto [kind, count] :
         {std::pair{LineProviderKind::Simulation, 1}, {LineProviderKind::Real, 0}}) {
        EXPECT_EQ(std::ranges::count(BuiltInLineProviders(kind), kSimulatedLineProvider), count);
    }
    TapiBuffer<LINEDEVCAPS> tooSmall(sizeof(LINEDEVCAPS) - 4);
    EXPECT_EQ(lineGetDevCaps(app, 0, TAPI_VERSION_1_4, 0, tooSmall.Get()),
              LINEERR_STRUCTURETOOSMALL);
    // The fixed part only: the sizes say how much room the strings need, none is written.
    TapiBuffer<LINEDEVCAPS> fixed(sizeof(LINEDEVCAPS));
    ASSERT_EQ(lineGetDevCaps(app, 0, TAPI_VERSION_1_4, 0, fixed.Get()), 0);
    EXPECT_EQ(fixed->neededSize,
              sizeof(LINEDEVCAPS) + sizeof "SIMULATED bench" + sizeof SimulatedLine::kName);
    EXPECT_EQ(fixed->usedSize, sizeof(LINEDEVCAPS));
    EXPECT_EQ(fixed->lineNameSize, 0u);
    TapiBuffer<LINEDEVCAPS> caps(fixed->neededSize);
    ASSERT_EQ(lineGetDevCaps(app, 0, TAPI_VERSION_1_4, 0, caps.Get()), 0);
    EXPECT_EQ(caps->usedSize, caps->neededSize);
    EXPECT_EQ(caps.Bytes(caps->lineNameOffset, caps->lineNameSize),
              std::string_view(SimulatedLine::kName, sizeof SimulatedLine::kName));
    // The provider by the name the active list gives it.
    EXPECT_EQ(caps.Bytes(caps->providerInfoOffset, caps->providerInfoSize),
              std::string_view("SIMULATED bench", sizeof "SIMULATED bench"));
    EXPECT_EQ(lineGetDevCaps(app, 1, TAPI_VERSION_1_4, 0, caps.Get()), LINEERR_BADDEVICEID);
    EXPECT_EQ(lineGetDevCaps(app, 0, 0x00020000, 0, caps.Get()), LINEERR_INCOMPATIBLEAPIVERSION);
    std::uint32_t version = 0;
    LINEEXTENSIONID extension{};
    EXPECT_EQ(lineNegotiateAPIVersion(app, 0, 0x00010000, 0x00020000, &version, &extension), 0);
    EXPECT_EQ(version, TAPI_VERSION_1_4);
    EXPECT_EQ(lineNegotiateAPIVersion(app, 0, 0x00020000, 0x00030000, &version, &extension),
              LINEERR_INCOMPATIBLEAPIVERSION);
}

TEST_F(TapiTest, AnOwnerMustNameAMediaModeAndAMonitorCannotActOnCalls) {
    // Owners of modes the device does not offer are refused where the line opens.
    HLINE opened = 0;
    EXPECT_EQ(
        lineOpen(app, 0, &opened, TAPI_VERSION_1_4, 0, 0, LINECALLPRIVILEGE_OWNER, 0, nullptr),
        LINEERR_INVALMEDIAMODE);
    opened = Open(LINECALLPRIVILEGE_MONITOR, 0, 0);
    Do(simulated->Ring({}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].param3, LINECALLPRIVILEGE_MONITOR);
    auto call = static_cast<HCALL>(messages[0].device);
    EXPECT_EQ(lineAnswer(call, nullptr, 0), LINEERR_NOTOWNER);
    EXPECT_EQ(lineSetCallPrivilege(call, LINECALLPRIVILEGE_OWNER), LINEERR_INVALCALLPRIVILEGE);
    // It lists the calls on the line and may let go of them.
    TapiBuffer<LINECALLLIST> list(28);
    ASSERT_EQ(lineGetNewCalls(opened, 0, LINECALLSELECT_LINE, list.Get()), 0);
    ASSERT_EQ(list->callsNum, 1u);
    EXPECT_EQ(list.Bytes(list->callsOffset, list->callsSize),
              std::string_view(reinterpret_cast<const char*>(&call), sizeof call));
    EXPECT_EQ(lineDeallocateCall(call), 0);
    EXPECT_EQ(lineClose(opened), 0);
    EXPECT_EQ(lineClose(opened), LINEERR_INVALLINEHANDLE);
}

TEST_F(TapiTest, MessagesArePostedAndDeliveredOnlyByTheEventLoop) {
    HLINE opened = Open();
    ASSERT_TRUE(simulated->Ring({}));
    EXPECT_TRUE(messages.empty());
    DeliverPostedEvents();
    // A new call reaches its owner with the privilege in param 3.
    ASSERT_EQ(messages.size(), 2u);
    auto call = static_cast<HCALL>(messages[0].device);
    EXPECT_EQ(messages[0], (Message{call, LINE_CALLSTATE, 77, LINECALLSTATE_OFFERING, 1,
                                    LINECALLPRIVILEGE_OWNER}));
    EXPECT_EQ(messages[1], (Message{opened, LINE_LINEDEVSTATE, 77, LINEDEVSTATE_RINGING, 1, 1}));
    // A request returns its id at once; the outcome comes later as LINE_REPLY.
    messages.clear();
    std::int32_t request = lineAnswer(call, nullptr, 0);
    ASSERT_GT(request, 0);
    EXPECT_TRUE(messages.empty());
    DeliverPostedEvents();
    auto id = static_cast<std::uintptr_t>(request);
    EXPECT_EQ(messages,
              (std::vector<Message>{{0, LINE_REPLY, 77, id, 0, 0},
                                    {call, LINE_CALLSTATE, 77, LINECALLSTATE_CONNECTED, 0, 0}}));
    // A request the call's state does not allow is refused at once.
    EXPECT_EQ(lineAnswer(call, nullptr, 0), LINEERR_INVALCALLSTATE);
    // The owner of a call in progress cannot just let go of it.
    EXPECT_EQ(lineDeallocateCall(call), LINEERR_INVALCALLSTATE);
}

TEST_F(TapiTest, LineStatesAndDigitsAreReportedOnlyWhenAskedFor) {
    HLINE opened = Open(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_AUTOMATEDVOICE, 0);
    Do(simulated->Ring({}));
    EXPECT_EQ(Take(LINE_LINEDEVSTATE).size(), 0u);
    ASSERT_EQ(lineSetStatusMessages(opened, LINEDEVSTATE_RINGING, 0), 0);
    clock.Advance(SimulatedLine::kDefaultRingInterval);
    DeliverPostedEvents();
    EXPECT_EQ(Take(LINE_LINEDEVSTATE),
              (std::vector<Message>{{opened, LINE_LINEDEVSTATE, 77, LINEDEVSTATE_RINGING, 1, 2}}));
    Do(simulated->FarPartyHangsUp());
    HCALL call = 0;
    ASSERT_GT(lineMakeCall(opened, &call, ",", 0, nullptr), 0);
    ASSERT_NE(call, 0u);
    HCALL second = 0;
    EXPECT_EQ(lineMakeCall(opened, &second, "5551234", 0, nullptr), LINEERR_CALLUNAVAIL);
    EXPECT_EQ(second, 0u);
    DeliverPostedEvents();
    Do(simulated->SendDigits("1"));
    EXPECT_EQ(Take(LINE_MONITORDIGITS).size(), 0u);
    ASSERT_EQ(lineMonitorDigits(call, LINEDIGITMODE_DTMF), 0);
    ASSERT_TRUE(simulated->SendDigits("5#"));
    clock.Advance(SimulatedLine::kDigitSpacing);
    DeliverPostedEvents();
    EXPECT_EQ(Take(LINE_MONITORDIGITS),
              (std::vector<Message>{{call, LINE_MONITORDIGITS, 77, '5', LINEDIGITMODE_DTMF, 0},
                                    {call, LINE_MONITORDIGITS, 77, '#', LINEDIGITMODE_DTMF, 0}}));
}

TEST_F(TapiTest, CallInfoWaveDevicesHandOffAndConfiguration) {
    // The caller ID's texts and the call's wave devices are read in LTapiLine's tests.
    HLINE opened = Open();
    Do(simulated->Ring({SimulatedCallerId::Kind::Blocked, "5551234", "ALICE"}));
    auto call = static_cast<HCALL>(Take(LINE_CALLSTATE).at(0).device);
    std::optional<TapiBuffer<LINECALLINFO>> info = FetchTapiStructure<LINECALLINFO>(
        sizeof(LINECALLINFO),
        [call](LINECALLINFO* buffer) { return lineGetCallInfo(call, buffer); });
    ASSERT_TRUE(info);
    // A withheld caller ID may still carry a number and a name.
    EXPECT_EQ((*info)->callerIDFlags,
              LINECALLPARTYID_BLOCKED | LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME);
    EXPECT_EQ((*info)->origin, LINECALLORIGIN_INBOUND);
    TapiBuffer<VARSTRING> id(280);
    EXPECT_EQ(lineGetID(opened, 0, call, LINECALLSELECT_CALL, id.Get(), "comm/datamodem"),
              LINEERR_INVALDEVICECLASS);
    // No other program takes calls over.
    EXPECT_EQ(lineHandoff(call, nullptr, LINEMEDIAMODE_G3FAX), LINEERR_TARGETNOTFOUND);
    EXPECT_EQ(lineConfigDialog(0, nullptr, "tapi/line"), 0);
    EXPECT_EQ(lineConfigDialog(1, nullptr, "tapi/line"), LINEERR_BADDEVICEID);
}

class LineMessagePortTest : public ::testing::Test {
protected:
    LineMessagePortTest() { QtTestApp(); }

    const std::thread::id owner = std::this_thread::get_id();
    std::vector<LineMessage> delivered;
    std::unique_ptr<LineMessagePort> port =
        std::make_unique<LineMessagePort>([this](const LineMessage& message) {
            EXPECT_EQ(std::this_thread::get_id(), owner);
            delivered.push_back(message);
        });
};

TEST_F(LineMessagePortTest, ReportsFromManyThreadsReachTheOwnersThreadInOrderAndNoneAfterAClose) {
    constexpr std::uint32_t kThreads = 4;
    constexpr std::uint32_t kEach = 500;
    std::shared_ptr<LineMessageSink> sink = port->OpenSink(7);
    std::vector<std::jthread> reporters;
    for (std::uint32_t t = 1; t <= kThreads; ++t) {
        reporters.emplace_back([&sink, t] {
            for (std::uint32_t i = 0; i < kEach; ++i) {
                sink->CallState(t, i, t * 10);
            }
        });
    }
    reporters.clear();  // joins them
    EXPECT_TRUE(delivered.empty());
    DeliverPostedEvents();
    ASSERT_EQ(delivered.size(), kThreads * kEach);
    std::vector<std::uint32_t> next(kThreads + 1, 0);
    for (const LineMessage& message : delivered) {
        ASSERT_EQ(message.kind, LineMessage::Kind::CallState);
        ASSERT_EQ(message.line, 7u);
        ASSERT_EQ(message.param1, next.at(message.call)++) << "call " << message.call;
        ASSERT_EQ(message.param2, message.call * 10);
    }
    delivered.clear();
    sink = port->OpenSink(1);
    std::promise<void> reported;
    std::promise<void> closed;
    std::thread reporter([&] {
        sink->RequestCompleted(1, 0);
        reported.set_value();
        closed.get_future().wait();
        sink->RequestCompleted(2, 0);
    });
    reported.get_future().wait();
    sink->Close();
    closed.set_value();
    reporter.join();
    DeliverPostedEvents();
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].param1, 1u);
    // A port that goes drops what is on its way and closes its sinks.
    std::shared_ptr<LineMessageSink> other = port->OpenSink(2);
    other->DigitDetected(5, '1', 2);
    port.reset();
    other->DigitDetected(5, '2', 2);
    DeliverPostedEvents();
    EXPECT_EQ(delivered.size(), 1u);
}

}  // namespace
