// The story of one recording's call: its INFO and timed events, noted as they happen into a
// journal beside the recording (so that a crash keeps them) and written into the recording once
// it is finished.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "audio/files/RecordingInfo.h"
#include "base/UniqueFd.h"

// Texts of the recorder's own Ended events.
inline constexpr char kEndedBySilenceText[] = "a long silence";

class CallStory {
public:
    // Begins the story of the recording `path` (ending any story before it unwritten): `info`
    // is kept and a journal made anew beside the recording.
    void Begin(const std::string& path, RecordingInfo info);
    // Notes an event of the story begun, now on the wall clock; nothing without one.
    void Note(CallEventKind kind, std::int64_t frame, std::string text = {});
    // Ends the story: writes it into the finished recording and removes the journal. What went
    // wrong (WriteRecordingInfo's text), empty on success or without a story.
    std::string Finish();

    bool Active() const { return !path.empty(); }
    const RecordingInfo& Info() const { return info; }

private:
    std::string path;
    RecordingInfo info;
    UniqueFd journal;
};

// The journal of the recording `recordingPath`: ".NAME.events" beside it, hidden, and not named
// as the program's temporaries are, which the start-up sweep removes.
std::string JournalPath(const std::string& recordingPath);
// The recording a journal's file name (without folder) belongs to; nothing for other names.
std::optional<std::string> JournalRecordingName(std::string_view journalName);
// The story a journal holds (a line a crash cut short is left out); nothing when the file
// cannot be read.
std::optional<RecordingInfo> ReadJournal(const std::string& journalPath);
// "Start Prompt.wav, 3.25 s": a prompt played and its length at the line's rate.
std::string PromptEventText(const std::string& fileName, std::int64_t frames);
