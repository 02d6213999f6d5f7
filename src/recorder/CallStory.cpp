// The story of one recording's call, its journal and its place in the recording.
//
// A journal is UTF-8 text, one complete line per write, each "KEY\tFIELD..." with tabs,
// newlines and backslashes in fields escaped as \t, \n and \\:
//   caller\tTEXT   date\tTEXT   line\tTEXT   rate\tFRAMES_PER_SECOND
//   event\tFRAME\tUNIX_SECONDS\tKIND\tTEXT
// Lines are appended as things happen; only lines that end in a newline count.
#include "recorder/CallStory.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <vector>

#include "audio/dsp/TelephoneFormat.h"
#include "base/PosixFile.h"

namespace {

constexpr std::string_view kJournalSuffix = ".events";

std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

template <typename T>
std::optional<T> Number(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string InfoLine(const char* key, const std::string& value) {
    return value.empty() ? std::string() : std::string(key) + "\t" + Escape(value) + "\n";
}

std::string EventLine(const CallEvent& event) {
    return "event\t" + std::to_string(event.frame) + "\t" + std::to_string(event.time) + "\t" +
           std::to_string(static_cast<unsigned>(event.kind)) + "\t" + Escape(event.text) + "\n";
}

}  // namespace

void CallStory::Begin(const std::string& recordingPath, RecordingInfo recordingInfo) {
    path = recordingPath;
    info = std::move(recordingInfo);
    journal = OpenRegularFile(JournalPath(path), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
    std::string text = InfoLine("caller", info.caller) + InfoLine("date", info.date) +
                       InfoLine("line", info.line) + "rate\t" + std::to_string(info.eventRate) +
                       "\n";
    for (const CallEvent& event : info.events) {
        text += EventLine(event);
    }
    // A journal that cannot be written costs only its use after a crash.
    if (journal) {
        WriteAll(journal.Get(), text);
    }
}

void CallStory::Note(CallEventKind kind, std::int64_t frame, std::string text) {
    if (!Active()) {
        return;
    }
    info.events.push_back({frame, std::time(nullptr), kind, std::move(text)});
    if (journal) {
        WriteAll(journal.Get(), EventLine(info.events.back()));
    }
}

std::string CallStory::Finish() {
    if (!Active()) {
        return {};
    }
    std::string error = WriteRecordingInfo(path, info);
    journal.Reset();
    ::unlink(JournalPath(path).c_str());
    path.clear();
    info = {};
    return error;
}

std::string JournalPath(const std::string& recordingPath) {
    const std::size_t slash = recordingPath.rfind('/') + 1;  // 0 without a folder
    return recordingPath.substr(0, slash) + "." + recordingPath.substr(slash) +
           std::string(kJournalSuffix);
}

std::optional<std::string> JournalRecordingName(std::string_view journalName) {
    if (journalName.size() <= 1 + kJournalSuffix.size() || journalName[0] != '.' ||
        !journalName.ends_with(kJournalSuffix)) {
        return std::nullopt;
    }
    return std::string(journalName.substr(1, journalName.size() - 1 - kJournalSuffix.size()));
}

std::optional<RecordingInfo> ReadJournal(const std::string& journalPath) {
    const std::optional<std::string> text = ReadWholeFile(journalPath);
    if (!text) {
        return std::nullopt;
    }
    RecordingInfo info;
    std::string_view rest = *text;
    for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;
         rest.remove_prefix(end + 1)) {
        const std::vector<std::string_view> fields = Fields(rest.substr(0, end));
        const std::string_view key = fields[0];
        if (fields.size() == 2 && key == "caller") {
            info.caller = Unescape(fields[1]);
        } else if (fields.size() == 2 && key == "date") {
            info.date = Unescape(fields[1]);
        } else if (fields.size() == 2 && key == "line") {
            info.line = Unescape(fields[1]);
        } else if (fields.size() == 2 && key == "rate") {
            info.eventRate = Number<std::uint32_t>(fields[1]).value_or(0);
        } else if (fields.size() == 5 && key == "event") {
            const auto frame = Number<std::int64_t>(fields[1]);
            const auto time = Number<std::int64_t>(fields[2]);
            const auto kind = Number<std::uint16_t>(fields[3]);
            if (frame && time && kind) {
                info.events.push_back(
                    {*frame, *time, static_cast<CallEventKind>(*kind), Unescape(fields[4])});
            }
        }
    }
    return info;
}

std::string PromptEventText(const std::string& fileName, std::int64_t frames) {
    char length[32];
    std::snprintf(length, sizeof length, ", %.2f s", static_cast<double>(frames) / kLineRate);
    return fileName + length;
}
