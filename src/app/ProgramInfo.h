// The program's name, version and maker as its windows show them.
#pragma once

inline constexpr char kProgramName[] = "Quillon Recorder";
inline constexpr char kVersionLine[] = "Quillon Recorder v " QUILLON_VERSION;
inline constexpr char kVersion[] = QUILLON_VERSION;
inline constexpr char kMakerName[] = "Ostrel";
