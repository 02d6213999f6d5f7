// quillon-tool log: append an entry to today's caller log.
#include "recorder/AppState.h"
#include "recorder/CallerLog.h"
#include "tool/Tool.h"

int RunLogCommand(const ToolArgs& args, std::ostream& /*out*/, std::ostream& err) {
    if (args.empty()) {
        return UsageError(err, "log needs the text of the entry");
    }
    std::string text = args[0];
    for (std::size_t i = 1; i < args.size(); ++i) {
        text += " " + args[i];
    }
    AppState app;
    ResolveAppFolders(app);
    if (!AppendLogEntry(app.logsFolder, text)) {
        err << "quillon-tool: cannot write the caller log in " << app.logsFolder << "\n";
        return kToolFailed;
    }
    return kToolOk;
}
