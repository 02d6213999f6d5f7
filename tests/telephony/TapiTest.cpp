// The line-device layer over the simulated line and a scripted provider: the provider table,
// structure sizes, requests and their replies, and messages delivered only from the event loop
// of the application's thread.
#include "telephony/Tapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "LineTestBench.h"
#include "telephony/TapiBuffer.h"

namespace {

struct Message {
    std::uint32_t device;
    std::uint32_t message;
    std::uintptr_t instance;
    std::uintptr_t param1;
    std::uintptr_t param2;
    std::uintptr_t param3;
    std::thread::id thread;
};
std::vector<Message> messages;

void Record(std::uint32_t device, std::uint32_t message, std::uintptr_t instance,
            std::uintptr_t param1, std::uintptr_t param2, std::uintptr_t param3) {
    messages.push_back(
        {device, message, instance, param1, param2, param3, std::this_thread::get_id()});
}

std::vector<Message> Take(std::uint32_t message) {
    std::vector<Message> found;
    for (const Message& m : messages) {
        if (m.message == message) {
            found.push_back(m);
        }
    }
    return found;
}

class TapiTest : public ::testing::Test {
protected:
    TapiTest() {
        QtTestApp();
        messages.clear();
    }
    ~TapiTest() override {
        if (app != 0) {
            lineShutdown(app);
        }
    }

    void Initialize() {
        ASSERT_EQ(lineInitialize(&app, nullptr, &Record, nullptr, &devices), 0);
        std::uint32_t version = 0;
        LINEEXTENSIONID extension{};
        ASSERT_EQ(lineNegotiateAPIVersion(app, 0, TAPI_VERSION_1_4, TAPI_VERSION_1_4, &version,
                                          &extension),
                  0);
        EXPECT_EQ(version, TAPI_VERSION_1_4);
    }
    HLINE OpenOwner() {
        HLINE line = 0;
        EXPECT_EQ(lineOpen(app, 0, &line, TAPI_VERSION_1_4, 0, 77, LINECALLPRIVILEGE_OWNER,
                           LINEMEDIAMODE_AUTOMATEDVOICE, nullptr),
                  0);
        return line;
    }
    // The call handle of the first LINE_CALLSTATE.
    HCALL FirstCall() const {
        for (const Message& m : messages) {
            if (m.message == LINE_CALLSTATE) {
                return m.device;
            }
        }
        return 0;
    }

