// quillon-tool: the table of subcommands with their usage, and the dispatch to them.
#include "tool/Tool.h"

#include <string>
#include <string_view>

namespace {

struct Subcommand {
    std::string_view name;
    // Its forms, one a line, each starting with the name.
    std::string_view forms;
    // What it does: the first line goes into the general usage, every line into its own.
    std::string_view about;
    int (*run)(const ToolArgs&, std::ostream&, std::ostream&);
};

constexpr Subcommand kSubcommands[] = {
    {"paths", "paths", "show the data, recordings and logs folders and the settings file",
     RunPathsCommand},
    {"settings",
     "settings get SECTION KEY [--type T] [--default V] [--file F]\n"
     "settings set SECTION KEY VALUE [--type T] [--file F]",
     "read or write a key of a settings file\n"
     "T: int, bool, db, duration, time, datetime or text (the default)\n"
     "F: the program's own settings file when not given",
     RunSettingsCommand},
    {"log", "log TEXT", "append an entry to today's caller log", RunLogCommand},
    {"cleanup", "cleanup [--dry-run]",
     "delete recordings older than the auto-delete age\n"
     "with --dry-run, only list them",
     RunCleanupCommand},
    {"devices", "devices", "list the sound output and input devices", RunDevicesCommand},
    {"play", "play FILE [--device N] [--volume DB]", "play a WAV file on an output device",
     RunPlayCommand},
    {"record", "record FILE [--device N] [--seconds S] [--rate R] [--channels C] [--vox DB]",
     "record from an input device into a 16-bit WAV file\n"
     "until Ctrl-C, or for S seconds; with --vox, only while the sound is above DB",
     RunRecordCommand},
    {"level", "level IN [OUT]",
     "level a WAV file into OUT as 8000 Hz 16-bit mono\n"
     "without OUT, IN is replaced once the result is complete and nobody has IN open",
     RunLevelCommand},
    {"queue", "queue add FILE\nqueue list\nqueue run",
     "add to, list or run the background level queue\n"
     "add: queue a recording for levelling\n"
     "list: show the queued files, oldest first\n"
     "run: level every queued file, then exit",
     RunQueueCommand},
    {"prompt",
     "prompt SLOT --load FILE\nprompt SLOT --say TEXT [--voice NAME]\nprompt SLOT --reset\nprompt "
     "SLOT --play",
     "replace or play an announcement or on-hold file\n"
     "SLOT: start, end, hold1, hold2 or hold3\n"
     "--load: a WAV or MP3 file converted to the telephone format and queued for levelling\n"
     "--say: TEXT spoken by the chosen voice (a name or language as in the settings' list;\n"
     "the voice of the settings when not given), then as --load\n"
     "--reset: the delivered default copied back; --play: played on the playback device",
     RunPromptCommand},
    {"info", "info FILE",
     "show the format, length, peak and level of a WAV or MP3 file\n"
     "and the call's caller, date, line, note and events kept in a recording",
     RunInfoCommand},
    {"note", "note FILE TEXT",
     "set the note kept in a recording\n"
     "an empty TEXT removes it",
     RunNoteCommand},
    {"convert",
     "convert IN OUT [--rate HZ] [--channels N] [--bits 8|16|32] [--codec pcm|ulaw|alaw|ima]",
     "write IN as OUT in another format\n"
     "the defaults give the telephone format, 8000 Hz 16-bit mono PCM",
     RunConvertCommand},
    {"playchain", "playchain IN OUT [--highpass HZ] [--compressor DB] [--gain DB]",
     "write IN through the telephone play process into OUT\n"
     "OUT is 16-bit at IN's rate and channels;\n"
     "HZ 0 to 1500 (on above 20), compressor threshold -18 to 0 dB (on below -2),\n"
     "gain -8 to +8 dB (on from 2 dB either way)",
     RunPlaychainCommand},
    {"decode", "decode IN.mp3 OUT.wav\ndecode IN.mp3 OUT.raw --raw",
     "decode an MP3 file into a 16-bit WAV file or raw 32-bit samples\n"
     "decodes IN at its own rate and channels: to 16-bit PCM through the peak limiter, or\n"
     "with --raw to the decoder's 32-bit samples (1.0 = 262144), interleaved little-endian\n"
     "without a header",
     RunDecodeCommand},
    {"simulate", "simulate SCENARIO [--speed N] [--data DIR] [--keep] [--line KIND]",
     "run a scenario file against the recorder on a simulated line\n"
     "KIND simulated (the default) reaches the line directly; modem or modem-usr through the\n"
     "voice modem provider and a modem peer of that kind on a pseudo terminal",
     RunSimulateCommand},
    {"lines", "lines [--line PATH]",
     "list the line devices and what was found on the modem ports\n"
     "with --line, look at the voice modem on the serial port PATH only",
     RunLinesCommand},
    {"watch", "watch [--line NAME|PATH] [--record-calls] [--seconds N]",
     "watch the line as the desktop program does, printing each event\n"
     "NAME: the line device so called (see lines) instead of the one in the settings;\n"
     "PATH: the serial port of the voice modem instead of the \"modempath\" setting\n"
     "with --record-calls, record each call from its second ring; without, answer none\n"
     "ends after N seconds when given, else on Ctrl-C or SIGTERM",
     RunWatchCommand},
    {"mail", "mail --to ADDRESS [--message TEXT] FILE...",
     "send recordings by e-mail through the mail program\n"
     "the program named by the \"sendmailpath\" setting, else /usr/sbin/sendmail or\n"
     "/usr/lib/sendmail, takes the message as sendmail -t -oi; TEXT goes into the body",
     RunMailCommand},
};

// The general usage puts what a command does beside its last form, from this column.
constexpr std::size_t kAboutColumn = 33;

// Calls `line` with each line of `text`.
template <class Line>
void ForEachLine(std::string_view text, Line line) {
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        line(text.substr(0, end));
        text.remove_prefix(end == text.npos ? text.size() : end + 1);
    }
}

