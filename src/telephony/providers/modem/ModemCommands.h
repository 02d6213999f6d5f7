// The commands sent to a modem, one at a time: each waits for its final result code or its
// timeout, and collects the lines that answer it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "telephony/providers/modem/ModemEvent.h"
#include "telephony/providers/modem/ModemShielding.h"
#include "telephony/providers/modem/ModemStream.h"

// How a command ended: its final result code, or none when the modem did not answer in time.
struct CommandReply {
    std::optional<ModemResult> result;
    std::vector<std::string> lines;
    bool Ok() const { return result == ModemResult::Ok || result == ModemResult::Vcon; }
    bool Connected() const { return result == ModemResult::Connect; }
};

class ModemCommands {
public:
    // Most commands answer at once; going off hook or resetting takes the modem a while.
    static constexpr std::int64_t kTimeout = 3'000'000'000;

    using Done = std::function<void(const CommandReply&)>;

    // Queues "AT<text>". A command that starts a stream (+VRX, +VTX, +VTR) sets the reader to
    // wait for CONNECT before it is sent.
    void Queue(std::string text, Done done = {}, bool startsStream = false,
               std::int64_t timeout = kTimeout);
    // Queues bytes that are not a command but are answered like one: the end of a stream. A
    // transmit stream's end is answered by a line with no DLE ETX before it: `endsStream` sets
    // the reader back to lines once the bytes are sent.
    void QueueRaw(ModemBytes bytes, Done done, bool endsStream = false,
                  std::int64_t timeout = kTimeout);
    // The next command's bytes when none is outstanding (it becomes the outstanding one, due by
    // `now` + its timeout).
    std::optional<ModemBytes> Next(std::int64_t now, ModemStream& stream);
    // Gives an event to the outstanding command; true when it took it (its answer lines and
    // its final result, which ends it). Result codes and lines with no command waiting are the
    // caller's.
    bool Take(const ModemEvent& event);
    // Ends the outstanding command unanswered when its time is up; returns whether it did.
    bool Expire(std::int64_t now);
    // When the outstanding command times out; INT64_MAX when none is outstanding.
    std::int64_t Deadline() const;
    bool Idle() const { return !outstanding && queue.empty(); }
    // Forgets every command without calling its done.
    void Clear();

private:
    struct Command {
        std::string text;
        std::optional<ModemBytes> raw;
        Done done;
        bool startsStream = false;
        std::int64_t timeout = kTimeout;
        bool endsStream = false;
    };
    void Finish(std::optional<ModemResult> result);

    std::deque<Command> queue;
    std::optional<Command> outstanding;
    std::int64_t deadline = INT64_MAX;
    std::vector<std::string> lines;
};
