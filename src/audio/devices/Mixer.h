// The sound card mixer behind a wave device: play volume, and the choice of record source with
// its level. Devices without a hardware mixer (the desktop's "default" device, virtual devices)
// have no record sources, and setting anything on them does nothing.
#pragma once

#include <cstdint>
#include <string>

// What a record source at index -1 is called: the desktop's own record mixer.
inline constexpr char kSystemRecordMixerName[] = "System Record Mixer";

// Mixer value of a level: 0 below -35 dB, else (level + 36) * 1424, at most 65535.
std::uint32_t MixerValue(std::int8_t level);

// Number of record sources of a wave input device (at most 127); 0 when there is no mixer.
std::uint8_t GetRecordSourceCount(std::int8_t waveInDevice);
// Name of record source `index` (at most 31 characters); empty when there is none.
std::string GetRecordSourceName(std::int8_t waveInDevice, int index);
// Makes `source` the one recorded from, at `level` dB, and mutes the others.
void SelectRecordSource(std::int8_t waveInDevice, std::int8_t source, std::int8_t level);
// Sets the playback volume (master at `level`, the PCM stream at level + offset) and unmutes.
void SetPlayVolume(std::int8_t waveOutDevice, std::int8_t level, std::int8_t waveOffset);
