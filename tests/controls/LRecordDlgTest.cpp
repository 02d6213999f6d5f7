// The record control dialog on a virtual device pair and its test clock: what a take is recorded
// with, voice operation, takes over the middle of a file with re-take and restart, the buttons
// while recording, the input line and the mixer button, record next, and the settings.
#include "controls/LRecordDlg.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <utility>
#include <vector>

#include "AudioDialogTest.h"
#include "ProgramsOnPath.h"
#include "audio/files/LWaveWriter.h"
#include "audio/files/WaveReaders.h"
#include "controls/LDBDisplay.h"
#include "controls/LProgressDialog.h"
#include "controls/LWaveViewReader.h"
#include "settings/SettingsStore.h"

namespace {

constexpr std::int32_t kRate = 8000;
constexpr std::int16_t kLoud = 16000;  // +6 dB: sound at any threshold
constexpr std::int64_t kHeader = kWaveHeaderSize;
using Mode = LPlayDlgBase::PlayMode;
using Dlg = LRecordDlg;

class TestRecordDlg : public ReachableDialog<LRecordDlg> {
public:
    using ReachableDialog::ReachableDialog;
    std::int8_t MeterLevel() const { return static_cast<LDBDisplay*>(Item(kIdMeter))->Level(0); }
    QString Tip(int id) const { return Item(id)->toolTip(); }
};

class LRecordDlgTest : public AudioDialogTest<TestRecordDlg, LRecordParams> {
protected:
    LRecordDlgTest() {
        params.device = static_cast<std::uint8_t>(registration.OutputId());
        params.recordDevice = static_cast<std::int8_t>(registration.InputId());
        params.sampleRate = kRate;
        params.channels = 1;
        params.path = file;
        Feed({{0, INT64_MAX}});
    }

    // The input is loud within the given stretches of device frames, counted from `frame` = 0,
    // and silent elsewhere.
    void Feed(std::vector<std::pair<std::int64_t, std::int64_t>> loud) {
        frame = 0;
        device->SetInputGenerator([this, loud](std::int16_t* samples, std::int32_t frames,
                                               const WavePcmFormat&, std::int64_t) {
            for (std::int32_t f = 0; f < frames; ++f, ++frame) {
                bool on = false;
                for (auto [from, to] : loud) {
                    on = on || (frame >= from && frame < to);
                }
                samples[f] = on ? static_cast<std::int16_t>(f % 2 == 0 ? kLoud : -kLoud) : 0;
            }
        });
    }
    // A file of `seconds` whose samples count up, so any shift or change shows.
    std::string WriteCountingFile(int seconds) {
        LWaveWriter writer(file, kRate, 0, 2, 1);
        std::vector<std::int32_t> samples(static_cast<std::size_t>(seconds * kRate));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int32_t>(i % 1000) * 64 - 32000;
        }
        writer.Write(samples.data(), static_cast<std::int32_t>(samples.size()));
        return ReadFile(file);
    }
    std::int32_t FileFrames() const {
        LSoundSourcePtr source = OpenWaveFile(file);
        return source ? source->GetLength() : -1;
    }

    std::int64_t frame = 0;
};

TEST(LRecordParamsTest, TakesAreTrimmedAtTheThresholdOnlyWithAutoTrimAndCutOnlyWithVoiceOperation) {
    struct Row {
        std::uint16_t flags;
        std::int8_t threshold;
        std::int32_t silenceLimit;
    };
    constexpr std::uint16_t kTrim = LRecordParams::kAutoTrim;
    constexpr std::uint16_t kVoice = LRecordParams::kVoiceActivated;
    for (Row row : {Row{0, -127, 216'000'000}, Row{kTrim, -30, 216'000'000},
                    Row{kVoice, -127, 50'000}, Row{kTrim | kVoice, -30, 50'000}}) {
        LRecordParams params;
        params.flags = row.flags;
        params.threshold = -30;
        EXPECT_EQ(params.SilenceThreshold(), row.threshold) << row.flags;
        EXPECT_EQ(params.SilenceLimit(), row.silenceLimit) << row.flags;
    }
}

