// The play control dialog on a virtual output device and its test clock: the key table, winding,
// going to start and end with track navigation, scroll requests, the waveform following the
// cursor, the events kept in the file as markers, auto-close, an unreadable file, and what the
// dialog hands back.
#include "controls/LPlayDlg.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "AudioDialogTest.h"
#include "audio/files/LWaveWriter.h"
#include "audio/files/RecordingInfo.h"
#include "controls/LDBEdit.h"
#include "controls/LProgressDialog.h"
#include "controls/LWaveWindow.h"
#include "settings/SettingsStore.h"

namespace {

constexpr std::int32_t kRate = 8000;
using Mode = LPlayDlgBase::PlayMode;
using Winding = LPlayDlgBase::Winding;

class TestPlayDlg : public ReachableDialog<LPlayDlg> {
public:
    using ReachableDialog::ReachableDialog;
    QTimer& AutoCloseTimer() { return autoClose; }
};

class LPlayDlgTest : public AudioDialogTest<TestPlayDlg, LPlayParams> {
protected:
    LPlayDlgTest() {
        // A 4-second file.
        LWaveWriter writer(file, kRate, 0, 2, 1);
        std::vector<std::int32_t> samples(4 * kRate);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = (i % 2 == 0 ? 1 : -1) * 100000;
        }
        writer.Write(samples.data(), static_cast<std::int32_t>(samples.size()));
        params.device = static_cast<std::uint8_t>(registration.OutputId());
        params.path = file;
    }
    // Moves the displayed position with the scroll bar's thumb.
    void Thumb(int at) { dialog->ScrollBar()->setSliderPosition(at); }
};

TEST_F(LPlayDlgTest, KeysWorkTheTransportAsTheTableSays) {
    TestPlayDlg& play = Open();
    EXPECT_EQ(play.Mode(), Mode::Playing);  // playing from the start
    struct Row {
        int key;
        Mode mode;
    };
    for (Row row : {Row{Qt::Key_F10, Mode::Scrubbing}, Row{Qt::Key_Space, Mode::Playing},
                    Row{Qt::Key_Space, Mode::Scrubbing}, Row{Qt::Key_Escape, Mode::Stopped},
                    Row{Qt::Key_F9, Mode::Playing}, Row{Qt::Key_End, Mode::Scrubbing},
                    Row{Qt::Key_Home, Mode::Scrubbing}}) {
        EXPECT_TRUE(play.Key(row.key));
        DeliverPostedEvents();
        EXPECT_EQ(play.Mode(), row.mode) << row.key;
        EXPECT_EQ(play.IsChecked(LPlayDlg::kIdPlay), row.mode == Mode::Playing);
        EXPECT_EQ(play.IsChecked(LPlayDlg::kIdScrub), row.mode == Mode::Scrubbing);
        EXPECT_EQ(play.IsChecked(LPlayDlg::kIdStop), row.mode == Mode::Stopped);
        if (row.key == Qt::Key_End) {
            EXPECT_EQ(play.Position(), 40000);
        }
    }
    EXPECT_EQ(play.Position(), 0);    // Home
    EXPECT_FALSE(play.IsFinished());  // Esc stops without closing
    EXPECT_FALSE(play.Key(Qt::Key_A));
    // PgDn without next-track navigation does nothing.
    EXPECT_TRUE(play.Key(Qt::Key_PageDown));
    EXPECT_FALSE(play.IsFinished());
    EXPECT_TRUE(play.Key(Qt::Key_Return));
    EXPECT_TRUE(play.IsFinished());
    EXPECT_EQ(params.result, 0);
}

TEST_F(LPlayDlgTest, WindingStartsHalfASecondBackOrHereAndResumesWhatWasGoingOnOnRelease) {
    TestPlayDlg& play = Open();
    struct Row {
        int thumb;  // of 200 across the 4-second file
        int key;
        std::int32_t start;
    };
    for (Row row :
         {Row{15, Qt::Key_Left, 0}, Row{65, Qt::Key_Left, 8000}, Row{65, Qt::Key_Right, 13000}}) {
        Thumb(row.thumb);
        EXPECT_TRUE(play.Key(row.key));
        EXPECT_TRUE(play.Key(row.key, QEvent::KeyPress));  // a repeat changes nothing
        EXPECT_EQ(play.WindingState(),
                  row.key == Qt::Key_Left ? Winding::Rewinding : Winding::Forwarding);
        EXPECT_EQ(play.Position(), row.start) << row.thumb;
        EXPECT_TRUE(play.Key(row.key, QEvent::KeyRelease));
        EXPECT_EQ(play.WindingState(), Winding::None);
        EXPECT_EQ(play.Mode(), Mode::Playing);
    }

    // Winding from scrubbing goes slower than from playing, and comes back to scrubbing.
    std::int32_t moved[2] = {};
    for (int from : {0, 1}) {
        play.Key(Qt::Key_F9 + from);  // F9 plays, F10 scrubs
        Thumb(150);
        play.Key(Qt::Key_Left);
        std::int32_t start = play.Position();
        RunFor(1000);
        moved[from] = start - play.Position();
        play.Key(Qt::Key_Left, QEvent::KeyRelease);
        DeliverPostedEvents();
        EXPECT_EQ(play.Mode(), from == 0 ? Mode::Playing : Mode::Scrubbing);
    }
    EXPECT_GT(moved[1], 0);
    EXPECT_GT(moved[0], 4 * moved[1]) << moved[0] << " " << moved[1];
}

