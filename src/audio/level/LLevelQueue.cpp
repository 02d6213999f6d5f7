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
    while (std::optional<std::string> path = NextQueued()) {
        const LevelResult result = LevelWaveFile(*path, *path, stop);
        // A stopped file stays queued for the next run.
        const bool recorded = result == LevelResult::Stopped || Finish(*path);
        if (report) {
            report(*path, result);
        }
        if (!recorded) {
            return false;
        }
        if (stop.IsSet()) {
            return true;
        }
    }
    return true;
}

void LLevelQueue::Run(const LStopEvent& stop) {
    ProcessQueued(stop);
}

std::optional<std::string> LLevelQueue::NextQueued() {
    std::lock_guard lock(mutex);
    std::optional<std::string> path = file.Oldest();
    if (!path) {
        workerActive = false;
    }
    return path;
}

bool LLevelQueue::Finish(const std::string& path) {
    std::lock_guard lock(mutex);
    if (file.RemoveOldest(path)) {
        return true;
    }
    workerActive = false;
    return false;
}
