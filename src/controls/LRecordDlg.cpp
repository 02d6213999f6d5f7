// The record control dialog: record device, input line and volume, takes over the file from any
// position, and the "recorder" settings.
#include "controls/LRecordDlg.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <algorithm>
#include <limits>

#include "audio/devices/Mixer.h"
#include "audio/files/LWaveWriter.h"
#include "audio/files/WaveReaders.h"
#include "controls/LDBEdit.h"
#include "controls/LRecordAdvancedDlg.h"
#include "settings/TimeText.h"

namespace {

// Without auto-trim every block of a take counts as sound: nothing is waited for or cut.
constexpr std::int8_t kUntrimmedThreshold = kSilentDB;
constexpr std::int32_t kRecordBytesPerSample = 2;

// The faces of the buttons that mean something else while recording.
constexpr char kRetakeIcon[] = "RetakeBitmap";
constexpr char kRestartTip[] = "Restart (F6)";
constexpr char kRetakeTip[] = "Re-Take (F7)";
constexpr char kRecordNextTip[] = "Record Next (F5)";
constexpr char kNoMixerTip[] =
    "No record mixer is installed: install pavucontrol, or alsa-utils and a terminal";

// A stored number held within the range of the field it goes to.
template <class T>
T Narrow(std::int32_t value) {
    return static_cast<T>(std::clamp<std::int32_t>(value, std::numeric_limits<T>::min(),
                                                   std::numeric_limits<T>::max()));
}

}  // namespace

void LRecordParams::Load(const std::string& settingsFile) {
    namespace keys = record_settings;
    auto readInt = [&settingsFile](IntSetting key) {
        return ReadIntSetting(settingsFile, kRecorderSection, key.name, key.def);
    };
    auto readBool = [&settingsFile](BoolSetting key) {
        return ReadBoolSetting(settingsFile, kRecorderSection, key.name, key.def);
    };
    LPlayParams::Load(settingsFile);
    recordVolume = ReadDBSetting(settingsFile, kPlayerSection, player_settings::kVolume.name,
                                 player_settings::kVolume.def);
    threshold =
        ReadDBSetting(settingsFile, kPlayerSection, keys::kThreshold.name, keys::kThreshold.def);
    flags = (readBool(keys::kAutoTrim) ? kAutoTrim : 0) |
            (readBool(keys::kVoiceActivated) ? kVoiceActivated : 0);
    sampleRate = static_cast<std::uint32_t>(std::max(readInt(keys::kSampleRate), 0));
    channels = Narrow<std::uint8_t>(readInt(keys::kChannels));
    recordDevice = Narrow<std::int8_t>(readInt(keys::kDevice));
    inputChannel = Narrow<std::int8_t>(readInt(keys::kInputChannel));
    path.clear();
}

void LRecordParams::Save(const std::string& settingsFile) const {
    namespace keys = record_settings;
    auto writeInt = [&settingsFile](IntSetting key, std::int32_t value) {
        WriteIntSetting(settingsFile, kRecorderSection, key.name, value);
    };
    auto writeBool = [&settingsFile](BoolSetting key, bool value) {
        WriteBoolSetting(settingsFile, kRecorderSection, key.name, value);
    };
    LPlayParams::Save(settingsFile);
    writeBool(keys::kAutoTrim, (flags & kAutoTrim) != 0);
    writeBool(keys::kVoiceActivated, (flags & kVoiceActivated) != 0);
    writeInt(keys::kSampleRate, static_cast<std::int32_t>(std::min<std::uint32_t>(
                                    sampleRate, std::numeric_limits<std::int32_t>::max())));
    writeInt(keys::kChannels, channels);
    writeInt(keys::kDevice, recordDevice);
    writeInt(keys::kInputChannel, inputChannel);
    WriteDBSetting(settingsFile, kPlayerSection, player_settings::kVolume.name, recordVolume);
    WriteDBSetting(settingsFile, kPlayerSection, keys::kThreshold.name, threshold);
}

std::int8_t LRecordParams::SilenceThreshold() const {
    return (flags & kAutoTrim) != 0 ? threshold : kUntrimmedThreshold;
}

std::int32_t LRecordParams::SilenceLimit() const {
    return (flags & kVoiceActivated) != 0 ? kVoiceSilenceLimit : kNoSilenceLimit;
}

