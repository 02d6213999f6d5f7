// The background level processing queue.
#include "audio/level/LLevelQueue.h"

#include <sys/stat.h>

#include "audio/level/SilenceCheck.h"

LLevelQueue::LLevelQueue(const std::string& dataFolder) : file(dataFolder + kLevelQueueFileName) {}

LLevelQueue::~LLevelQueue() {
    Stop();
}

bool LLevelQueue::Add(const std::string& path, Work work) {
    bool start = false;
    {
        std::lock_guard lock(mutex);
        if (work == Work::Check) {
            checkOnly.push_back(path);
        } else if (!file.Append(path)) {
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

void LLevelQueue::CheckRecordingsIn(std::string folder, NoSoundReport report) {
    std::lock_guard lock(mutex);
    recordingsFolder = std::move(folder);
    noSound = std::move(report);
}

void LLevelQueue::Stop() {
    StopThread(kStopThreadTimeoutMs);
    std::lock_guard lock(mutex);
    workerActive = false;
}

bool LLevelQueue::ProcessQueued(const LStopEvent& stop, const Report& report) {
    bool failed = false;
    while (std::optional<Entry> entry = TakeNext(failed)) {
        if (entry->check && noSound && CheckSilence(entry->path) == SilenceVerdict::NoSound) {
            noSound(entry->path);
        }
        if (entry->level) {
            const LevelResult result = LevelWaveFile(entry->path, entry->path, stop);
            if (report) {
                report(entry->path, result);
            }
            // Changed meanwhile (a note written into it, a prompt taken again): what it holds
            // now is levelled in its turn, unless it has gone.
            struct stat now {};
            if (result == LevelResult::Changed && ::stat(entry->path.c_str(), &now) == 0) {
                std::lock_guard lock(mutex);
                if (file.Append(entry->path)) {
                    requeued.insert(entry->path);
                }
            }
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

std::optional<LLevelQueue::Entry> LLevelQueue::TakeNext(bool& failed) {
    std::lock_guard lock(mutex);
    if (!checkOnly.empty()) {
        Entry entry{.path = std::move(checkOnly.front()), .check = true, .level = false};
        checkOnly.pop_front();
        return entry;
    }
    std::optional<std::string> path = file.TakeOldest(failed);
    if (!path) {
        workerActive = false;
        return std::nullopt;
    }
    const bool recording = !recordingsFolder.empty() && path->starts_with(recordingsFolder) &&
                           path->find('/', recordingsFolder.size()) == std::string::npos;
    return Entry{.path = *path, .check = recording && requeued.erase(*path) == 0};
}