std::string_view FirstLine(std::string_view text) {
    return text.substr(0, text.find('\n'));
}

void PrintGeneralUsage(std::ostream& out) {
    out << "usage: quillon-tool COMMAND [ARGS]\n";
    for (const Subcommand& command : kSubcommands) {
        std::size_t column = 0;
        ForEachLine(command.forms, [&](std::string_view form) {
            if (column > 0) {
                out << "\n";
            }
            out << "  " << form;
            column = 2 + form.size();
        });
        out << (column < kAboutColumn ? std::string(kAboutColumn - column, ' ')
                                      : "\n" + std::string(kAboutColumn, ' '))
            << FirstLine(command.about) << "\n";
    }
}

void PrintUsage(std::ostream& out, const Subcommand& command) {
    const char* lead = "usage: ";
    ForEachLine(command.forms, [&](std::string_view form) {
        out << lead << "quillon-tool " << form << "\n";
        lead = "       ";
    });
    ForEachLine(command.about, [&](std::string_view line) { out << "  " << line << "\n"; });
}

// `text` as roff text: backslashes and hyphens escaped, and no line read as a request.
std::string Roff(std::string_view text) {
    std::string roff = text.starts_with('.') || text.starts_with('\'') ? "\\&" : "";
    for (char c : text) {
        roff += c == '\\' ? "\\e" : c == '-' ? "\\-" : std::string(1, c);
    }
    return roff;
}

}  // namespace

void PrintCommandsManual(std::ostream& out) {
    for (const Subcommand& command : kSubcommands) {
        out << ".SS " << command.name << "\n.nf\n";
        ForEachLine(command.forms, [&](std::string_view form) {
            out << ".B quillon\\-tool " << Roff(form) << "\n";
        });
        out << ".fi\n";
        // Each line of what a command does stays a line of its own, as in its usage.
        const char* lead = "";
        ForEachLine(command.about, [&](std::string_view line) {
            out << lead << Roff(line) << "\n";
            lead = ".br\n";
        });
    }
}

int UsageError(std::ostream& err, const std::string& message) {
    err << "quillon-tool: " << message << "\n";
    return kToolUsage;
}

int RunTool(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        UsageError(err, "no command given");
        PrintGeneralUsage(err);
        return kToolUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintGeneralUsage(out);
        return kToolOk;
    }
    for (const Subcommand& command : kSubcommands) {
        if (args[0] == command.name) {
            int result = command.run(ToolArgs(args.begin() + 1, args.end()), out, err);
            if (result == kToolUsage) {
                PrintUsage(err, command);
            }
            return result;
        }
    }
    UsageError(err, "unknown command '" + args[0] + "'");
    PrintGeneralUsage(err);
    return kToolUsage;
}
