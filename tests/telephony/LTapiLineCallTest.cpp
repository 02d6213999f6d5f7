// Call monitoring on the simulated line: caller ID, rings and offering, digits and their echo
// window, the far end going away, handler replacement, and making or answering calls.
#include <gtest/gtest.h>

#include "LineTestBench.h"

namespace {

using Kind = SimulatedCallerId::Kind;

class LineCallTest : public SimulatedLineBench {};

TEST_F(LineCallTest, CallerIdIsReadByItsFlags) {
    struct Row {
        SimulatedCallerId callerId;
        const char* number;
        const char* name;
    } rows[] = {
        {{Kind::Number, "5551234", "ALICE SMITH"}, "5551234", "ALICE SMITH"},
        {{Kind::Number, "", "ALICE"}, "", "ALICE"},
        {{Kind::Number, "", ""}, "Unknown", ""},
        {{Kind::Blocked, "5551234", "ALICE"}, "Blocked", ""},
        {{Kind::OutOfArea, "", ""}, "Out Of Area", ""},
        {{Kind::Unknown, "", "BOB"}, "Unknown", ""},
        {{Kind::Unavailable, "", ""}, "Unavailable", ""},
        {{Kind::Number, std::string(40, '7'), std::string(35, 'N')},
         "7777777777777777777777777777777",
         "NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN"},
        // Text from the network reaches nobody with control characters in it.
        {{Kind::Number, "555\r\n1234", "EVE\tX\x1b"}, "555  1234", "EVE X "},
    };
    OpenLine();
    for (const Row& row : rows) {
        ASSERT_TRUE(simulated->Ring(row.callerId));
        DeliverPostedEvents();
        EXPECT_STREQ(line.callerNumber, row.number) << row.number;
        EXPECT_STREQ(line.callerName, row.name) << row.number;
        ASSERT_TRUE(simulated->FarPartyHangsUp());
        DeliverPostedEvents();
        EXPECT_EQ(line.GetCall(), 0u);
    }
}

TEST_F(LineCallTest, EachRingIsOfferedToTheStandingHandlerUntilItAnswers) {
    OpenLine({.offerCall = [](std::uint32_t ringCount) { return ringCount == 3; }});
    ASSERT_TRUE(simulated->Ring({Kind::Number, "5551234", ""}));
    Run(SimulatedLine::kDefaultRingInterval / kMs * 3);
    // Rings 1 and 2 are declined; ring 3 is answered and the call connects.
    std::vector<std::string> expected = {"standing: offer 1", "standing: offer 2",
                                         "standing: offer 3", "standing: start"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(simulated->State(), SimulatedCallState::Connected);
    EXPECT_EQ(simulated->RingCount(), 3u);
    EXPECT_STREQ(line.callerNumber, "5551234");
}

TEST_F(LineCallTest, TheDefaultHandlerAnswersAtTheFirstRing) {
    struct Answering : LTapiCallHandler {
        void Start() override { started = true; }
        bool started = false;
    };
    auto handler = std::make_unique<Answering>();
    Answering* answering = handler.get();
    line.SetStandingHandler(std::move(handler));
    ASSERT_TRUE(line.Open(0, 0));
    ASSERT_TRUE(simulated->Ring({}));
    DeliverPostedEvents();
    DeliverPostedEvents();
    EXPECT_TRUE(answering->started);
    EXPECT_EQ(simulated->RingCount(), 1u);
    EXPECT_EQ(line.GetPendingRequest(), LTapiLine::PendingRequest::None);
}

TEST_F(LineCallTest, DigitsRightAfterOurOwnAreTakenAsTheirEcho) {
    OpenLine();
    AnswerCall();
    // Just after connecting, digits count at once.
    ASSERT_TRUE(simulated->SendDigits("1"));
    DeliverPostedEvents();
    EXPECT_TRUE(Logged("standing: digit 1"));

    line.GenerateDigits("9");
    Run(850);
    ASSERT_TRUE(simulated->SendDigits("2"));
    DeliverPostedEvents();
    EXPECT_FALSE(Logged("standing: digit 2"));
    clock.Advance(1 * kMs);
    ASSERT_TRUE(simulated->SendDigits("3"));
    DeliverPostedEvents();
    EXPECT_TRUE(Logged("standing: digit 3"));
    // The line's own digits were generated: their end is reported.
    EXPECT_TRUE(Logged("standing: generate done"));
}

TEST_F(LineCallTest, NoDigitsToGenerateEndsAtOnceWithoutARequest) {
    OpenLine();
    AnswerCall();
    line.GenerateDigits("");
    EXPECT_TRUE(Logged("standing: generate done"));  // before any event is delivered
    Run(500);
    EXPECT_EQ(CountLogged("standing: generate done"), 1);
    // Nothing was sent down the line.
    std::vector<std::int16_t> capture = simulated->Capture();
    EXPECT_TRUE(std::all_of(capture.begin(), capture.end(), [](std::int16_t s) { return s == 0; }));
}

TEST_F(LineCallTest, ADisconnectWhileWeDropIsOursButBusyIsNews) {
    OpenLine({.remoteHangUp = [] {}});
    AnswerCall();
    line.Drop();
    ASSERT_TRUE(simulated->FarPartyHangsUp());
    DeliverPostedEvents();
    EXPECT_FALSE(Logged("standing: remote hang-up"));
    EXPECT_EQ(line.GetLineStatus() & LTapiLine::kFarEndGone, 0);
    Run(200);
    EXPECT_TRUE(Logged("standing: call ended"));

    log.clear();
    AnswerCall();
    line.Drop();
    ASSERT_TRUE(simulated->FarPartyBusy());
    DeliverPostedEvents();
    EXPECT_TRUE(Logged("standing: remote hang-up"));
    EXPECT_NE(line.GetLineStatus() & LTapiLine::kFarEndGone, 0);
    Run(200);
    EXPECT_TRUE(Logged("standing: call ended"));
    EXPECT_EQ(line.GetCall(), 0u);
}

TEST_F(LineCallTest, AFarEndHangUpEndsTheCallThroughTheDefaultHandler) {
    OpenLine();
    AnswerCall();
    ASSERT_TRUE(simulated->FarPartyHangsUp());
    DeliverPostedEvents();
    EXPECT_TRUE(Logged("standing: remote hang-up"));
    EXPECT_EQ(line.GetPendingRequest(), LTapiLine::PendingRequest::Drop);
    Run(200);
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);
    EXPECT_EQ(log.back(), "standing: call ended");
    EXPECT_EQ(line.GetCall(), 0u);
    EXPECT_EQ(line.GetPendingRequest(), LTapiLine::PendingRequest::None);
}

TEST_F(LineCallTest, AReplacedHandlerTakesOverAfterTheOutermostEvent) {
    OpenLine({.digit =
                  [&](char) {
                      // Inside this event a nested one runs, and the handler is replaced from
                      // within it.
                      line.GenerateDigits("");
                      log.push_back("digit event returns");
                  },
              .generateDone =
                  [&] {
                      line.SetHandler(std::make_unique<LoggingHandler>("first", log));
                      line.SetHandler(std::make_unique<LoggingHandler>("second", log));
                      log.push_back("generate event returns");
                  }});
    AnswerCall();
    log.clear();
    ASSERT_TRUE(simulated->SendDigits("4"));
    DeliverPostedEvents();
    std::vector<std::string> expected = {
        "standing: digit 4",      "standing: generate done", "first: deleted",
        "generate event returns", "digit event returns",     "second: start",
    };
    EXPECT_EQ(log, expected);

    // A replaced handler that is not the standing one is deleted once its event has returned.
    log.clear();
    ASSERT_TRUE(simulated->SendDigits("5"));
    DeliverPostedEvents();
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

TEST_F(LineCallTest, MakeCallWithoutANumberGoesOffHookOrAnswers) {
    OpenLine();
    // No call: the device only goes off hook, beside a handset in use.
    ASSERT_TRUE(line.MakeCall(nullptr));
    EXPECT_EQ(line.GetPendingRequest(), LTapiLine::PendingRequest::MakeCall);
    DeliverPostedEvents();
    EXPECT_EQ(simulated->DialledAddress(), ",");
    EXPECT_TRUE(simulated->IsOffHook());
    EXPECT_TRUE(Logged("standing: start"));
    EXPECT_EQ(line.GetPendingRequest(), LTapiLine::PendingRequest::None);
    // With a call, a number is refused.
    EXPECT_FALSE(line.MakeCall("5551234"));
    line.Drop();
    Run(200);
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);

    // A ringing call is answered.
    log.clear();
    ASSERT_TRUE(simulated->Ring({}));
    DeliverPostedEvents();
    ASSERT_NE(line.GetCall(), 0u);
    ASSERT_TRUE(line.MakeCall(nullptr));
    DeliverPostedEvents();
    EXPECT_EQ(simulated->State(), SimulatedCallState::Connected);
    EXPECT_EQ(simulated->DialledAddress(), ",");
    EXPECT_TRUE(Logged("standing: start"));
}

TEST_F(LineCallTest, ADialledCallConnectsWhenAnsweredAndReportsBusy) {
    OpenLine();
    ASSERT_TRUE(line.MakeCall("5551234"));
    DeliverPostedEvents();
    EXPECT_EQ(simulated->State(), SimulatedCallState::Dialing);
    EXPECT_FALSE(Logged("standing: start"));
    ASSERT_TRUE(simulated->FarPartyAnswers());
    DeliverPostedEvents();
    EXPECT_TRUE(Logged("standing: start"));
    ASSERT_TRUE(simulated->FarPartyBusy());
    DeliverPostedEvents();
    EXPECT_TRUE(Logged("standing: remote hang-up"));
    Run(200);
    EXPECT_EQ(log.back(), "standing: call ended");
}

TEST_F(LineCallTest, AFaxCallIsDroppedWhenNoProgramTakesItOver) {
    OpenLine();
    AnswerCall();
    ASSERT_TRUE(simulated->SendFaxTone());
    Run(SimulatedLine::kFaxToneDetectTime / kMs);
    EXPECT_TRUE(Logged("standing: fax tone"));
    EXPECT_EQ(simulated->MediaMode(), LINEMEDIAMODE_G3FAX);
    EXPECT_EQ(line.GetPendingRequest(), LTapiLine::PendingRequest::Drop);
    Run(200);
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);
    EXPECT_EQ(log.back(), "standing: call ended");
}

