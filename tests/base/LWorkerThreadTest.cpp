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

using namespace std::chrono_literals;

// What the test's worker reports; guarded by its own lock.
struct Journal {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> events;
    int runs = 0;
    pid_t tid = 0;
    int nice = 0;
    bool stopSeenAtStart = false;

    void Add(const std::string& event) {
        std::lock_guard lock(mutex);
        events.push_back(event);
        changed.notify_all();
    }
    void WaitFor(const std::string& event) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] {
            for (const std::string& e : events) {
                if (e == event) {
                    return true;
                }
            }
            return false;
        });
    }
};

enum class Behaviour { ReturnAtOnce, WaitForStop, IgnoreStop };

// What a thread that ignores its stop event touches once it has been left behind: it outlives
// the worker object, as such a thread may.
struct Runaway {
    std::atomic<bool> release{false};
    Journal journal;
};
Runaway& TheRunaway() {
    static Runaway* runaway = new Runaway;  // never destroyed: the thread may outlive the test
    return *runaway;
}

class TestWorker : public LWorkerThread {
public:
    explicit TestWorker(Behaviour b) : behaviour(b) {}
    ~TestWorker() override { StopThread(kStopThreadTimeoutMs); }

    Journal journal;
    std::atomic<Behaviour> behaviour;

protected:
    void OnThreadStart() override { journal.Add("start"); }
    void Run(const LStopEvent& stop) override {
        {
            std::lock_guard lock(journal.mutex);
            ++journal.runs;
            journal.tid = ::gettid();
            journal.nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
            journal.stopSeenAtStart = stop.IsSet();
        }
        journal.Add("run");
        switch (behaviour.load()) {
            case Behaviour::ReturnAtOnce:
                break;
            case Behaviour::WaitForStop:
                while (!stop.Wait(1000ms)) {
                }
                break;
            case Behaviour::IgnoreStop: {
                Runaway& runaway = TheRunaway();
                while (!runaway.release) {
                    std::this_thread::sleep_for(1ms);
                }
                runaway.journal.Add(stop.IsSet() ? "released, stop set" : "released, stop clear");
                break;
            }
        }
    }
    void OnThreadEnd() override { journal.Add("end"); }
};

int MainThreadNice() {
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
}

TEST(LWorkerThreadTest, NiceValuesFollowThePriorityClasses) {
    struct Row {
        int priority;
        int processNice;
        int nice;
    } rows[] = {
        {kThreadPriorityIdle, 0, 19},    {kThreadPriorityIdle, 5, 19},
        {kThreadPriorityLowest, 0, 10},  {kThreadPriorityLowest, 4, 14},
        {kThreadPriorityLowest, 15, 19}, {kThreadPriorityNormal, 3, 3},
        {kThreadPriorityHighest, 0, 0},  {kThreadPriorityHighest, 7, 7},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ThreadNiceValue(row.priority, row.processNice), row.nice)
            << row.priority << " " << row.processNice;
    }
}

TEST(LWorkerThreadTest, AThreadRunsStartRunEndInOrderAndThenIsNoLongerRunning) {
    TestWorker worker(Behaviour::ReturnAtOnce);
    EXPECT_FALSE(worker.IsThreadRunning());
    worker.StartThread(kThreadPriorityNormal);
    worker.journal.WaitFor("end");
    {
        std::lock_guard lock(worker.journal.mutex);
        EXPECT_EQ(worker.journal.events, (std::vector<std::string>{"start", "run", "end"}));
        EXPECT_NE(worker.journal.tid, ::gettid());
    }
    worker.StopThread(kStopThreadTimeoutMs);
    EXPECT_FALSE(worker.IsThreadRunning());
}

