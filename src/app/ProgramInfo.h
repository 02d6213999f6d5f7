// The program's name, version and maker as its windows show them.
#pragma once

inline constexpr char kProgramName[] = "Quillon Recorder";
inline constexpr char kVersionLine[] = "Quillon Recorder v 2.01";
inline constexpr char kVersion[] = "2.01";
inline constexpr char kMakerName[] = "Ostrel";
