// A recording's events as waveform markers.
#include "controls/LWaveMarker.h"

#include <algorithm>
#include <limits>

#include "audio/files/RecordingInfo.h"
#include "settings/TimeText.h"

namespace {

LWaveMarkGroup GroupOf(CallEventKind kind) {
    switch (kind) {
        case CallEventKind::Announcement:
        case CallEventKind::EndAnnouncement:
            return LWaveMarkGroup::Announcement;
        case CallEventKind::Tone:
            return LWaveMarkGroup::Tone;
        case CallEventKind::HoldStarted:
        case CallEventKind::OnHoldFile:
        case CallEventKind::HoldEnded:
            return LWaveMarkGroup::Hold;
        case CallEventKind::Digit:
            return LWaveMarkGroup::Digit;
        case CallEventKind::FarEndHungUp:
        case CallEventKind::StoppedByUser:
        case CallEventKind::Ended:
            return LWaveMarkGroup::End;
        default:
            return LWaveMarkGroup::Other;
    }
}

QString TipOf(const CallEvent& event, std::uint32_t rate) {
    // Through a long double, so that a stray frame count far out cannot overflow.
    const long double units = static_cast<long double>(event.frame) * kTimeUnitsPerSecond / rate;
    const auto time = static_cast<std::int64_t>(std::clamp<long double>(
        units, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()));
    QString tip =
        QString::fromStdString(FormatClock(time, true) + " " + CallEventKindName(event.kind));
    if (!event.text.empty()) {
        tip += QStringLiteral(": ") + QString::fromStdString(event.text);
    }
    return tip;
}

}  // namespace

LWaveMarkers MarkersOf(const RecordingInfo& info, std::uint32_t sampleRate) {
    // Events noted without a rate count in the file's own.
    const std::uint32_t noted = info.eventRate != 0 ? info.eventRate : sampleRate;
    LWaveMarkers markers;
    if (sampleRate == 0) {
        return markers;
    }
    const RecordingInfo scaled = info.ScaledTo(sampleRate);
    for (std::size_t i = 0; i < info.events.size(); ++i) {
        const CallEvent& event = info.events[i];
        markers.push_back({scaled.events[i].frame, GroupOf(event.kind), TipOf(event, noted)});
    }
    return markers;
}
