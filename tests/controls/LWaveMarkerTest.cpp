// A recording's events as waveform markers: the groups, frames moved to the file's rate and the
// tips in the time the events were noted at.
#include "controls/LWaveMarker.h"

#include <gtest/gtest.h>

#include "audio/files/RecordingInfo.h"

namespace {

TEST(LWaveMarkerTest, EventsBecomeMarkersAtTheFilesRateWithTheirGroupAndTip) {
    RecordingInfo info;
    info.eventRate = 16000;
    info.events = {{-52000, 0, CallEventKind::Announcement, "Start.wav"},
                   {198400, 0, CallEventKind::Digit, "5"},
                   {200000, 0, CallEventKind::OnHoldFile, ""},
                   {200001, 0, CallEventKind::FarEndHungUp, ""},
                   {200002, 0, CallEventKind::Recovered, ""}};
    using Group = LWaveMarkGroup;
    EXPECT_EQ(MarkersOf(info, 8000),
              (LWaveMarkers{
                  {-26000, Group::Announcement, QStringLiteral("-0:03.25 Announcement: Start.wav")},
                  {99200, Group::Digit, QStringLiteral("0:12.40 Digit: 5")},
                  {100000, Group::Hold, QStringLiteral("0:12.50 On-hold file")},
                  {100001, Group::End, QStringLiteral("0:12.50 Far end hung up")},
                  {100001, Group::Other, QStringLiteral("0:12.50 Recovered")}}));
    // Without a rate of their own the events count in the file's.
    info.eventRate = 0;
    EXPECT_EQ(MarkersOf(info, 8000)[1].tip, QStringLiteral("0:24.80 Digit: 5"));
}

}  // namespace
