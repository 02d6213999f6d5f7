// Fuzzes the voice modem's stream reader: any bytes, from either state, read in one piece, byte
// by byte and in reads of sizes the input picks give the same events, and no line is longer than
// the cap. The input is MODE SIZES... 0 BYTES: a mode byte (its value modulo three), read sizes
// (1 to 255) up to a zero, then the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "telephony/providers/modem/ModemStream.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Adds `more` to `events`, joining audio that runs on from one read into the next.
void Append(std::vector<ModemEvent>& events, std::vector<ModemEvent>&& more) {
    for (ModemEvent& event : more) {
        if (const auto* line = std::get_if<ModemLine>(&event)) {
            Check(line->text.size() <= ModemStream::kMaxLineLength);
        }
        auto* audio = events.empty() ? nullptr : std::get_if<ModemAudio>(&events.back());
        if (audio && std::holds_alternative<ModemAudio>(event)) {
            const auto& tail = std::get<ModemAudio>(event).bytes;
            audio->bytes.insert(audio->bytes.end(), tail.begin(), tail.end());
        } else {
            events.push_back(std::move(event));
        }
    }
}

// The events of `stream` read in pieces of `sizes` in turn (all of it at once when none).
std::vector<ModemEvent> Read(ModemStream::Mode mode, std::span<const std::uint8_t> stream,
                             std::span<const std::uint8_t> sizes) {
    ModemStream reader;
    reader.SetMode(mode);
    std::vector<ModemEvent> events;
    for (std::size_t i = 0; !stream.empty(); ++i) {
        const std::size_t size =
            sizes.empty() ? stream.size()
                          : std::min<std::size_t>(sizes[i % sizes.size()], stream.size());
        Append(events, reader.Feed(stream.first(size)));
        stream = stream.subspan(size);
    }
    return events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> input(data, size);
    if (input.empty()) {
        return 0;
    }
    const auto mode = static_cast<ModemStream::Mode>(input.front() % 3);
    input = input.subspan(1);
    std::size_t sizeCount = 0;
    while (sizeCount < input.size() && input[sizeCount] != 0) {
        ++sizeCount;
    }
    const std::span<const std::uint8_t> sizes = input.first(sizeCount);
    const std::span<const std::uint8_t> stream =
        input.subspan(std::min(sizeCount + 1, input.size()));
    const std::uint8_t one = 1;

    const std::vector<ModemEvent> whole = Read(mode, stream, {});
    Check(Read(mode, stream, {&one, 1}) == whole);
    Check(Read(mode, stream, sizes) == whole);
    return 0;
}
