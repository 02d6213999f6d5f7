// Recordings an unexpected stop left unfinished, mended at the next start.
#include "recorder/RecordingRecovery.h"

#include <ctime>
#include <filesystem>
#include <set>

#include "audio/files/RecordingInfo.h"
#include "audio/files/WaveReaders.h"
#include "base/PosixFile.h"
#include "recorder/CallStory.h"
#include "recorder/ProblemTexts.h"
#include "recorder/RecordingFiles.h"

namespace {

// Gives the repaired recording `path` its info and a Recovered event at its end.
void MarkRecovered(const std::string& path, const std::string& journal, bool hasJournal) {
    RecordingInfo info = ReadRecordingInfo(path).value_or(RecordingInfo{});
    if (info.Empty() && hasJournal) {
        info = ReadJournal(journal).value_or(RecordingInfo{});
    }
    std::int64_t frames = 0;
    if (LSoundSourcePtr source = OpenWaveFile(path)) {
        frames = source->GetLength();
        if (info.eventRate == 0) {
            info.eventRate = static_cast<std::uint32_t>(source->sampleRate);
        }
    }
    info.events.push_back({frames, std::time(nullptr), CallEventKind::Recovered, {}});
    // A file that takes no info is still a recording worth keeping: it is recovered all the same.
    WriteRecordingInfo(path, info);
}

// The recordings the journals in `folder` belong to, by name: one look at the folder instead of
// one per recording.
std::set<std::string> JournalsIn(const std::string& folder) {
    std::set<std::string> journals;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::optional<std::string> recording =
            JournalRecordingName(entry.path().filename().string());
        if (recording && entry.is_regular_file(error)) {
            journals.insert(*recording);
        }
    }
    return journals;
}

}  // namespace

std::vector<std::string> RecoverRecordings(const AppState& app) {
    std::vector<std::string> recovered;
    std::set<std::string> journals = JournalsIn(app.recordingsFolder);
    std::error_code error;
    for (const std::string& name : ListRecordings(app.recordingsFolder)) {
        const std::string path = app.recordingsFolder + name;
        const std::string journal = JournalPath(path);
        const bool hasJournal = journals.erase(name) > 0;
        if (!hasJournal && WaveLooksFinished(path)) {
            continue;  // most recordings, seen at a glance
        }
        const WaveSizeState state = CheckWaveSizes(path, true);
        const bool unfinished =
            state == WaveSizeState::Repaired || (state == WaveSizeState::Sound && hasJournal);
        if (!unfinished) {
            continue;  // sound, being recorded (Busy), or nothing a repair could mend
        }
        MarkRecovered(path, journal, hasJournal);
        std::filesystem::remove(journal, error);
        QueueRecording(app, path);
        recovered.push_back(path);
    }
    // Journals whose recording has gone.
    for (const std::string& name : journals) {
        if (!std::filesystem::exists(app.recordingsFolder + name, error)) {
            std::filesystem::remove(JournalPath(app.recordingsFolder + name), error);
        }
    }
    return recovered;
}

void PrintRecovered(std::ostream& out, const std::vector<std::string>& recovered) {
    if (recovered.empty()) {
        return;
    }
    out << RecoveredText(recovered.size()) << ":\n";
    for (const std::string& path : recovered) {
        out << "  " << FileNameOf(path) << "\n";
    }
    out << std::flush;
}

std::string RecoveredMessage(const std::vector<std::string>& recovered) {
    std::string text = RecoveredText(recovered.size());
    const char* separator = ": ";
    for (const std::string& path : recovered) {
        text += separator + FileNameOf(path);
        separator = ", ";
    }
    return text;
}