TEST_F(LineCallTest, ABlindTransferPassesTheFarPartyOn) {
    OpenLine();
    AnswerCall();
    line.BlindTransfer("5559876");
    EXPECT_EQ(line.GetPendingRequest(), LTapiLine::PendingRequest::Transfer);
    DeliverPostedEvents();
    EXPECT_EQ(simulated->TransferAddress(), "5559876");
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);
    EXPECT_EQ(log.back(), "standing: call ended");
    // A transfer the line refuses falls back to dropping the call.
    log.clear();
    ASSERT_TRUE(line.MakeCall("5551234"));
    DeliverPostedEvents();
    line.BlindTransfer("5559876");
    EXPECT_EQ(line.GetPendingRequest(), LTapiLine::PendingRequest::Drop);
    Run(200);
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);
}

TEST_F(LineCallTest, ACallerWhoGivesUpLeavesNoCallBehind) {
    OpenLine();
    ASSERT_TRUE(simulated->Ring({Kind::Number, "5551234", ""}));
    DeliverPostedEvents();
    ASSERT_NE(line.GetCall(), 0u);
    ASSERT_TRUE(simulated->FarPartyHangsUp());
    DeliverPostedEvents();
    EXPECT_EQ(line.GetCall(), 0u);
    EXPECT_EQ(log, std::vector<std::string>{"standing: offer 1"});
    // The next call rings as new.
    ASSERT_TRUE(simulated->Ring({}));
    DeliverPostedEvents();
    EXPECT_EQ(log.back(), "standing: offer 1");
}

}  // namespace
