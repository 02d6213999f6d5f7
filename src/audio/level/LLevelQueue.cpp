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

void LLevelQueue::ProcessQueued(const LStopEvent& stop, const Report& report) {
    while (std::optional<std::string> path = TakeNext()) {
        // Entries from an edited or damaged queue file may have been cut: never guess a name.
        LevelResult result =
            CanQueuePath(*path) ? LevelWaveFile(*path, *path, stop) : LevelResult::NotAudio;
        if (report) {
            report(*path, result);
        }
        if (stop.IsSet()) {
            return;
        }
    }
}

void LLevelQueue::Run(const LStopEvent& stop) {
    ProcessQueued(stop);
}

std::optional<std::string> LLevelQueue::TakeNext() {
    std::lock_guard lock(mutex);
    std::optional<std::string> path = file.TakeOldest();
    if (!path) {
        workerActive = false;
    }
    return path;
}
