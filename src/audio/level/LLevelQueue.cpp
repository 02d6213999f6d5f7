// The background level processing queue.
#include "audio/level/LLevelQueue.h"

LLevelQueue::LLevelQueue(const std::string& dataFolder) : file(dataFolder + kLevelQueueFileName) {}

LLevelQueue::~LLevelQueue() {
    Stop();
}

bool LLevelQueue::Add(const std::string& path) {
    bool start = false;
    {
        std::lock_guard lock(mutex);
        if (!file.Append(path)) {
            return false;
        }
        start = !workerActive;
        workerActive = true;
    }
    if (start) {
        // A worker that has just found the queue empty may still be on its way out: wait for
        // it, so that the new entry is not left for a later Add.
        StopThread(kStopThreadTimeoutMs);
        StartThread(kThreadPriorityLowest);
    }
    return true;
}

void LLevelQueue::Stop() {
    StopThread(kStopThreadTimeoutMs);
    std::lock_guard lock(mutex);
    workerActive = false;
}

bool LLevelQueue::ProcessQueued(const LStopEvent& stop, const Report& report) {
    bool failed = false;
    while (std::optional<std::string> path = TakeNext(failed)) {
        const LevelResult result = LevelWaveFile(*path, *path, stop);
        if (report) {
            report(*path, result);
        }
        if (stop.IsSet()) {
            return true;
        }
    }
    return !failed;
}

void LLevelQueue::Run(const LStopEvent& stop) {
    ProcessQueued(stop);
}

std::optional<std::string> LLevelQueue::TakeNext(bool& failed) {
    std::lock_guard lock(mutex);
    std::optional<std::string> path = file.TakeOldest(failed);
    if (!path) {
        workerActive = false;
    }
    return path;
}
