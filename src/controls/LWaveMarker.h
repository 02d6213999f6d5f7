// The marks the waveform draws over the audio: a recording's events, each at its frame, with a
// group that gives its face and a tooltip.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

struct RecordingInfo;

// The kinds of event the waveform tells apart; each has its own letter and colour.
enum class LWaveMarkGroup : std::uint8_t { Announcement, Tone, Hold, Digit, End, Other };

struct LWaveMarker {
    std::int64_t frame = 0;  // at the file's sample rate; may lie outside the audio
    LWaveMarkGroup group = LWaveMarkGroup::Other;
    QString tip;

    bool operator==(const LWaveMarker&) const = default;
};

using LWaveMarkers = std::vector<LWaveMarker>;

// The events of `info` as markers at the file's `sampleRate`. The tip gives the offset as the
// event was noted, the kind's name and the details: "0:12.40 Digit: 5".
LWaveMarkers MarkersOf(const RecordingInfo& info, std::uint32_t sampleRate);
