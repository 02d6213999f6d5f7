// Reads what a voice modem sends, in whatever pieces the port delivers it, as events in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "telephony/providers/modem/ModemEvent.h"

// The modem's byte stream, in one of two states: the command state (lines ended by CR or LF;
// blank lines and echoed commands are dropped) and the voice data state (shielded audio with DLE
// events). A DLE code is an event in both (a ring may come as DLE R before a call is answered).
// State is kept across reads: a DLE may end one read and its code start the next, a line may be
// split anywhere. Events do not depend on how the bytes were split, except that audio comes in
// one event per run of audio bytes within a read.
class ModemStream {
public:
    enum class Mode {
        Command,          // lines
        AwaitingConnect,  // lines; the data state begins after the next CONNECT or VCON
        VoiceData,        // audio and DLE events until DLE ETX, then lines again
    };

    // Lines are cut at this length; the rest up to the line's end is dropped. Longer lines are
    // garbage: the longest a modem sends (a +VLS=? row) is well under it.
    static constexpr std::size_t kMaxLineLength = 256;

    // The owner sets AwaitingConnect before a command that starts a stream (+VRX, +VTX, +VTR),
    // so the audio that follows CONNECT in the same read is read as audio; and Command when it
    // gives up on one. A partly read line is kept across a change.
    void SetMode(Mode mode);
    Mode GetMode() const { return mode; }

    // The events in `bytes`, in order.
    std::vector<ModemEvent> Feed(std::span<const std::uint8_t> bytes);

private:
    void ReadDleCode(std::uint8_t code, std::vector<ModemEvent>& events);
    void ReadLineByte(std::uint8_t byte, std::vector<ModemEvent>& events);
    void EndLine(std::vector<ModemEvent>& events);

    Mode mode = Mode::Command;
    bool afterDle = false;  // the last byte was a DLE whose code has not come yet
    std::string line;       // the command-state line read so far, at most kMaxLineLength
    bool afterCr = false;   // the last byte ended a line with CR: an LF after it ends nothing
};
