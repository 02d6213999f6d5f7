// The control bytes of a voice modem's data state and the shielding of audio sent to it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Data link escape: in the data state every control code the modem or the program sends follows
// it, so an audio byte of this value travels doubled.
inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::uint8_t kEtx = 0x03;  // after DLE: end of the stream
inline constexpr std::uint8_t kCan = 0x18;  // after DLE: drop what is waiting to be sent
inline constexpr std::uint8_t kSub = 0x1A;  // after DLE, from the modem: two DLE audio bytes

using ModemBytes = std::vector<std::uint8_t>;

// Ends a transmit stream after what was sent has been played (answered by OK).
inline const ModemBytes kEndTransmit{kDle, kEtx};
// Ends a transmit stream at once, dropping what the modem holds.
inline const ModemBytes kAbortTransmit{kDle, kCan, kDle, kEtx};
// Ends a receive stream: the modem flushes, sends DLE ETX, then OK. DLE CAN does not stop it.
inline const ModemBytes kStopReceive{kDle, '!'};
// Ends a full-duplex stream.
inline const ModemBytes kStopDuplex{kDle, '^'};
// Unsticks a modem left in a stream: every way of ending one, then a fresh line.
inline const ModemBytes kRecoveryBytes{kDle, kEtx, kDle, '!', kDle, '^', '\r'};

// Appends `audio` to `out` with every DLE byte doubled, so that none reads as a control code.
void AppendShielded(ModemBytes& out, std::span<const std::uint8_t> audio);