TEST_F(LPlayDlgTest, GoingToStartOrEndStepsThroughTracksWhereOffered) {
    struct Row {
        std::uint16_t flags;
        int thumb;
        int key;
        int result;  // 0: the dialog stays open
    };
    for (Row row :
         {Row{LPlayParams::kPreviousTrack, 25, Qt::Key_Home, 2},
          Row{LPlayParams::kPreviousTrack, 75, Qt::Key_Home, 0},
          Row{LPlayParams::kPreviousTrack, 75, Qt::Key_PageUp, 2},
          Row{LPlayParams::kNextTrack, 75, Qt::Key_End, 3},
          Row{LPlayParams::kNextTrack, 75, Qt::Key_PageDown, 3}, Row{0, 10, Qt::Key_PageUp, 0}}) {
        params.result = 0;
        TestPlayDlg& play = Open(row.flags);
        Thumb(row.thumb);
        play.Key(row.key);
        EXPECT_EQ(params.result, row.result) << row.flags << " " << row.key;
        EXPECT_EQ(play.IsFinished(), row.result != 0);
        if (row.key == Qt::Key_Home && row.result == 0) {
            EXPECT_EQ(play.Position(), 0);
        }
    }
    Open(LPlayParams::kPreviousTrack | LPlayParams::kNextTrack);
    EXPECT_EQ(dialog->Item(LPlayDlg::kIdStart)->toolTip(),
              QStringLiteral("Go to Start / Previous Track (Home/PgUp)"));
    EXPECT_EQ(dialog->Item(LPlayDlg::kIdEnd)->toolTip(), QStringLiteral("Next Track (PgDn)"));
}

TEST_F(LPlayDlgTest, ScrollRequestsMoveThePlayerAndTheWaveformFollowsTheCursor) {
    TestPlayDlg& play = Open();
    QScrollBar* scroll = play.ScrollBar();
    EXPECT_EQ(scroll->maximum(), 200);
    scroll->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(play.Position(), 20000);
    EXPECT_EQ(play.Readout(), QStringLiteral(" 0:00:02.0000"));
    EXPECT_EQ(scroll->value(), 100);
    RunFor(500);
    EXPECT_GT(play.Position(), 20000);  // the player went on from there
    EXPECT_LT(play.Position(), 30000);

    scroll->triggerAction(QAbstractSlider::SliderSingleStepSub);
    std::int32_t back = play.Position();
    EXPECT_LT(back, 10000);
    scroll->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(play.Position(), 0);
    Thumb(50);
    EXPECT_EQ(play.Position(), 10000);
    scroll->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(play.Mode(), Mode::Scrubbing);
    EXPECT_EQ(play.Position(), 40000);

    // Scrubbing at 2.5 s: a 25-ms cursor in a view from 1.5 s, two seconds wide.
    Thumb(125);
    LWaveViewState view = play.View();
    EXPECT_EQ(view.cursorFrame, 2 * kRate + kRate / 2);
    EXPECT_EQ(view.cursorFrames, kRate / 40);
    play.AwaitWaveform();
    view = play.View();
    EXPECT_EQ(view.viewStart, kRate + kRate / 2);
    EXPECT_EQ(view.viewFrames, 2 * kRate);
    scroll->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(play.Position(), 0);
    play.AwaitWaveform();
    EXPECT_EQ(play.View().viewStart, 0);  // not before the start
}

