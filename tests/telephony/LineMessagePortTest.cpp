// The message port: reports from any thread reach the owner's thread in order, none after close.
#include "telephony/LineMessagePort.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "support/QtTestApp.h"

namespace {

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

TEST_F(LineMessagePortTest, ReportsFromManyThreadsReachTheOwnersThreadInEachThreadsOrder) {
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
}

TEST_F(LineMessagePortTest, NothingArrivesFromASinkOnceItIsClosed) {
    std::shared_ptr<LineMessageSink> sink = port->OpenSink(1);
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
