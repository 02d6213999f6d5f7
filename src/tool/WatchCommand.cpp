// quillon-tool watch: the line watched as the desktop program watches it, with its settings,
// folders, caller log, level queue and auto-delete, but no window: what happens is printed.
#include <QTimer>
#include <limits>

#include "recorder/CallerLog.h"
#include "recorder/RecorderSession.h"
#include "recorder/RecordingRecovery.h"
#include "telephony/LineDeviceSelection.h"
#include "telephony/LineProviders.h"
#include "tool/LineWatch.h"
#include "tool/Tool.h"
#include "tool/ToolEventLoop.h"
#include "tool/ToolOptions.h"

namespace {

// What the timer of --seconds can count in milliseconds.
constexpr std::int32_t kMaxSeconds = std::numeric_limits<int>::max() / 1000;

// The desktop program's "No TAPI Devices", in a terminal's words.
constexpr char kNoVoiceLine[] =
    "no line device that carries voice was found; is the voice modem plugged in and switched "
    "on, may you open its serial port (members of the \"dialout\" group may), and does no other "
    "program such as ModemManager hold it? quillon-tool lines shows what was found";

}  // namespace

int RunWatchCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    EnsureToolApplication();
    ToolOptions options;
    if (auto problem =
            ParseToolOptions(args, {"--line", "--seconds"}, {"--record-calls"}, options)) {
        return UsageError(err, *problem);
    }
    if (!options.positional.empty()) {
        return UsageError(err, "watch takes no arguments besides its options");
    }
    std::optional<std::int32_t> seconds;
    if (options.Has("--seconds")) {
        seconds = ParseIntOption(options.Value("--seconds", ""), 1, kMaxSeconds);
        if (!seconds) {
            return UsageError(
                err, "--seconds takes a whole number from 1 to " + std::to_string(kMaxSeconds));
        }
    }

    AppState app;
    PrepareAppFolders(app);
    LineProvidersInUse providers(BuiltInLineProviders(LineProviderKind::Real));
    LineOptionChoice line = ApplyLineOption(app.settingsFile, options.Value("--line", ""));
    if (!line.error.empty()) {
        return UsageError(err, line.error);
    }
    int result = kToolOk;
    {
        RecorderSession session(app);
        if (line.device) {
            session.UseLineDevice(*line.device);
        }
        LineWatch watch(app, session, out, options.Has("--record-calls"));
        PrintRecovered(out, RecoverRecordings(app));
        AppendLogEntry(app.logsFolder, "Quillon Recorder Run");
        session.StartAutoDelete();
        const bool voice = session.OpenLine(true);
        const std::string name = LTapiLine::GetLineName(session.OpenedDevice());
        if (!voice) {
            err << "quillon-tool: " << kNoVoiceLine << "\n";
            result = kToolFailed;
        } else if (session.Line().GetLine() == 0) {
            err << "quillon-tool: the line device \"" << name
                << "\" could not be opened; quillon-tool lines shows what was found\n";
            result = kToolFailed;
        } else {
            out << "Watching line device " << session.OpenedDevice() << " \"" << name << "\"; "
                << (options.Has("--record-calls") ? "each call is recorded from its second ring"
                                                  : "no call is answered")
                << "\n"
                << std::flush;
            QTimer end;
            end.setSingleShot(true);
            QObject::connect(&end, &QTimer::timeout, &QuitToolEventLoop);
            if (seconds) {
                end.start(*seconds * 1000);
            }
            RunToolEventLoop(&QuitToolEventLoop);
        }
        // The call in progress ends and its recording with it, as when the desktop program
        // closes.
        session.Shutdown();
        watch.End();
    }
    RemoveTemporariesOf(app, TempSweep::EndedAndOwn);
    return result;
}