    TestClock clock;
    std::shared_ptr<SimulatedLine> simulated = SimulatedLine::Create(clock);
    LineProviderRegistration registration{"Bench Line",
                                          [line = simulated] { return line->CreateProvider(); }};
    ActiveProvider active{"BENCH line"};
    HLINEAPP app = 0;
    std::uint32_t devices = 0;
};

TEST_F(TapiTest, ProvidersAreFoundWithoutRegardToCaseAndUnknownOnesAreSkipped) {
    SetActiveLineProviders({"no such provider", "bench LINE"});
    Initialize();
    EXPECT_EQ(devices, 1u);
    EXPECT_NE(CreateLineProvider("SIMULATED"), nullptr);
    EXPECT_EQ(CreateLineProvider("simulate"), nullptr);
}

TEST_F(TapiTest, DeviceCapsFollowTheNeededSizeRule) {
    Initialize();
    TapiBuffer<LINEDEVCAPS> tooSmall(sizeof(LINEDEVCAPS) - 4);
    EXPECT_EQ(lineGetDevCaps(app, 0, TAPI_VERSION_1_4, 0, tooSmall.Get()),
              LINEERR_STRUCTURETOOSMALL);

    // The fixed part only: the sizes say how much room the strings need, none is written.
    TapiBuffer<LINEDEVCAPS> fixed(sizeof(LINEDEVCAPS));
    ASSERT_EQ(lineGetDevCaps(app, 0, TAPI_VERSION_1_4, 0, fixed.Get()), 0);
    std::uint32_t strings = sizeof "Bench Line" + sizeof SimulatedLine::kName;
    EXPECT_EQ(fixed->neededSize, sizeof(LINEDEVCAPS) + strings);
    EXPECT_EQ(fixed->usedSize, sizeof(LINEDEVCAPS));
    EXPECT_EQ(fixed->lineNameSize, 0u);
    EXPECT_EQ(fixed->mediaModes, LINEMEDIAMODE_AUTOMATEDVOICE | LINEMEDIAMODE_UNKNOWN);

    TapiBuffer<LINEDEVCAPS> caps(fixed->neededSize);
    ASSERT_EQ(lineGetDevCaps(app, 0, TAPI_VERSION_1_4, 0, caps.Get()), 0);
    EXPECT_EQ(caps->usedSize, caps->neededSize);
    EXPECT_EQ(caps.Bytes(caps->lineNameOffset, caps->lineNameSize),
              std::string_view(SimulatedLine::kName, sizeof SimulatedLine::kName));
    EXPECT_EQ(caps.Bytes(caps->providerInfoOffset, caps->providerInfoSize),
              std::string_view("BENCH line", sizeof "BENCH line"));  // as selected

    EXPECT_EQ(lineGetDevCaps(app, 1, TAPI_VERSION_1_4, 0, caps.Get()), LINEERR_BADDEVICEID);
    EXPECT_EQ(lineGetDevCaps(app, 0, 0x00020000, 0, caps.Get()), LINEERR_INCOMPATIBLEAPIVERSION);
    std::uint32_t version = 0;
    LINEEXTENSIONID extension{};
    EXPECT_EQ(lineNegotiateAPIVersion(app, 0, 0x00020000, 0x00030000, &version, &extension),
              LINEERR_INCOMPATIBLEAPIVERSION);
}

TEST_F(TapiTest, AnOwnerMustNameMediaModesTheDeviceOffers) {
    Initialize();
    HLINE line = 0;
    EXPECT_EQ(lineOpen(app, 0, &line, TAPI_VERSION_1_4, 0, 0, LINECALLPRIVILEGE_OWNER, 0, nullptr),
              LINEERR_INVALMEDIAMODE);
    EXPECT_EQ(lineOpen(app, 0, &line, TAPI_VERSION_1_4, 0, 0, LINECALLPRIVILEGE_OWNER,
                       LINEMEDIAMODE_G3FAX, nullptr),
              LINEERR_INVALMEDIAMODE);
    EXPECT_EQ(
        lineOpen(app, 0, &line, TAPI_VERSION_1_4, 0, 0, LINECALLPRIVILEGE_MONITOR, 0, nullptr), 0);
    EXPECT_NE(line, 0u);
    EXPECT_EQ(lineClose(line), 0);
    EXPECT_EQ(lineClose(line), LINEERR_INVALLINEHANDLE);
}

TEST_F(TapiTest, MessagesArePostedAndDeliveredOnlyByTheEventLoop) {
    Initialize();
    HLINE line = OpenOwner();
    ASSERT_EQ(lineSetStatusMessages(line, LINEDEVSTATE_RINGING, 0), 0);
    ASSERT_TRUE(simulated->Ring({}));
    EXPECT_TRUE(messages.empty());
    DeliverPostedEvents();
    ASSERT_EQ(messages.size(), 2u);
    // A new call reaches its owner with the privilege in param 3.
    EXPECT_EQ(messages[0].message, LINE_CALLSTATE);
    EXPECT_EQ(messages[0].param1, LINECALLSTATE_OFFERING);
    EXPECT_EQ(messages[0].param3, LINECALLPRIVILEGE_OWNER);
    EXPECT_EQ(messages[0].instance, 77u);
    EXPECT_EQ(messages[1].message, LINE_LINEDEVSTATE);
    EXPECT_EQ(messages[1].device, line);
    EXPECT_EQ(messages[1].param3, 1u);
    HCALL call = FirstCall();

    // A request returns its id at once; the outcome comes later as LINE_REPLY.
    std::int32_t request = lineAnswer(call, nullptr, 0);
    ASSERT_GT(request, 0);
    EXPECT_EQ(Take(LINE_REPLY).size(), 0u);
    DeliverPostedEvents();
    std::vector<Message> replies = Take(LINE_REPLY);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].param1, static_cast<std::uintptr_t>(request));
    EXPECT_EQ(replies[0].param2, 0u);
    EXPECT_EQ(messages.back().param1, LINECALLSTATE_CONNECTED);
    EXPECT_EQ(messages.back().param3, 0u);  // nothing new about the privilege

    // A request the call's state does not allow is refused at once.
    EXPECT_EQ(lineAnswer(call, nullptr, 0), LINEERR_INVALCALLSTATE);
    // The owner of a call in progress cannot just let go of it.
    EXPECT_EQ(lineDeallocateCall(call), LINEERR_INVALCALLSTATE);
}

