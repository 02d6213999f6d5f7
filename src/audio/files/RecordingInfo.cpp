// The call's story in a WAV file: walking its chunks, the INFO list and the events chunk, and
// mending the sizes of a recording whose writer stopped without finishing it.
//
// The events chunk ("qevt") is little-endian:
//   u16 version (1), u16 reserved (0), u32 eventRate, u32 event count, then per event
//   s64 frame, s64 time, u16 kind, u16 text bytes, the UTF-8 text, a zero byte when the text's
//   length is odd.
// Both of our chunks follow the data chunk (and its pad byte). Chunks after the data that are
// not ours are kept, in their order, before ours.
#include "audio/files/RecordingInfo.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "audio/files/WaveFormat.h"
#include "base/PosixFile.h"
#include "base/UniqueFd.h"

namespace {

constexpr std::uint16_t kEventsVersion = 1;
// A hostile file must not make us allocate much: larger chunks of ours are not read (and not
// written, so that what is written can be read back).
constexpr std::uint32_t kMaxInfoChunkSize = 1 << 20;
constexpr std::size_t kMaxEvents = 65535;
// Bytes moved at a time when chunks after the data are shifted down.
constexpr std::size_t kMoveBlock = 1 << 16;

constexpr char kInfoCaller[] = "IART";
constexpr char kInfoDate[] = "ICRD";
constexpr char kInfoLine[] = "ISRC";
constexpr char kInfoNote[] = "ICMT";

using ChunkId = std::array<char, 4>;

ChunkId Id(const char* text) {
    return {text[0], text[1], text[2], text[3]};
}

// Chunk ids are four printable ASCII characters; anything else is not a chunk (audio written
// past a stale data size, or a cut-off tail).
bool IsChunkId(const std::uint8_t* bytes) {
    return std::all_of(bytes, bytes + 4, [](std::uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

struct ChunkPlace {
    ChunkId id{};
    std::int64_t offset = 0;  // of the chunk header
    std::uint32_t size = 0;
    std::int64_t end = 0;  // past the body and the pad byte (when there is one)

    std::int64_t Body() const { return offset + 8; }
};

// A WAV file's top-level chunks as far as they can be walked.
struct WaveLayout {
    std::int64_t fileSize = 0;
    std::uint32_t riffSize = 0;
    std::uint16_t blockAlign = 0;
    std::vector<ChunkPlace> chunks;
    // The data chunk's index in `chunks`, which may claim more than the file holds.
    std::optional<std::size_t> data;
    // Where the walk stopped: the file's size when every byte is in a chunk.
    std::int64_t walkEnd = 0;

    const ChunkPlace& Data() const { return chunks[*data]; }
    bool DataFits() const { return Data().Body() + Data().size <= fileSize; }
    // The audio and every chunk after it are whole: nothing is being or was cut off writing.
    bool Finished() const { return DataFits() && walkEnd == fileSize; }
    // The RIFF size counts to the file's end; one more is a pad byte its writer left out.
    bool RiffSizeAgrees() const {
        const std::int64_t claimed = std::int64_t{riffSize} + 8;
        const ChunkPlace& last = chunks.back();
        return claimed == fileSize ||
               (claimed == fileSize + 1 && last.size % 2 == 1 && last.end == fileSize);
    }
};

std::optional<WaveLayout> ReadLayout(int fd) {
    WaveLayout layout;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return std::nullopt;
    }
    layout.fileSize = st.st_size;
    // The RIFF form starts the file, as every WAV writer puts it.
    std::uint8_t riff[12];
    if (ReadAllAt(fd, 0, riff, sizeof riff) < sizeof riff || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    layout.riffSize = LoadLe32(riff + 4);
    std::int64_t position = 12;
    std::uint8_t header[8];
    while (ReadAllAt(fd, position, header, sizeof header) == sizeof header && IsChunkId(header)) {
        ChunkPlace chunk{Id(reinterpret_cast<const char*>(header)), position, LoadLe32(header + 4)};
        const std::int64_t bodyEnd = chunk.Body() + chunk.size;
        const bool isData = chunk.id == Id("data");
        if (isData && !layout.data) {
            layout.data = layout.chunks.size();
        }
        if (bodyEnd > layout.fileSize) {
            if (isData) {
                layout.chunks.push_back(chunk);
            }
            break;
        }
        // RIFF pads an odd-sized chunk with a zero byte, which some writers leave out: a zero
        // there is the pad, since no chunk id starts with one.
        std::uint8_t pad = 1;
        chunk.end =
            bodyEnd + (chunk.size % 2 == 1 && ReadAllAt(fd, bodyEnd, &pad, 1) == 1 && pad == 0);
        if (chunk.id == Id("fmt ") && chunk.size >= 14 && layout.blockAlign == 0) {
            std::uint8_t align[2];
            if (ReadAllAt(fd, chunk.Body() + 12, align, 2) == 2) {
                layout.blockAlign = LoadLe16(align);
            }
        }
        layout.chunks.push_back(chunk);
        position = chunk.end;
    }
    layout.walkEnd = position;
    if (!layout.data || layout.blockAlign == 0) {
        return std::nullopt;
    }
    return layout;
}

bool IsInfoList(int fd, const ChunkPlace& chunk) {
    char form[4];
    return chunk.id == Id("LIST") && chunk.size >= 4 && ReadAllAt(fd, chunk.Body(), form, 4) == 4 &&
           std::memcmp(form, "INFO", 4) == 0;
}

bool IsOurs(int fd, const ChunkPlace& chunk) {
    return chunk.id == Id(kCallEventsChunkId) || IsInfoList(fd, chunk);
}

// The body of `chunk` (when there is one) when it is small enough to read.
std::optional<std::string> ReadBody(int fd, const ChunkPlace* chunk) {
    if (chunk == nullptr || chunk->size > kMaxInfoChunkSize) {
        return std::nullopt;
    }
    std::string body(chunk->size, '\0');
    if (ReadAllAt(fd, chunk->Body(), body.data(), body.size()) < body.size()) {
        return std::nullopt;
    }
    return body;
}

// Reads little-endian fields from a byte string, failing once past its end.
class FieldReader {
public:
    explicit FieldReader(std::string_view bytes) : bytes(bytes) {}

    bool Ok() const { return ok; }
    std::uint64_t Unsigned(std::size_t size) {
        std::uint64_t value = 0;
        if (Has(size)) {
            for (std::size_t i = 0; i < size; ++i) {
                value |= std::uint64_t{static_cast<std::uint8_t>(bytes[at + i])} << (8 * i);
            }
        }
        Advance(size);
        return value;
    }
    std::string_view Text(std::size_t size) {
        const std::string_view text = Has(size) ? bytes.substr(at, size) : std::string_view();
        Advance(size);
        return text;
    }
    void Advance(std::size_t size) {
        ok = ok && Has(size);
        at = ok ? at + size : bytes.size();
    }
    bool AtEnd() const { return at >= bytes.size(); }

private:
    bool Has(std::size_t size) const { return ok && bytes.size() - at >= size; }

    std::string_view bytes;
    std::size_t at = 0;
    bool ok = true;
};

// Appends little-endian fields to a byte string.
void Put(std::string& out, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        out += static_cast<char>(value >> (8 * i));
    }
}

void PadToEven(std::string& out) {
    if (out.size() % 2 == 1) {
        out += '\0';
    }
}

std::string* KnownInfoField(RecordingInfo& info, std::string_view id) {
    return id == kInfoCaller ? &info.caller
           : id == kInfoDate ? &info.date
           : id == kInfoLine ? &info.line
           : id == kInfoNote ? &info.note
                             : nullptr;
}

void ParseInfoList(std::string_view body, RecordingInfo& info) {
    FieldReader reader(body);
    reader.Advance(4);  // "INFO"
    while (!reader.AtEnd()) {
        const std::string_view id = reader.Text(4);
        const auto size = static_cast<std::size_t>(reader.Unsigned(4));
        std::string_view value = reader.Text(size);
        if (!reader.Ok()) {
            return;
        }
        value = value.substr(0, value.find('\0'));
        if (std::string* field = KnownInfoField(info, id)) {
            *field = value;
        } else {
            info.otherInfo.emplace_back(id, value);
        }
        // A pad byte left out at the list's end ends it all the same.
        reader.Advance(size % 2);
    }
}

void ParseEvents(std::string_view body, RecordingInfo& info) {
    FieldReader reader(body);
    const auto version = reader.Unsigned(2);
    reader.Advance(2);
    const auto rate = static_cast<std::uint32_t>(reader.Unsigned(4));
    const auto count = reader.Unsigned(4);
    if (!reader.Ok() || version != kEventsVersion || count > kMaxEvents) {
        return;
    }
    std::vector<CallEvent> events;
    for (std::uint64_t i = 0; i < count; ++i) {
        CallEvent event;
        event.frame = static_cast<std::int64_t>(reader.Unsigned(8));
        event.time = static_cast<std::int64_t>(reader.Unsigned(8));
        event.kind = static_cast<CallEventKind>(reader.Unsigned(2));
        const auto textSize = static_cast<std::size_t>(reader.Unsigned(2));
        event.text = reader.Text(textSize);
        reader.Advance(textSize % 2);
        if (!reader.Ok()) {
            return;
        }
        events.push_back(std::move(event));
    }
    info.eventRate = rate;
    info.events = std::move(events);
}

void PutInfoEntry(std::string& out, std::string_view id, const std::string& value) {
    std::string fourChars(id.substr(0, 4));
    fourChars.resize(4, ' ');
    out += fourChars;
    Put(out, value.size() + 1, 4);
    out += value;
    out += '\0';
    PadToEven(out);
}

std::string Chunk(std::string_view id, const std::string& body) {
    std::string chunk(id);
    Put(chunk, body.size(), 4);
    chunk += body;
    PadToEven(chunk);
    return chunk;
}

// Our chunks for `info`; nothing when a chunk would be too large to be read back.
std::optional<std::string> EncodeInfo(const RecordingInfo& info) {
    std::string entries;
    const std::pair<const char*, const std::string*> known[] = {{kInfoCaller, &info.caller},
                                                                {kInfoDate, &info.date},
                                                                {kInfoLine, &info.line},
                                                                {kInfoNote, &info.note}};
    for (const auto& [id, value] : known) {
        if (!value->empty()) {
            PutInfoEntry(entries, id, *value);
        }
    }
    for (const auto& [id, value] : info.otherInfo) {
        PutInfoEntry(entries, id, value);
    }
    std::string chunks;
    if (!entries.empty()) {
        chunks += Chunk("LIST", "INFO" + entries);
    }
    if (info.events.size() > kMaxEvents || entries.size() + 4 > kMaxInfoChunkSize) {
        return std::nullopt;
    }
    if (!info.events.empty()) {
        std::string events;
        Put(events, kEventsVersion, 2);
        Put(events, 0, 2);
        Put(events, info.eventRate, 4);
        Put(events, info.events.size(), 4);
        for (const CallEvent& event : info.events) {
            if (event.text.size() > std::numeric_limits<std::uint16_t>::max()) {
                return std::nullopt;
            }
            Put(events, static_cast<std::uint64_t>(event.frame), 8);
            Put(events, static_cast<std::uint64_t>(event.time), 8);
            Put(events, static_cast<std::uint16_t>(event.kind), 2);
            Put(events, event.text.size(), 2);
            events += event.text;
            PadToEven(events);
        }
        if (events.size() > kMaxInfoChunkSize) {
            return std::nullopt;
        }
        chunks += Chunk(kCallEventsChunkId, events);
    }
    return chunks;
}

// Copies `size` bytes from `from` down to `to` (to < from) in blocks.
bool MoveDown(int fd, std::int64_t from, std::int64_t to, std::int64_t size) {
    std::string block(kMoveBlock, '\0');
    for (std::int64_t done = 0; done < size;) {
        const auto step = static_cast<std::size_t>(std::min<std::int64_t>(size - done, kMoveBlock));
        if (ReadAllAt(fd, from + done, block.data(), step) < step ||
            !WriteAllAt(fd, to + done, {block.data(), step})) {
            return false;
        }
        done += static_cast<std::int64_t>(step);
    }
    return true;
}

bool WriteLe32At(int fd, std::int64_t offset, std::uint32_t value) {
    std::uint8_t bytes[4];
    StoreLe32(bytes, value);
    return WriteAllAt(fd, offset, {reinterpret_cast<const char*>(bytes), 4});
}

// Ends the file at `length` with the RIFF size following it, on the disk.
bool EndFileAt(int fd, std::int64_t length) {
    return ::ftruncate(fd, length) == 0 &&
           WriteLe32At(fd, 4, static_cast<std::uint32_t>(length - 8)) && ::fdatasync(fd) == 0;
}

}  // namespace

std::string CallEventKindName(CallEventKind kind) {
    switch (kind) {
        case CallEventKind::Announcement:
            return "Announcement";
        case CallEventKind::Tone:
            return "Recording tone";
        case CallEventKind::HoldStarted:
            return "Hold started";
        case CallEventKind::OnHoldFile:
            return "On-hold file";
        case CallEventKind::HoldEnded:
            return "Hold ended";
        case CallEventKind::Digit:
            return "Digit";
        case CallEventKind::FarEndHungUp:
            return "Far end hung up";
        case CallEventKind::StoppedByUser:
            return "Stopped by the user";
        case CallEventKind::EndAnnouncement:
            return "End announcement";
        case CallEventKind::ContinuesIn:
            return "Continues in";
        case CallEventKind::ContinuedFrom:
            return "Continued from";
        case CallEventKind::Ended:
            return "Ended";
        case CallEventKind::Recovered:
            return "Recovered";
    }
    return "Event " + std::to_string(static_cast<unsigned>(kind));
}

bool RecordingInfo::Empty() const {
    return caller.empty() && date.empty() && line.empty() && note.empty() && otherInfo.empty() &&
           events.empty();
}

RecordingInfo RecordingInfo::ScaledTo(std::uint32_t rate) const {
    RecordingInfo scaled = *this;
    if (eventRate == 0 || rate == eventRate) {
        return scaled;
    }
    scaled.eventRate = rate;
    // A long double holds the product of any 32-bit frame count and rate exactly.
    constexpr auto kLimit = static_cast<long double>(std::numeric_limits<std::int64_t>::max());
    for (CallEvent& event : scaled.events) {
        const long double frame = static_cast<long double>(event.frame) * rate / eventRate;
        event.frame = std::llround(std::clamp(frame, -kLimit, kLimit));
    }
    return scaled;
}

std::int64_t RecordingInfo::EventTime(const CallEvent& event) const {
    if (eventRate == 0) {
        return 0;
    }
    constexpr auto kLimit = static_cast<long double>(std::numeric_limits<std::int64_t>::max());
    const long double time = static_cast<long double>(event.frame) * 10000 / eventRate;
    return static_cast<std::int64_t>(std::clamp(time, -kLimit, kLimit));
}

std::optional<RecordingInfo> ReadRecordingInfo(const std::string& path) {
    const UniqueFd fd = OpenRegularFile(path);
    const std::optional<WaveLayout> layout = fd ? ReadLayout(fd.Get()) : std::nullopt;
    if (!layout) {
        return std::nullopt;
    }
    // The last of each counts, as a rewrite leaves ours after any other.
    const ChunkPlace* infoList = nullptr;
    const ChunkPlace* events = nullptr;
    for (const ChunkPlace& chunk : layout->chunks) {
        if (chunk.id == Id(kCallEventsChunkId)) {
            events = &chunk;
        } else if (IsInfoList(fd.Get(), chunk)) {
            infoList = &chunk;
        }
    }
    RecordingInfo info;
    if (const std::optional<std::string> body = ReadBody(fd.Get(), infoList)) {
        ParseInfoList(*body, info);
    }
    if (const std::optional<std::string> body = ReadBody(fd.Get(), events)) {
        ParseEvents(*body, info);
    }
    return info;
}

std::string WriteRecordingInfo(const std::string& path, const RecordingInfo& info) {
    const std::optional<std::string> ours = EncodeInfo(info);
    if (!ours) {
        return "the recording's info is too large to store";
    }
    const UniqueFd fd = OpenRegularFile(path, O_RDWR);
    if (!fd) {
        return std::strerror(errno);
    }
    const std::optional<WaveLayout> layout = ReadLayout(fd.Get());
    if (!layout || !layout->Finished()) {
        return "not a finished WAV file";
    }
    const ChunkPlace& data = layout->Data();
    // Ours before the data (written by another program) would be read in place of nothing.
    for (std::size_t i = 0; i < *layout->data; ++i) {
        if (IsOurs(fd.Get(), layout->chunks[i]) &&
            !WriteAllAt(fd.Get(), layout->chunks[i].offset, "JUNK")) {
            return std::strerror(errno);
        }
    }
    // Chunks of other programs after the data stay where they are, so they are only ever moved
    // down. When the data's pad byte was left out before one of them, it stays left out.
    std::int64_t end = data.end;
    const bool othersFollow = std::any_of(
        layout->chunks.begin() + static_cast<std::ptrdiff_t>(*layout->data) + 1,
        layout->chunks.end(), [&](const ChunkPlace& chunk) { return !IsOurs(fd.Get(), chunk); });
    if (end < data.Body() + data.size + data.size % 2 && !othersFollow) {
        if (!WriteAllAt(fd.Get(), end, std::string_view("\0", 1))) {
            return std::strerror(errno);
        }
        ++end;
    }
    for (std::size_t i = *layout->data + 1; i < layout->chunks.size(); ++i) {
        const ChunkPlace& chunk = layout->chunks[i];
        if (IsOurs(fd.Get(), chunk)) {
            continue;
        }
        if (chunk.offset != end &&
            !MoveDown(fd.Get(), chunk.offset, end, chunk.end - chunk.offset)) {
            return std::strerror(errno);
        }
        end += chunk.end - chunk.offset;
    }
    if (!WriteAllAt(fd.Get(), end, *ours) ||
        !EndFileAt(fd.Get(), end + static_cast<std::int64_t>(ours->size()))) {
        return std::strerror(errno);
    }
    return {};
}

std::string WriteRecordingNote(const std::string& path, const std::string& note) {
    RecordingInfo info = ReadRecordingInfo(path).value_or(RecordingInfo{});
    info.note = note;
    return WriteRecordingInfo(path, info);
}

bool WaveLooksFinished(const std::string& path) {
    const UniqueFd fd = OpenRegularFile(path);
    std::uint8_t riff[12];
    struct stat st {};
    return fd && ::fstat(fd.Get(), &st) == 0 && ReadAllAt(fd.Get(), 0, riff, sizeof riff) == 12 &&
           std::memcmp(riff, "RIFF", 4) == 0 && std::memcmp(riff + 8, "WAVE", 4) == 0 &&
           std::int64_t{LoadLe32(riff + 4)} + 8 == st.st_size;
}

WaveSizeState CheckWaveSizes(const std::string& path, bool repair) {
    const UniqueFd fd = OpenRegularFile(path, repair ? O_RDWR : O_RDONLY);
    if (!fd) {
        return WaveSizeState::NotWave;
    }
    // A recorder holds its file under an exclusive lock; a reader under a shared one.
    if (TryLockExclusive(fd.Get()) == LockTry::Busy) {
        return WaveSizeState::Busy;
    }
    const std::optional<WaveLayout> layout = ReadLayout(fd.Get());
    if (!layout) {
        return WaveSizeState::NotWave;
    }
    const bool finished = layout->Finished();
    if (finished && layout->RiffSizeAgrees()) {
        return WaveSizeState::Sound;
    }
    if (!repair) {
        return WaveSizeState::Failed;
    }
    const ChunkPlace& data = layout->Data();
    std::int64_t length = layout->fileSize;
    if (!finished && layout->walkEnd > data.end && layout->DataFits()) {
        // Whole chunks follow the audio, then a part of one (a rewrite of the info was cut
        // short): the part goes.
        length = layout->walkEnd;
    } else if (!finished) {
        // The audio is the last thing: it keeps the whole frames on the disk.
        const std::int64_t frames = (layout->fileSize - data.Body()) / layout->blockAlign;
        length = data.Body() + frames * layout->blockAlign;
        if (length - 8 > std::numeric_limits<std::uint32_t>::max()) {
            errno = EFBIG;
            return WaveSizeState::Failed;
        }
        if (!WriteLe32At(fd.Get(), data.offset + 4,
                         static_cast<std::uint32_t>(length - data.Body()))) {
            return WaveSizeState::Failed;
        }
    }
    return EndFileAt(fd.Get(), length) ? WaveSizeState::Repaired : WaveSizeState::Failed;
}
