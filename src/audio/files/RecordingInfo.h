// What a recording tells about its call, kept inside the WAV file beside the audio: a standard
// LIST/INFO chunk (caller, date, line, note) and a chunk of our own with the call's timed
// events, both after the data chunk, so that they travel with the file and readers that do not
// know them skip them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The id of the timed events chunk.
inline constexpr char kCallEventsChunkId[] = "qevt";

// What happened on the call. The values are stored in files: never renumber them. Kinds a
// later version adds are read and written back as they are.
enum class CallEventKind : std::uint16_t {
    Announcement = 1,     // the start announcement was played to the far end before recording
    Tone = 2,             // a recording tone was sent to the line
    HoldStarted = 3,      // the call was put on hold
    OnHoldFile = 4,       // an on-hold file was played to the far end
    HoldEnded = 5,        // the call was taken back from hold
    Digit = 6,            // a DTMF digit was received
    FarEndHungUp = 7,     // the far end hung up
    StoppedByUser = 8,    // the user stopped the recording or ended the call
    EndAnnouncement = 9,  // the end announcement was played to the far end
    ContinuesIn = 10,     // the call went on in another file (its name is the text)
    ContinuedFrom = 11,   // this file goes on from another (its name is the text)
    Ended = 12,           // the recorder ended the recording (silence, a write error: the text)
    Recovered = 13,       // the file was repaired after the program stopped unexpectedly
};

// The kind's name as the user reads it ("Recording tone", "Far end hung up"); "Event N" for a
// kind this version does not know.
std::string CallEventKindName(CallEventKind kind);

// One event. `frame` counts frames from the start of the audio at RecordingInfo::eventRate; it
// may lie before 0 (an announcement played before the recording) or past the audio's end (what
// happened after the recording stopped, such as hold).
struct CallEvent {
    std::int64_t frame = 0;
    // When it happened: seconds since 1970-01-01 UTC; 0 when not known.
    std::int64_t time = 0;
    CallEventKind kind = CallEventKind::Tone;
    // Details in UTF-8: the file played and its length, the digit, the reason.
    std::string text;

    bool operator==(const CallEvent&) const = default;
};

struct RecordingInfo {
    std::string caller;  // INFO "IART": the caller's number and name as the line gave them
    std::string date;    // INFO "ICRD": local time of the recording's start, "2026-12-07 14:05:09"
    std::string line;    // INFO "ISRC": the line device's name
    std::string note;    // INFO "ICMT": the user's note
    // Every other INFO entry found in the file (id, value), written back as it was.
    std::vector<std::pair<std::string, std::string>> otherInfo;
    // The rate the events' frames count in: the audio's sample rate when they were noted.
    std::uint32_t eventRate = 0;
    std::vector<CallEvent> events;

    // Nothing to store: no INFO entry and no event.
    bool Empty() const;
    // The same info with event frames moved to `rate` (rounded to the nearest frame), for a
    // copy of the audio at another rate.
    RecordingInfo ScaledTo(std::uint32_t rate) const;
    // `event`'s offset from the audio's start in 1/10,000 s, rounded toward zero; 0 without a
    // rate.
    std::int64_t EventTime(const CallEvent& event) const;

    bool operator==(const RecordingInfo&) const = default;
};

// The info stored in the WAV file `path`; an empty info for a WAV file without any (older
// recordings, imported files); nothing when `path` cannot be read as a WAV file.
std::optional<RecordingInfo> ReadRecordingInfo(const std::string& path);

// Stores `info` in the finished WAV file `path` in place of what it had: the chunks after the
// data chunk are written anew and the RIFF size follows; the audio is not touched (an INFO list
// before the data chunk is renamed "JUNK", so only ours is read). An empty info removes ours.
// Returns what went wrong (the system's text, or that the file is no finished WAV file), empty
// on success. The file is flushed to the disk before this returns.
std::string WriteRecordingInfo(const std::string& path, const RecordingInfo& info);

// Gives the finished WAV file `path` the note `note` (empty: none), the rest of its info kept;
// what went wrong as WriteRecordingInfo says it, empty on success.
std::string WriteRecordingNote(const std::string& path, const std::string& note);

// What a look at a WAV file's sizes found.
enum class WaveSizeState {
    Sound,     // the RIFF and data sizes agree with the file's length
    Repaired,  // they did not and have been set from what is on the disk
    Busy,      // someone has the file open for writing (it is being recorded): left alone
    NotWave,   // not a WAV file with a format and a data chunk: left alone
    Failed,    // the sizes disagree and could not be written: see errno
};

// Checks the WAV file `path` for sizes that disagree with its length, as a recording whose
// writer stopped without finishing it has (its header still claims the size it expected).
// When `repair` is set, such a file is mended in place: the data chunk keeps the whole frames
// on the disk (a part of a frame at the end is cut off), the RIFF size follows, and nothing
// else changes. A file with chunks after its data (finished) is sound when they fit; a part of
// a chunk after whole ones (a rewrite of the info cut short) is cut off. Without `repair`
// nothing is written and a file that needs mending gives Failed.
WaveSizeState CheckWaveSizes(const std::string& path, bool repair);

// A quick look for the common case, without walking the chunks or taking a lock: whether the
// RIFF size of the WAV file `path` counts exactly to its end, as a finished file's does (a
// writer's header claims more until it finishes). False for anything else, which
// CheckWaveSizes can then look at in full.
bool WaveLooksFinished(const std::string& path);