LRecordDlg::LRecordDlg(LRecordParams& params, QWidget* parent)
    : LPlayDlgBase(params, parent),
      startProgram([](const QString& program, const QStringList& arguments) {
          return QProcess::startDetached(program, arguments);
      }),
      recordParams(params) {
    setWindowTitle(QStringLiteral("Record Control"));
    auto* grid = new QGridLayout;
    auto* deviceLabel = new QLabel(QStringLiteral("Record &Device"), this);
    auto* devices = Bind(kIdRecordDevice, new QComboBox(this));
    devices->setToolTip(QStringLiteral("Record Device"));
    deviceLabel->setBuddy(devices);
    grid->addWidget(deviceLabel, 0, 0);
    grid->addWidget(devices, 1, 0);
    auto* inputs = Bind(kIdInputChannel, new QComboBox(this));
    inputs->setToolTip(QStringLiteral("Record Input Channel"));
    grid->addWidget(inputs, 2, 0);

    // The volume and the mixer button share a place: one of them is shown.
    auto* volumeLabel = new QLabel(QStringLiteral("Record &Volume"), this);
    auto* volume = Bind(kIdRecordVolume, new LDBEdit(this));
    volume->SetSunken(true);
    volume->setToolTip(QStringLiteral("Record Volume"));
    volumeLabel->setBuddy(volume->Field());
    grid->addWidget(volumeLabel, 0, 1);
    grid->addWidget(volume, 1, 1);
    auto* mixer =
        Bind(kIdRecordMixer, new QPushButton(QStringLiteral("Open Record Mixer..."), this));
    mixer->setAutoDefault(false);
    mixer->hide();
    grid->addWidget(mixer, 1, 1);
    auto* advanced =
        Bind(kIdAdvanced, new QPushButton(QStringLiteral("Advanced Record Options..."), this));
    advanced->setAutoDefault(false);
    grid->addWidget(advanced, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    rows->insertLayout(0, grid);

    transport->insertWidget(0, AddTransportButton(kIdRecord, "RecordBitmap", "Record (F8)", true));
    transport->insertSpacing(1, DialogUnits(fontMetrics(), 6, 0).width());
    FixSize(262, 168);
    recorder.target = this;
}

LRecordDlg::~LRecordDlg() {
    // The notifications would reach a dialog that is partly gone.
    recorder.target = nullptr;
    recorder.Stop();
}

LSoundSourcePtr LRecordDlg::OpenSource() {
    return OpenWaveFile(params.path);
}

void LRecordDlg::OnInit() {
    LPlayDlgBase::OnInit();
    ItemAs<LDBEdit>(kIdRecordVolume)->SetValue(recordParams.recordVolume);
    FillDevices(kIdRecordDevice, WaveDirection::Input, recordParams.recordDevice);
    FillInputChannels();
    UseInput();
    recordMixer = FindRecordMixer();
    if (!recordMixer) {
        EnableItem(kIdRecordMixer, false);
        Item(kIdRecordMixer)->setToolTip(QString::fromLatin1(kNoMixerTip));
    }
    // An existing file shows, and its length lets the position be moved within it.
    ShowWaveform();
}

void LRecordDlg::Update() {
    LPlayDlgBase::Update();
    SetChecked(kIdRecord, recording);
    SetChecked(kIdStop, Mode() == PlayMode::Stopped && !recording);
}

void LRecordDlg::OnCommand(int id, int code) {
    switch (id) {
        case kIdRecordDevice:
            recordParams.recordDevice = Narrow<std::int8_t>(
                std::max(ItemAs<QComboBox>(kIdRecordDevice)->currentIndex(), 0));
            FillInputChannels();
            UseInput();
            return;
        case kIdInputChannel:
            recordParams.inputChannel =
                Narrow<std::int8_t>(ItemAs<QComboBox>(kIdInputChannel)->currentIndex() - 1);
            ShowVolumeOrMixer();
            UseInput();
            return;
        case kIdRecordVolume:
            recordParams.recordVolume = ItemAs<LDBEdit>(kIdRecordVolume)->GetValue();
            UseInput();
            return;
        case kIdAdvanced: {
            LRecordAdvancedDlg advanced(recordParams, this);
            advanced.exec();
            return;
        }
        case kIdRecord:
            RecordFrom(ToFrames(Position()));
            return;
        case kIdRecordMixer:
            OpenRecordMixer();
            return;
        case kIdStart:
            if (recording) {
                RecordFrom(0);
                return;
            }
            break;
        case kIdForward:
            // Re-Take while recording: a click, not the winding press and release.
            if (recording) {
                if (code == kCodeClicked) {
                    RecordFrom(takeStart);
                }
                return;
            }
            break;
        case kIdEnd:
            if (recording) {
                RecordNext();
                return;
            }
            break;
        case kIdWave:
        case kIdScroll:
            // The waveform and the scroll bar follow the take while it is recorded.
            if (recording) {
                return;
            }
            break;
        case kIdPlay:
        case kIdScrub:
        case kIdStop:
            StopRecording();
            break;
        case kIdRewind:
            if (code == kCodePressed) {
                StopRecording();
            }
            break;
        default:
            break;
    }
    LPlayDlgBase::OnCommand(id, code);
}

bool LRecordDlg::PreTranslate(QKeyEvent* event) {
    const int key = event->key();
    if (key < Qt::Key_F5 || key > Qt::Key_F8) {
        return LPlayDlgBase::PreTranslate(event);
    }
    // A held key repeats, and would start the take again and again.
    if (event->type() != QEvent::KeyPress || event->isAutoRepeat()) {
        return true;
    }
    switch (key) {
        case Qt::Key_F5:
            RecordNext();
            break;
        case Qt::Key_F6:
            RecordFrom(0);
            break;
        case Qt::Key_F7:
            RecordFrom(takeStart);
            break;
        default:
            Command(kIdRecord);
            break;
    }
    if (!IsFinished()) {
        Update();
    }
    return true;
}

void LRecordDlg::OnDestroy() {
    StopRecording();
    LPlayDlgBase::OnDestroy();
}

void LRecordDlg::OnRecorderWriting(std::uint32_t) {
    SetRecording(true);
}

void LRecordDlg::OnRecorderWaiting(std::uint32_t) {
    SetRecording(true);
}

void LRecordDlg::OnRecorderStopped(std::uint32_t) {
    SetRecording(false);
    if (IsFinished()) {
        return;
    }
    // The reader followed the take; it starts again on the finished file.
    reader.Stop();
    ShowWaveform();
}

void LRecordDlg::OnRecorderPosition(std::uint32_t, std::int32_t units) {
    const LSoundSinkPtr& sink = recorder.GetSink();
    std::int32_t frames = sink ? sink->position : ToFrames(units);
    // What was recorded since the last report, or what a cut of the silence took away.
    reader.Refresh(std::min(frames, LengthFrames()));
    SetExtent(frames, static_cast<std::int32_t>(recordParams.sampleRate));
    view.SetEndFrame(frames);
    SetPosition(units);
    ShowPosition();
}

void LRecordDlg::OnRecorderLevels(const LLevelReport& report, std::uint32_t) {
    ShowLevels(report);
}

void LRecordDlg::RecordFrom(std::int32_t frame) {
    Stop();
    StopRecording();
    reader.Stop();
    auto writer =
        MakeCounted<LWaveWriter>(params.path, static_cast<std::int32_t>(recordParams.sampleRate),
                                 frame, kRecordBytesPerSample, recordParams.channels);
    if (!recorder.Start(writer, 0, recordParams.SilenceLimit(), recordParams.SilenceThreshold(),
                        0)) {
        ShowWaveform();
        return;
    }
    takeStart = frame;
    // The waveform follows the file as the take grows; what came before the take stays.
    reader.Start(OpenSource(), &view);
    reader.Refresh(frame);
    ShowPosition();
}

void LRecordDlg::StopRecording() {
    recorder.Stop();
}

void LRecordDlg::RecordNext() {
    params.result = LRecordParams::kResultRecordNext;
    done(LRecordParams::kResultRecordNext);
}

void LRecordDlg::SetRecording(bool on) {
    recording = on;
    Item(kIdStart)->setToolTip(QString::fromLatin1(on ? kRestartTip : kStartTip));
    SetFace(kIdForward, on ? kRetakeIcon : kForwardIcon, on ? kRetakeTip : kForwardTip);
    Item(kIdEnd)->setToolTip(QString::fromLatin1(on ? kRecordNextTip : kEndTip));
    if (!IsFinished()) {
        Update();
    }
}

void LRecordDlg::FillInputChannels() {
    auto* inputs = ItemAs<QComboBox>(kIdInputChannel);
    inputs->clear();
    const std::int8_t device = recordParams.recordDevice;
    // Index -1 is the first entry; the card's input lines follow.
    for (int line = -1; line < GetRecordSourceCount(device); ++line) {
        inputs->addItem(QString::fromStdString(GetRecordSourceName(device, line)));
    }
    const int selected = recordParams.inputChannel + 1;
    inputs->setCurrentIndex(selected < inputs->count() ? selected : -1);
    ShowVolumeOrMixer();
}

void LRecordDlg::ShowVolumeOrMixer() {
    const bool lineChosen = ItemAs<QComboBox>(kIdInputChannel)->currentIndex() >= 1;
    Item(kIdRecordVolume)->setVisible(lineChosen);
    Item(kIdRecordMixer)->setVisible(!lineChosen);
}

void LRecordDlg::UseInput() {
    recorder.device = recordParams.recordDevice;
    SelectRecordSource(recordParams.recordDevice, recordParams.inputChannel,
                       recordParams.recordVolume);
}

void LRecordDlg::OpenRecordMixer() {
    if (recordMixer) {
        startProgram(recordMixer->program, recordMixer->arguments);
    }
}
