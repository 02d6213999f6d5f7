// The audio format of the telephone line: what the line carries and plays, what recordings,
// announcements and levelled files are written in.
#pragma once

#include <cstdint>

// Frames a second on the line; the line's audio is 16-bit mono.
inline constexpr std::int32_t kLineRate = 8000;
inline constexpr std::int32_t kLineBits = 16;