TEST(LRecordParamsTest, LoadsAfterThePlayKeysAndSavesTheRecordVolumeLastIntoTheSameKey) {
    TempDir folder;
    const std::string settings = folder / "settings.ini";
    LRecordParams params;
    params.path = "take.wav";
    params.flags = 0xFF;
    params.Load(settings);
    EXPECT_EQ(params.flags, LRecordParams::kAutoTrim);  // the defaults
    EXPECT_EQ(params.sampleRate, 44100u);
    EXPECT_EQ(params.channels, 2);
    EXPECT_EQ(params.inputChannel, -1);
    EXPECT_EQ(params.threshold, -24);
    EXPECT_TRUE(params.path.empty());

    WriteDBSetting(settings, kPlayerSection, "volume", -9);
    WriteIntSetting(settings, kRecorderSection, "device", 3);
    WriteIntSetting(settings, kRecorderSection, "samplerate", 8000);
    params.Load(settings);
    EXPECT_EQ(params.volume, -9);
    EXPECT_EQ(params.recordVolume, -9);
    EXPECT_EQ(params.recordDevice, 3);
    EXPECT_EQ(params.sampleRate, 8000u);

    params.flags = LRecordParams::kVoiceActivated;
    params.volume = -3;
    params.recordVolume = -12;
    params.inputChannel = 1;
    params.Save(settings);
    EXPECT_EQ(ReadTextSetting(settings, kRecorderSection, "autotrim", ""), "false");
    EXPECT_EQ(ReadTextSetting(settings, kRecorderSection, "vor", ""), "true");
    EXPECT_EQ(ReadTextSetting(settings, kPlayerSection, "volume", ""), "-12dB");
    EXPECT_EQ(ReadIntSetting(settings, kRecorderSection, "inputchannel", 0), 1);
}

