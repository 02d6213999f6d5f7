// quillon-tool: dispatch to the subcommands.
#include "tool/Tool.h"

#include <string_view>

namespace {

struct Subcommand {
    std::string_view name;
    int (*run)(const ToolArgs&, std::ostream&, std::ostream&);
};

constexpr Subcommand kSubcommands[] = {
    {"paths", RunPathsCommand},     {"settings", RunSettingsCommand},
    {"log", RunLogCommand},         {"cleanup", RunCleanupCommand},
    {"devices", RunDevicesCommand}, {"play", RunPlayCommand},
    {"record", RunRecordCommand},   {"level", RunLevelCommand},
    {"queue", RunQueueCommand},     {"info", RunInfoCommand},
    {"convert", RunConvertCommand}, {"playchain", RunPlaychainCommand},
    {"decode", RunDecodeCommand},   {"simulate", RunSimulateCommand},
};

constexpr char kUsage[] =
    "usage: quillon-tool COMMAND [ARGS]\n"
    "  paths                          show the data, recordings and logs folders and settings "
    "file\n"
    "  settings get SECTION KEY [--type T] [--default V] [--file F]\n"
    "  settings set SECTION KEY VALUE [--type T] [--file F]\n"
    "                                 T: int, bool, db, duration, time, datetime, text "
    "(default)\n"
    "  log TEXT                       append an entry to today's caller log\n"
    "  cleanup [--dry-run]            delete recordings older than the auto-delete age\n"
    "  devices                        list the sound output and input devices\n"
    "  play FILE [--device N] [--volume DB]\n"
    "  record FILE [--device N] [--seconds S] [--rate R] [--channels C] [--vox DB]\n"
    "  level IN [OUT]                 level a WAV file (replaces IN without OUT)\n"
    "  queue add FILE | list | run    the background level queue\n"
    "  info FILE                      format, length, peak and level of a WAV or MP3 file\n"
    "  convert IN OUT [--rate HZ] [--channels N] [--bits B] [--codec pcm|ulaw|alaw|ima]\n"
    "  playchain IN OUT [--highpass HZ] [--compressor DB] [--gain DB]\n"
    "  decode IN.mp3 OUT [--raw]      an MP3 file as 16-bit WAV, or raw 32-bit samples\n"
    "  simulate SCENARIO [--speed N] [--data DIR] [--keep]\n"
    "                                 run a scenario file against the recorder on a simulated "
    "line\n";

}  // namespace

int UsageError(std::ostream& err, const std::string& message, const char* usage) {
    err << "quillon-tool: " << message << "\n" << usage;
    return kToolUsage;
}

int RunTool(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        return UsageError(err, "no command given", kUsage);
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        out << kUsage;
        return kToolOk;
    }
    for (const Subcommand& command : kSubcommands) {
        if (args[0] == command.name) {
            return command.run(ToolArgs(args.begin() + 1, args.end()), out, err);
        }
    }
    return UsageError(err, "unknown command '" + args[0] + "'", kUsage);
}
