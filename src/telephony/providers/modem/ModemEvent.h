// What a voice modem says: result codes, other lines, caller ID fields, audio and DLE events.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// A result code line of the command state.
enum class ModemResult { Ok, Error, Connect, Vcon, Ring, NoCarrier, Busy, NoDialtone };

// Any other line of the command state (identification, answers to queries), control bytes kept.
struct ModemLine {
    std::string text;
    bool operator==(const ModemLine&) const = default;
};

// What a caller ID number field says: a number, or why there is none.
enum class CallerNumber { Given, Withheld, Unavailable };

// One field of a caller ID message, `TAG=value` with or without spaces round "=": DATE (MMDD),
// TIME (HHMM), NMBR, NAME, and any other tag as sent (MESG, DRON, ...).
struct CallerIdField {
    std::string tag;
    std::string value;
    CallerNumber number = CallerNumber::Given;  // for NMBR: "P" withheld, "O" unavailable
    bool operator==(const CallerIdField&) const = default;
};

// Audio bytes of the data state, shielding removed, in the modem's sample format.
struct ModemAudio {
    std::vector<std::uint8_t> bytes;
    bool operator==(const ModemAudio&) const = default;
};

// What a DLE code reports. Chipsets differ in the letter of some; both are taken.
enum class ModemSignal {
    Digit,        // 0-9 * # A-D
    Busy,         // b, K
    DialTone,     // d, i
    Silence,      // s: no voice since the stream began
    Quiet,        // q: silence after voice
    LoopBreak,    // l: the loop current dropped, likely the far end hung up
    FaxCalling,   // c, m: 1100 Hz calling tone
    DataCalling,  // e: 1300 Hz calling tone
    Ring,         // R
    EndOfStream,  // ETX: the data state is over
    Unknown,      // any other code
};

struct DleEvent {
    ModemSignal signal = ModemSignal::Unknown;
    std::uint8_t code = 0;  // the byte after DLE
    bool operator==(const DleEvent&) const = default;
};

using ModemEvent = std::variant<ModemResult, ModemLine, CallerIdField, ModemAudio, DleEvent>;

// The event in words, for logs and test failures.
std::string Describe(const ModemEvent& event);