TEST_F(LRecordDlgTest, VoiceOperationCutsASilenceOfMoreThanFiveSecondsAndPlainRecordingKeepsIt) {
    struct Row {
        std::uint16_t voice;
        std::int32_t frames;
    };
    // A second of sound, six of silence and another second of sound. Voice operation keeps 0.45 s
    // of the silence and the half block before the sound comes back; either way the take ends
    // 0.05 s after the last sound.
    for (Row row : {Row{0, 8 * kRate + 400}, Row{LRecordParams::kVoiceActivated, 20'400}}) {
        Feed({{0, kRate}, {7 * kRate, 8 * kRate}});
        TestRecordDlg& record = Open(LRecordParams::kAutoTrim | row.voice);
        record.Key(Qt::Key_F8);
        RunFor(8500);
        record.Key(Qt::Key_Escape);
        EXPECT_FALSE(record.IsRecording());
        EXPECT_EQ(FileFrames(), row.frames) << row.voice;
    }
}

TEST_F(LRecordDlgTest, ATakeOverTheMiddleKeepsWhatCameBeforeAndReTakeStartsItAgainThere) {
    const std::string existing = WriteCountingFile(20);
    TestRecordDlg& record = Open();
    record.ScrollBar()->setSliderPosition(100);  // 10 s
    EXPECT_EQ(record.Tip(Dlg::kIdEnd), QStringLiteral("Go to End (End)"));
    EXPECT_TRUE(record.IsChecked(Dlg::kIdStop));

    record.AwaitWaveform();
    record.Key(Qt::Key_F8);
    EXPECT_TRUE(record.IsRecording());
    EXPECT_EQ(record.TakeStart(), 10 * kRate);
    for (int block = 0; block < 10; ++block) {
        RunFor(100);
        record.AwaitWaveform();  // the waveform as it is drawn after each block
    }
    EXPECT_EQ(record.Position(), 110'000);
    EXPECT_EQ(record.MeterLevel(), 6);
    EXPECT_TRUE(record.IsChecked(Dlg::kIdRecord));
    EXPECT_FALSE(record.IsChecked(Dlg::kIdStop));
    EXPECT_EQ(record.Tip(Dlg::kIdStart), QStringLiteral("Restart (F6)"));
    EXPECT_EQ(record.Tip(Dlg::kIdRewind), QStringLiteral("Rewind (<-)"));
    EXPECT_EQ(record.Tip(Dlg::kIdForward), QStringLiteral("Re-Take (F7)"));
    EXPECT_EQ(record.Tip(Dlg::kIdEnd), QStringLiteral("Record Next (F5)"));
    // The waveform follows the take: loud up to the cursor, nothing recorded after it.
    LWaveViewState view = record.View();
    EXPECT_EQ(view.endFrame, 11 * kRate);
    const int cursor = view.FrameToColumn(view.cursorFrame);
    EXPECT_EQ(view.columns[static_cast<std::size_t>(cursor - 2)], 250);
    EXPECT_EQ(view.columns[static_cast<std::size_t>(cursor + 2)], 0);

    record.Key(Qt::Key_F7);
    EXPECT_TRUE(record.IsRecording());
    EXPECT_EQ(record.TakeStart(), 10 * kRate);
    EXPECT_EQ(record.Position(), 100'000);
    RunFor(500);
    record.Key(Qt::Key_Escape);
    EXPECT_FALSE(record.IsRecording());
    EXPECT_TRUE(record.IsChecked(Dlg::kIdStop));
    EXPECT_FALSE(record.IsChecked(Dlg::kIdRecord));
    EXPECT_EQ(record.Tip(Dlg::kIdStart), QStringLiteral("Go to Start (Home)"));
    EXPECT_EQ(record.Tip(Dlg::kIdForward), QStringLiteral("Forward (->)"));
    EXPECT_EQ(record.Tip(Dlg::kIdEnd), QStringLiteral("Go to End (End)"));
    EXPECT_EQ(FileFrames(), 10 * kRate + kRate / 2);
    const std::string taken = ReadFile(file);
    const std::size_t before = kHeader + 2 * 10 * kRate;
    EXPECT_EQ(taken.substr(kHeader, before - kHeader), existing.substr(kHeader, before - kHeader));

    // Restart, by its key or its button while recording, goes back to the start of the file.
    for (bool key : {true, false}) {
        record.Key(Qt::Key_F8);
        RunFor(200);
        if (key) {
            record.Key(Qt::Key_F6);
        } else {
            record.Command(Dlg::kIdStart);
        }
        EXPECT_TRUE(record.IsRecording());
        EXPECT_EQ(record.TakeStart(), 0);
        EXPECT_EQ(record.Position(), 0);
        record.Key(Qt::Key_Escape);
    }
}

TEST_F(LRecordDlgTest, ATakeThatCannotStartLeavesTheDialogStopped) {
    params.path = folder / "missing/take.wav";
    TestRecordDlg& record = Open();
    record.Key(Qt::Key_F8);
    EXPECT_FALSE(record.IsRecording());
    EXPECT_EQ(record.Mode(), Mode::Stopped);
    EXPECT_TRUE(record.IsChecked(Dlg::kIdStop));
    EXPECT_FALSE(record.IsChecked(Dlg::kIdRecord));
}

TEST_F(LRecordDlgTest, TheFirstInputEntryShowsTheMixerButtonInPlaceOfTheVolume) {
    params.inputChannel = 2;  // a line the device does not have
    TestRecordDlg& record = Open();
    auto* inputs = record.ItemAs<QComboBox>(Dlg::kIdInputChannel);
    ASSERT_EQ(inputs->count(), 1);
    EXPECT_EQ(inputs->itemText(0), QStringLiteral("System Record Mixer"));
    // A card's input line, as its mixer would list it.
    inputs->addItem(QStringLiteral("Mic"));
    for (int entry : {1, 0, 1}) {
        inputs->setCurrentIndex(entry);
        record.Command(Dlg::kIdInputChannel, kCodeSelChange);
        EXPECT_EQ(params.inputChannel, entry - 1);
        EXPECT_EQ(record.Item(Dlg::kIdRecordVolume)->isHidden(), entry == 0);
        EXPECT_EQ(record.Item(Dlg::kIdRecordMixer)->isHidden(), entry == 1);
    }
    EXPECT_TRUE(Open().Item(Dlg::kIdRecordVolume)->isHidden());  // the stored line is missing
}

TEST_F(LRecordDlgTest, TheMixerButtonStartsTheInstalledMixerOrSaysThereIsNone) {
    std::vector<QString> started;
    for (bool installed : {true, false}) {
        ProgramsOnPath path(installed ? std::vector<const char*>{"pavucontrol"}
                                      : std::vector<const char*>{});
        TestRecordDlg& record = Open();
        record.startProgram = [&started](const QString& program, const QStringList& arguments) {
            started.push_back(program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
            return true;
        };
        EXPECT_EQ(record.IsItemEnabled(Dlg::kIdRecordMixer), installed);
        EXPECT_EQ(record.Tip(Dlg::kIdRecordMixer).isEmpty(), installed);
        record.ItemAs<QPushButton>(Dlg::kIdRecordMixer)->click();
        EXPECT_EQ(started.size(), 1u);
        if (installed) {
            EXPECT_EQ(started[0], QString::fromStdString(path / "pavucontrol") + " --tab=4");
        }
    }
}

TEST_F(LRecordDlgTest, RecordNextClosesWithTwoByItsKeyOrByGoToEndWhileRecording) {
    for (bool key : {true, false}) {
        params.result = 0;
        TestRecordDlg record(params);
        QTimer::singleShot(0, &record, [&] {
            QTest::keyClick(record.windowHandle(), Qt::Key_F8);
            RunFor(300);
            EXPECT_TRUE(record.IsRecording());
            if (key) {
                QTest::keyClick(record.windowHandle(), Qt::Key_F5);
            } else {
                record.ItemAs<QPushButton>(Dlg::kIdEnd)->click();
            }
        });
        EXPECT_EQ(RunModelessDialog(record, nullptr), 2);
        EXPECT_EQ(params.result, 2);
        EXPECT_FALSE(record.IsRecording());
        EXPECT_EQ(FileFrames(), 3 * kRate / 10);
    }
}

}  // namespace
