// Audio input files of the quillon-tool audio commands: opening them with a one-line reason
// when they cannot be used, and naming their formats.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "audio/dsp/LSoundSource.h"
#include "audio/files/WaveFormat.h"

// Opens `path` for reading audio; when it cannot be used, prints "quillon-tool: PATH: reason"
// to `err` and returns an empty reference. `format` receives the WAV format record.
LSoundSourcePtr OpenToolInput(const std::string& path, std::ostream& err,
                              WaveFormatRecord* format = nullptr);

// For an input that did not open as `audio` ("a WAV file"), prints "quillon-tool: PATH: reason"
// to `err` and returns kToolFailed. The reason is the system's (a missing file, no permission),
// "is a folder", "is not a regular file", "is empty", or that it is not `audio` that can be read.
int ReportUnreadableInput(const std::string& path, std::string_view audio, std::ostream& err);

// Whether both paths name one existing file.
bool IsSameFile(const std::string& a, const std::string& b);

// "PCM 16-bit", "IEEE float 32-bit", "mu-law", "A-law", "IMA ADPCM" or "format tag 0x0002"
// (the sub-format of WAVE_FORMAT_EXTENSIBLE named as its own tag).
std::string FormatName(const WaveFormatRecord& format);
