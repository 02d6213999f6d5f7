// quillon-tool cleanup: one auto-delete pass over the recordings folder.
#include <sys/stat.h>

#include <algorithm>

#include "recorder/AppState.h"
#include "recorder/RecordingFiles.h"
#include "tool/Tool.h"

int RunCleanupCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    bool dryRun = false;
    for (const std::string& arg : args) {
        if (arg == "--dry-run") {
            dryRun = true;
        } else {
            return UsageError(err, "unknown argument '" + arg + "'");
        }
    }
    AppState app;
    ResolveAppFolders(app);
    struct stat st {};
    if (::stat(app.recordingsFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        out << "no recordings folder at " << app.recordingsFolder << "\n";
        return kToolOk;
    }
    std::int32_t days = ReadDeleteFileDays(app.settingsFile);
    std::vector<std::string> files =
        DeleteOldRecordings(app.recordingsFolder, days, CurrentFileTimeHigh(), dryRun);
    for (const std::string& file : files) {
        out << (dryRun ? "would delete " : "deleted ") << file << "\n";
    }
    // Zero or fewer days keep recordings for one day.
    std::int32_t shownDays = std::max(days, 1);
    out << files.size() << (files.size() == 1 ? " recording" : " recordings")
        << (dryRun ? " would be deleted" : " deleted") << " (older than " << shownDays
        << (shownDays == 1 ? " day" : " days") << ")\n";
    return kToolOk;
}