TEST(LWorkerThreadTest, TheThreadGetsTheNiceValueOfItsPriority) {
    for (int priority : {kThreadPriorityIdle, kThreadPriorityLowest, kThreadPriorityHighest}) {
        TestWorker worker(Behaviour::ReturnAtOnce);
        worker.StartThread(priority);
        worker.journal.WaitFor("end");
        worker.StopThread(kStopThreadTimeoutMs);
        EXPECT_EQ(worker.journal.nice, ThreadNiceValue(priority, MainThreadNice())) << priority;
    }
}

TEST(LWorkerThreadTest, StopSetsTheStopEventAndWaitsForTheThread) {
    TestWorker worker(Behaviour::WaitForStop);
    worker.StartThread(kThreadPriorityLowest);
    worker.journal.WaitFor("run");
    EXPECT_TRUE(worker.IsThreadRunning());
    worker.StopThread(kStopThreadTimeoutMs);
    EXPECT_FALSE(worker.IsThreadRunning());
    std::lock_guard lock(worker.journal.mutex);
    EXPECT_EQ(worker.journal.events.back(), "end");
}

TEST(LWorkerThreadTest, StartWhileRunningChangesNothingNotEvenThePriority) {
    TestWorker worker(Behaviour::WaitForStop);
    worker.StartThread(kThreadPriorityLowest);
    worker.journal.WaitFor("run");
    worker.StartThread(kThreadPriorityHighest);
    pid_t tid = 0;
    {
        std::lock_guard lock(worker.journal.mutex);
        EXPECT_EQ(worker.journal.runs, 1);
        tid = worker.journal.tid;
    }
    // Read while the first thread still waits for its stop event.
    EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(tid)),
              ThreadNiceValue(kThreadPriorityLowest, MainThreadNice()));
    worker.StopThread(kStopThreadTimeoutMs);
}

TEST(LWorkerThreadTest, StopWithoutAThreadReturnsAndARestartGetsAFreshStopEvent) {
    TestWorker worker(Behaviour::WaitForStop);
    worker.StopThread(kStopThreadTimeoutMs);
    EXPECT_FALSE(worker.IsThreadRunning());

    worker.StartThread(kThreadPriorityNormal);
    worker.journal.WaitFor("run");
    worker.StopThread(kStopThreadTimeoutMs);
    worker.journal.events.clear();
    worker.StartThread(kThreadPriorityNormal);
    worker.journal.WaitFor("run");
    EXPECT_TRUE(worker.IsThreadRunning());
    {
        std::lock_guard lock(worker.journal.mutex);
        EXPECT_EQ(worker.journal.runs, 2);
        EXPECT_FALSE(worker.journal.stopSeenAtStart);
    }
    worker.StopThread(kStopThreadTimeoutMs);
    EXPECT_FALSE(worker.IsThreadRunning());
}

TEST(LWorkerThreadTest, AThreadIgnoringItsStopEventIsLeftBehindAfterTheTimeout) {
    TestWorker worker(Behaviour::IgnoreStop);
    worker.StartThread(kThreadPriorityNormal);
    worker.journal.WaitFor("run");
    worker.StopThread(20);
    EXPECT_FALSE(worker.IsThreadRunning());

    // The object starts a new thread of its own while the old one still runs.
    worker.behaviour = Behaviour::WaitForStop;
    worker.StartThread(kThreadPriorityNormal);
    EXPECT_TRUE(worker.IsThreadRunning());
    {
        std::unique_lock lock(worker.journal.mutex);
        worker.journal.changed.wait(lock, [&] { return worker.journal.runs == 2; });
        EXPECT_FALSE(worker.journal.stopSeenAtStart);
    }

    // The old thread's stop event stays set for it, and it never reports its end.
    TheRunaway().release = true;
    TheRunaway().journal.WaitFor("released, stop set");
    worker.StopThread(kStopThreadTimeoutMs);
    EXPECT_FALSE(worker.IsThreadRunning());
    std::lock_guard lock(worker.journal.mutex);
    int ends = 0;
    for (const std::string& e : worker.journal.events) {
        ends += e == "end" ? 1 : 0;
    }
    EXPECT_EQ(ends, 1);
}

}  // namespace