TEST_F(LPlayDlgTest, TheEventsTheFileKeepsAreMarkedAtTheFilesRateWithTheirTips) {
    EXPECT_TRUE(Open().View().markers->empty());  // a file without them
    RecordingInfo info;
    info.eventRate = 2 * kRate;
    info.events = {{-2 * kRate, 0, CallEventKind::Announcement, "Start.wav"},
                   {4 * kRate, 0, CallEventKind::Digit, "5"},
                   {12 * kRate, 0, CallEventKind::FarEndHungUp, ""}};
    ASSERT_EQ(WriteRecordingInfo(file, info), "");
    TestPlayDlg& play = Open();
    std::vector<std::int64_t> frames;
    for (const LWaveMarker& marker : *play.View().markers) {
        frames.push_back(marker.frame);
    }
    EXPECT_EQ(frames, (std::vector<std::int64_t>{-kRate, 2 * kRate, 6 * kRate}));
    Thumb(100);  // at 2 s: the view from 1 s to 3 s
    play.AwaitWaveform();
    const int digit = play.View().FrameToColumn(2 * kRate);
    EXPECT_EQ(play.ItemAs<LWaveWindow>(LPlayDlg::kIdWave)->ToolTipAt({digit, 30}),
              QStringLiteral("0:02.00 Digit: 5"));
}

TEST_F(LPlayDlgTest, ClosesByItself1200MsAfterPlaybackStops) {
    TestPlayDlg& play = Open(LPlayParams::kAutoClose);
    QTimer& timer = play.AutoCloseTimer();
    Thumb(190);  // 0.2 s before the end
    RunFor(1000);
    EXPECT_EQ(play.Mode(), Mode::Stopped);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 1200);
    play.Key(Qt::Key_Home);
    play.Key(Qt::Key_F9);  // playing again keeps it open
    RunFor(100);
    EXPECT_FALSE(timer.isActive());
    play.Key(Qt::Key_Escape);
    ASSERT_TRUE(timer.isActive());
    FireTimer(timer);
    EXPECT_TRUE(play.IsFinished());

    // Winding is not a stop.
    TestPlayDlg& wound = Open(LPlayParams::kAutoClose);
    wound.Key(Qt::Key_Right);
    EXPECT_FALSE(wound.AutoCloseTimer().isActive());
}

TEST_F(LPlayDlgTest, AFileThatCannotBeOpenedLeavesTheDialogStoppedAtZeroWithoutAMessage) {
    params.path = folder / "missing.wav";
    TestPlayDlg& play = Open();
    DeliverPostedEvents();
    EXPECT_EQ(play.Mode(), Mode::Stopped);
    EXPECT_EQ(play.Position(), 0);
    EXPECT_EQ(play.Readout(), QStringLiteral(" 0:00:00.0000"));
    EXPECT_FALSE(play.Item(LPlayDlg::kIdWave)->isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    play.Key(Qt::Key_Left);  // nothing to wind
    play.Key(Qt::Key_Left, QEvent::KeyRelease);
    EXPECT_EQ(play.Mode(), Mode::Stopped);
}

TEST_F(LPlayDlgTest, TheRunnerGivesSpaceToTheNameFieldAndTheBlockComesBackWithTheSettings) {
    const std::string settings = folder / "settings.ini";
    WriteIntSetting(settings, kPlayerSection, "device", 5);
    params.Load(settings);
    EXPECT_EQ(params.flags, LPlayParams::kNameDisabled);
    EXPECT_EQ(params.device, 5);
    params.flags = LPlayParams::kNameEdited;  // cleared by the dialog until the name is edited
    params.name = QStringLiteral("Hello");
    params.device = static_cast<std::uint8_t>(registration.OutputId());
    TestPlayDlg play(params);
    QTimer::singleShot(0, &play, [&] {
        auto* name = play.ItemAs<QLineEdit>(LPlayDlg::kIdName);
        EXPECT_TRUE(name->isEnabled());
        EXPECT_EQ(params.flags, 0);
        name->setFocus();
        name->end(false);
        QTest::keyClick(play.windowHandle(), Qt::Key_Space);
        QTest::keyClick(play.windowHandle(), Qt::Key_X);
        EXPECT_EQ(play.Mode(), Mode::Playing);  // Space was text
        play.ItemAs<LDBEdit>(LPlayDlg::kIdVolume)->Field()->setFocus();
        QTest::keyClick(play.windowHandle(), Qt::Key_Space);
        EXPECT_EQ(play.Mode(), Mode::Scrubbing);
        QTest::keyClick(play.windowHandle(), Qt::Key_Return);
    });
    RunModelessDialog(play, nullptr);
    EXPECT_EQ(params.name, QStringLiteral("Hello x"));
    EXPECT_EQ(params.flags, LPlayParams::kNameEdited);
}

}  // namespace