TEST_F(TapiTest, ReportsFromAnotherThreadArriveOnTheApplicationThread) {
    Initialize();
    HLINE line = OpenOwner();
    ASSERT_EQ(lineSetStatusMessages(line, LINEDEVSTATE_RINGING, 0), 0);
    std::thread other([this] { simulated->Ring({}); });
    other.join();
    EXPECT_TRUE(messages.empty());
    DeliverPostedEvents();
    ASSERT_EQ(messages.size(), 2u);
    for (const Message& m : messages) {
        EXPECT_EQ(m.thread, std::this_thread::get_id());
    }
}

TEST_F(TapiTest, LineStateMessagesNeedToBeAskedFor) {
    Initialize();
    HLINE line = OpenOwner();
    ASSERT_TRUE(simulated->Ring({}));
    DeliverPostedEvents();
    EXPECT_EQ(Take(LINE_LINEDEVSTATE).size(), 0u);
    ASSERT_EQ(lineSetStatusMessages(line, LINEDEVSTATE_RINGING, 0), 0);
    clock.Advance(SimulatedLine::kDefaultRingInterval);
    DeliverPostedEvents();
    std::vector<Message> rings = Take(LINE_LINEDEVSTATE);
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_EQ(rings[0].param3, 2u);
}

TEST_F(TapiTest, DigitsAreReportedOnlyWhileMonitored) {
    Initialize();
    HLINE line = OpenOwner();
    HCALL call = 0;
    ASSERT_GT(lineMakeCall(line, &call, ",", 0, nullptr), 0);
    ASSERT_NE(call, 0u);
    DeliverPostedEvents();
    ASSERT_TRUE(simulated->SendDigits("1"));
    DeliverPostedEvents();
    EXPECT_EQ(Take(LINE_MONITORDIGITS).size(), 0u);
    ASSERT_EQ(lineMonitorDigits(call, LINEDIGITMODE_DTMF), 0);
    ASSERT_TRUE(simulated->SendDigits("5#"));
    clock.Advance(SimulatedLine::kDigitSpacing);
    DeliverPostedEvents();
    std::vector<Message> digits = Take(LINE_MONITORDIGITS);
    ASSERT_EQ(digits.size(), 2u);
    EXPECT_EQ(digits[0].param1, static_cast<std::uintptr_t>('5'));
    EXPECT_EQ(digits[1].param1, static_cast<std::uintptr_t>('#'));
    EXPECT_EQ(digits[1].param2, LINEDIGITMODE_DTMF);
}

TEST_F(TapiTest, ClosingALineStopsItsMessages) {
    Initialize();
    HLINE line = OpenOwner();
    ASSERT_EQ(lineSetStatusMessages(line, LINEDEVSTATE_RINGING, 0), 0);
    ASSERT_TRUE(simulated->Ring({}));
    ASSERT_EQ(lineClose(line), 0);
    DeliverPostedEvents();
    EXPECT_TRUE(messages.empty());
}

