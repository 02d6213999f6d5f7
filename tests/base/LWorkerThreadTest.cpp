// The worker thread base: one thread at a time, its stop event, its priority and the bounded stop.
#include "base/LWorkerThread.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace {

// What threads report, in order.
struct Journal {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> events;

    void Add(const std::string& event) {
        std::lock_guard lock(mutex);
        events.push_back(event);
        changed.notify_all();
    }
    // The events once there are at least `count`.
    std::vector<std::string> Events(std::size_t count = 0) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return events.size() >= count; });
        return events;
    }
};

// Where a thread that ignores its stop event reports once it has been left behind: it outlives
// the worker object, as such a thread may.
Journal& Runaways() {
    static Journal* journal = new Journal;  // never destroyed: the thread may outlive the test
    return *journal;
}

int NiceOf(pid_t id) {
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(id));
}

class TestWorker : public LWorkerThread {
public:
    explicit TestWorker(bool ignoresStop) : ignoresStop(ignoresStop) {}
    ~TestWorker() override { StopThread(kStopThreadTimeoutMs); }

    Journal journal;
    std::atomic<bool> ignoresStop;
    std::atomic<pid_t> tid{0};

protected:
    void OnThreadStart() override { journal.Add("start"); }
    void Run(const LStopEvent& stop) override {
        tid = ::gettid();
        journal.Add(stop.IsSet() ? "run, stop set" : "run");
        if (!ignoresStop) {
            while (!stop.Wait(std::chrono::seconds(1))) {
            }
        } else {
            Runaways().Events(1);  // released
            Runaways().Add(stop.IsSet() ? "released, stop set" : "released, stop clear");
        }
    }
    void OnThreadEnd() override { journal.Add("end"); }
};

TEST(LWorkerThreadTest, OneThreadAtATimeRunsStartRunEndAtItsPriorityClassWithAFreshStopEvent) {
    EXPECT_EQ(ThreadNiceValue(kThreadPriorityIdle, 5), 19);
    EXPECT_EQ(ThreadNiceValue(kThreadPriorityLowest, 0), 10);
    EXPECT_EQ(ThreadNiceValue(kThreadPriorityLowest, 15), 19);
    for (int priority : {kThreadPriorityIdle, kThreadPriorityLowest, kThreadPriorityNormal,
                         kThreadPriorityHighest}) {
        TestWorker worker(false);
        worker.StopThread(kStopThreadTimeoutMs);  // without a thread: returns at once
        worker.StartThread(priority);
        worker.journal.Events(2);
        EXPECT_TRUE(worker.IsThreadRunning());
        // A start while the thread runs changes nothing, not even the priority.
        worker.StartThread(priority == kThreadPriorityIdle ? kThreadPriorityNormal
                                                           : kThreadPriorityIdle);
        EXPECT_EQ(NiceOf(worker.tid), ThreadNiceValue(priority, NiceOf(::getpid()))) << priority;
        EXPECT_NE(worker.tid, ::gettid());
        worker.StopThread(kStopThreadTimeoutMs);
        EXPECT_FALSE(worker.IsThreadRunning());
        // The end came before the stop returned.
        EXPECT_EQ(worker.journal.Events(), (std::vector<std::string>{"start", "run", "end"}));
    }
}

TEST(LWorkerThreadTest, AThreadIgnoringItsStopEventIsLeftBehindAfterTheTimeout) {
    TestWorker worker(true);
    worker.StartThread(kThreadPriorityNormal);
    worker.journal.Events(2);
    worker.StopThread(20);
    EXPECT_FALSE(worker.IsThreadRunning());

    // The object starts a new thread of its own, with a fresh stop event, while the old one runs.
    worker.ignoresStop = false;
    worker.StartThread(kThreadPriorityNormal);
    EXPECT_TRUE(worker.IsThreadRunning());
    worker.journal.Events(4);

    // The old thread's stop event stays set for it, and it never reports its end.
    Runaways().Add("release");
    EXPECT_EQ(Runaways().Events(2).back(), "released, stop set");
    worker.StopThread(kStopThreadTimeoutMs);
    EXPECT_FALSE(worker.IsThreadRunning());
    EXPECT_EQ(worker.journal.Events(),
              (std::vector<std::string>{"start", "run", "start", "run", "end"}));
}

}  // namespace
