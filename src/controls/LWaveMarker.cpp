// A recording's events as waveform markers.
#include "controls/LWaveMarker.h"

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

QString TipOf(const RecordingInfo& info, const CallEvent& event) {
    QString tip = QString::fromStdString(FormatClock(info.EventTime(event), true) + " " +
                                         CallEventKindName(event.kind));
    if (!event.text.empty()) {
        tip += QStringLiteral(": ") + QString::fromStdString(event.text);
    }
    return tip;
}

}  // namespace

LWaveMarkers MarkersOf(const RecordingInfo& info, std::uint32_t sampleRate) {
    LWaveMarkers markers;
    if (sampleRate == 0) {
        return markers;
    }
    RecordingInfo scaled = info.ScaledTo(sampleRate);
    // Events noted without a rate count in the file's own.
    scaled.eventRate = sampleRate;
    for (const CallEvent& event : scaled.events) {
        markers.push_back({event.frame, GroupOf(event.kind), TipOf(scaled, event)});
    }
    return markers;
}