TEST_F(TapiTest, CallInfoWaveDevicesHandOffAndConfiguration) {
    Initialize();
    HLINE line = OpenOwner();
    ASSERT_TRUE(simulated->Ring({SimulatedCallerId::Kind::Number, "5551234", "ALICE"}));
    DeliverPostedEvents();
    HCALL call = FirstCall();

    std::optional<TapiBuffer<LINECALLINFO>> info = FetchTapiStructure<LINECALLINFO>(
        sizeof(LINECALLINFO),
        [call](LINECALLINFO* buffer) { return lineGetCallInfo(call, buffer); });
    ASSERT_TRUE(info);
    EXPECT_EQ((*info)->callerIDFlags, LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME);
    EXPECT_EQ(info->Bytes((*info)->callerIDOffset, (*info)->callerIDSize),
              std::string_view("5551234", 8));
    EXPECT_EQ(info->Bytes((*info)->callerIDNameOffset, (*info)->callerIDNameSize),
              std::string_view("ALICE", 6));
    EXPECT_EQ((*info)->origin, LINECALLORIGIN_INBOUND);

    TapiBuffer<VARSTRING> id(280);
    ASSERT_EQ(lineGetID(line, 0, call, LINECALLSELECT_CALL, id.Get(), "Wave/In"), 0);
    std::uint32_t device = 0;
    std::memcpy(&device, id.Bytes(id->stringOffset, id->stringSize).data(), sizeof device);
    EXPECT_EQ(device, static_cast<std::uint32_t>(simulated->WaveInputId()));
    EXPECT_EQ(lineGetID(line, 0, call, LINECALLSELECT_CALL, id.Get(), "comm/datamodem"),
              LINEERR_INVALDEVICECLASS);

    // No other program takes calls over.
    EXPECT_EQ(lineHandoff(call, nullptr, LINEMEDIAMODE_G3FAX), LINEERR_TARGETNOTFOUND);
    EXPECT_EQ(lineConfigDialog(0, nullptr, "tapi/line"), 0);
    EXPECT_EQ(lineConfigDialog(1, nullptr, "tapi/line"), LINEERR_BADDEVICEID);
}

TEST_F(TapiTest, AMonitorCannotActOnCalls) {
    Initialize();
    HLINE line = 0;
    ASSERT_EQ(
        lineOpen(app, 0, &line, TAPI_VERSION_1_4, 0, 0, LINECALLPRIVILEGE_MONITOR, 0, nullptr), 0);
    ASSERT_TRUE(simulated->Ring({}));
    DeliverPostedEvents();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].param3, LINECALLPRIVILEGE_MONITOR);
    HCALL call = messages[0].device;
    EXPECT_EQ(lineAnswer(call, nullptr, 0), LINEERR_NOTOWNER);
    EXPECT_EQ(lineSetCallPrivilege(call, LINECALLPRIVILEGE_OWNER), LINEERR_INVALCALLPRIVILEGE);

    // The call is on the line: lineGetNewCalls lists it.
    TapiBuffer<LINECALLLIST> list(28);
    ASSERT_EQ(lineGetNewCalls(line, 0, LINECALLSELECT_LINE, list.Get()), 0);
    ASSERT_EQ(list->callsNum, 1u);
    HCALL listed = 0;
    std::memcpy(&listed, list.Bytes(list->callsOffset, list->callsSize).data(), sizeof listed);
    EXPECT_EQ(listed, call);
    EXPECT_EQ(lineDeallocateCall(call), 0);
}

TEST_F(TapiTest, ASecondCallIsRefusedWhileTheLineIsInUse) {
    Initialize();
    HLINE line = OpenOwner();
    HCALL first = 0;
    ASSERT_GT(lineMakeCall(line, &first, "5551234", 0, nullptr), 0);
    HCALL second = 0;
    EXPECT_EQ(lineMakeCall(line, &second, "5551234", 0, nullptr), LINEERR_CALLUNAVAIL);
    EXPECT_EQ(second, 0u);
    DeliverPostedEvents();
    EXPECT_EQ(simulated->State(), SimulatedCallState::Dialing);
    EXPECT_EQ(simulated->DialledAddress(), "5551234");
}

}  // namespace
