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
    struct sigaction saved[2]{};
    ::sigaction(SIGTERM, &counting, &saved[0]);
    ::sigaction(SIGINT, &counting, &saved[1]);
    {
        StopSignals stop;
        for (int signal : {SIGTERM, SIGINT}) {
            EXPECT_TRUE(stop.Caught() == (signal == SIGINT) && !Readable(stop.Fd())) << signal;
            ::raise(signal);
            EXPECT_TRUE(stop.Caught() && Readable(stop.Fd())) << signal;
            stop.Acknowledge();
        }
    }
    EXPECT_EQ(signalsBefore, 0);
    ::raise(SIGTERM);
    ::raise(SIGINT);
    EXPECT_EQ(signalsBefore, 2);
    ::sigaction(SIGTERM, &saved[0], nullptr);
    ::sigaction(SIGINT, &saved[1], nullptr);
}

}  // namespace
