// Stop signals: SIGTERM and SIGINT become a readable byte instead of the end of the process,
// and the handlers before come back afterwards.
#include "base/StopSignals.h"

#include <gtest/gtest.h>
#include <poll.h>

namespace {

int signalsBefore = 0;

bool Readable(int fd) {
    pollfd watch{fd, POLLIN, 0};
    return ::poll(&watch, 1, 0) == 1;
}

TEST(StopSignalsTest, SignalsAreReadUntilAcknowledgedAndTheOldHandlersComeBack) {
    struct sigaction counting {};
    counting.sa_handler = [](int) { ++signalsBefore; };
    struct sigaction savedTerm {};
    struct sigaction savedInt {};
    ::sigaction(SIGTERM, &counting, &savedTerm);
    ::sigaction(SIGINT, &counting, &savedInt);
    {
        StopSignals stop;
        EXPECT_FALSE(stop.Caught());
        for (int signal : {SIGTERM, SIGINT}) {
            EXPECT_FALSE(Readable(stop.Fd())) << signal;
            ::raise(signal);
            EXPECT_TRUE(stop.Caught());
            EXPECT_TRUE(Readable(stop.Fd())) << signal;
            stop.Acknowledge();
        }
        EXPECT_FALSE(Readable(stop.Fd()));
    }
    EXPECT_EQ(signalsBefore, 0);
    ::raise(SIGTERM);
    ::raise(SIGINT);
    EXPECT_EQ(signalsBefore, 2);
    ::sigaction(SIGTERM, &savedTerm, nullptr);
    ::sigaction(SIGINT, &savedInt, nullptr);
}

}  // namespace
