// quillon-tool queue: the background level queue's file: add to it, list it, or level
// everything in it now.
#include <sys/stat.h>

#include <filesystem>

#include "audio/level/LLevelQueue.h"
#include "recorder/AppState.h"
#include "tool/AudioInput.h"
#include "tool/Tool.h"

namespace {

const char* Outcome(LevelResult result) {
    switch (result) {
        case LevelResult::Levelled:
            return "levelled";
        case LevelResult::NotAudio:
            return "skipped (not a readable WAV file)";
        case LevelResult::Changed:
            return "kept (changed while it was levelled)";
        case LevelResult::Stopped:
        case LevelResult::Failed:
            break;
    }
    return "failed (left as it was)";
}

const char* WhyNotQueued(const LevelQueueFile& queue, const std::string& path) {
    if (!CanQueuePath(path)) {
        return "the name cannot be stored in the queue";
    }
    if (static_cast<std::size_t>(queue.Count()) >= kMaxLevelQueueEntries) {
        return "the queue is full";
    }
    return "the queue file cannot be written";
}

int Add(const std::string& dataFolder, const std::string& file, std::ostream& out,
        std::ostream& err) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return ReportUnreadableInput(file, "a WAV file", err);
    }
    // The queue holds full paths: the worker runs from wherever the program was started.
    const std::string path = std::filesystem::absolute(file).lexically_normal().string();
    LevelQueueFile queue(dataFolder + kLevelQueueFileName);
    if (!queue.Append(path)) {
        err << "quillon-tool: cannot queue " << path << " (" << WhyNotQueued(queue, path) << ")\n";
        return kToolFailed;
    }
    out << "queued " << path << "\n";
    return kToolOk;
}

}  // namespace

int RunQueueCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        return UsageError(err, "queue needs add, list or run");
    }
    AppState app;
    ResolveAppFolders(app);
    if (args[0] == "add" && args.size() == 2) {
        return Add(app.dataFolder, args[1], out, err);
    }
    if (args[0] == "list" && args.size() == 1) {
        for (const std::string& entry :
             LevelQueueFile(app.dataFolder + kLevelQueueFileName).Entries()) {
            out << entry << "\n";
        }
        return kToolOk;
    }
    if (args[0] == "run" && args.size() == 1) {
        LLevelQueue queue(app.dataFolder);
        LStopEvent neverStop;
        const bool recorded =
            queue.ProcessQueued(neverStop, [&](const std::string& path, LevelResult result) {
                out << Outcome(result) << ": " << path << "\n";
            });
        if (!recorded) {
            err << "quillon-tool: cannot change the queue file " << queue.QueuePath()
                << "; the rest of the queue is left as it is\n";
            return kToolFailed;
        }
        return kToolOk;
    }
    return UsageError(err, "unknown queue command");
}
