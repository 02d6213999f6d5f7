// quillon-tool paths: where the program keeps its files.
#include <sys/stat.h>

#include "recorder/AppState.h"
#include "settings/Folders.h"
#include "tool/Tool.h"

namespace {

void PrintPath(std::ostream& out, const char* label, const std::string& path, bool folder) {
    struct stat st {};
    bool present = ::stat(path.c_str(), &st) == 0 && (folder ? S_ISDIR(st.st_mode) : true);
    out << label << path << (present ? "" : "  (missing)") << "\n";
}

}  // namespace

int RunPathsCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    if (!args.empty()) {
        return UsageError(err, "paths takes no arguments");
    }
    AppState app;
    ResolveAppFolders(app);
    PrintPath(out, "data folder:       ", app.dataFolder, true);
    PrintPath(out, "recordings folder: ", app.recordingsFolder, true);
    PrintPath(out, "logs folder:       ", app.logsFolder, true);
    PrintPath(out, "settings file:     ", app.settingsFile, false);
    std::string folders = FoldersFile();
    if (folders.empty()) {
        out << "folders file:      (none: no home folder)\n";
    } else {
        PrintPath(out, "folders file:      ", folders, false);
    }
    return kToolOk;
}
