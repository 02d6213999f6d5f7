// quillon-tool mail: recordings sent by e-mail as the Find and Play dialog sends them.
#include "mail/SendRecordings.h"
#include "recorder/AppState.h"
#include "tool/Tool.h"
#include "tool/ToolOptions.h"

int RunMailCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    ToolOptions options;
    if (auto problem = ParseToolOptions(args, {"--to", "--message"}, {}, options)) {
        return UsageError(err, *problem);
    }
    if (!options.Has("--to") || options.positional.empty()) {
        return UsageError(err, "mail needs --to ADDRESS and at least one FILE");
    }
    AppState app;
    ResolveAppFolders(app);
    const std::string address = options.Value("--to", "");
    MailResult result = SendRecordings(app.settingsFile, address, options.Value("--message", ""),
                                       options.positional);
    if (!result.ok) {
        err << "quillon-tool: " << result.error << "\n";
        return kToolFailed;
    }
    out << "sent " << options.positional.size()
        << (options.positional.size() == 1 ? " recording to " : " recordings to ") << address
        << "\n";
    return kToolOk;
}
