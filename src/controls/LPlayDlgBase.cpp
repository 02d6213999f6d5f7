// The play dialog's base: controls, transport, winding, keys and the "player" settings.
#include "controls/LPlayDlgBase.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <span>

#include "audio/devices/Mixer.h"
#include "audio/devices/WaveDevices.h"
#include "audio/dsp/LSpeedFilter.h"
#include "controls/LDBDisplay.h"
#include "controls/LDBEdit.h"
#include "controls/LWaveWindow.h"
#include "controls/TransportIcons.h"
#include "settings/TimeText.h"

namespace {

// Scroll bar steps, winding's head start and its speed ramp, in 1/10,000 s.
constexpr std::int32_t kScrollStep = 20000;
constexpr std::int32_t kRewindLead = 5000;
constexpr std::int32_t kWindRampTime = 80000;
// Winding speeds, (start, end) in multiples of normal speed: slowly while scrubbing.
constexpr double kSlowWind[] = {0.1, 3};
constexpr double kFastWind[] = {0.5, 7};
// The cursor's width while scrubbing, and the stretch the waveform shows around it.
constexpr std::int32_t kScrubCursor = 250;
constexpr std::int32_t kViewBefore = kTimeUnitsPerSecond;
constexpr std::int32_t kViewLength = 2 * kTimeUnitsPerSecond;
constexpr int kReadoutPixels = 16;

}  // namespace

void LPlayParams::Load(const std::string& settingsFile) {
    std::int32_t storedDevice = ReadIntSetting(
        settingsFile, kPlayerSection, player_settings::kDevice.name, player_settings::kDevice.def);
    device = static_cast<std::uint8_t>(std::clamp(storedDevice, 0, 255));
    volume = ReadDBSetting(settingsFile, kPlayerSection, player_settings::kVolume.name,
                           player_settings::kVolume.def);
    flags = kNameDisabled;
    name.clear();
}

void LPlayParams::Save(const std::string& settingsFile) const {
    WriteIntSetting(settingsFile, kPlayerSection, player_settings::kDevice.name, device);
    WriteDBSetting(settingsFile, kPlayerSection, player_settings::kVolume.name, volume);
}

LPlayDlgBase::LPlayDlgBase(LPlayParams& params, QWidget* parent) : LDialog(parent), params(params) {
    setWindowTitle(QStringLiteral("Play Control"));
    rows = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    rows->addLayout(grid);
    auto* deviceLabel = new QLabel(QStringLiteral("&Playback Device and Volume"), this);
    auto* devices = Bind(kIdDevice, new QComboBox(this));
    deviceLabel->setBuddy(devices);
    grid->addWidget(deviceLabel, 0, 0, 1, 2);
    grid->addWidget(devices, 1, 0);
    auto* volume = Bind(kIdVolume, new LDBEdit(this));
    volume->SetSunken(true);
    grid->addWidget(volume, 1, 1);

    nameField = Bind(kIdName, new QLineEdit(this));
    nameField->setMaxLength(LPlayParams::kMaxName);
    grid->addWidget(nameField, 2, 0, 1, 2);

    positionText = Bind(kIdPosition, new QLabel(this));
    QFont bold = positionText->font();
    bold.setPixelSize(kReadoutPixels);
    bold.setWeight(QFont::Bold);
    positionText->setFont(bold);
    grid->addWidget(positionText, 3, 0);
    auto* meter = Bind(kIdMeter, new LDBDisplay(this));
    meter->SetSunken(true);
    grid->addWidget(meter, 3, 1);

    auto* wave = Bind(kIdWave, new LWaveWindow(this));
    wave->SetBorder(true);
    wave->setMinimumHeight(DialogUnits(fontMetrics(), 0, 36).height());
    grid->addWidget(wave, 4, 0, 1, 2);
    auto* scroll = Bind(kIdScroll, new QScrollBar(Qt::Horizontal, this));
    connect(scroll, &QScrollBar::actionTriggered, this,
            [this](int action) { Command(kIdScroll, action); });
    grid->addWidget(scroll, 5, 0, 1, 2);

    transport = new QHBoxLayout;
    transport->addWidget(AddTransportButton(kIdPlay, "PlayBitmap", "Play (F9)", true));
    transport->addWidget(AddTransportButton(kIdScrub, "ScrubBitmap", "Scrub (Space)", true));
    transport->addWidget(AddTransportButton(kIdStop, "StopBitmap", "Stop (Esc)", true));
    transport->addSpacing(DialogUnits(fontMetrics(), 6, 0).width());
    transport->addWidget(AddTransportButton(kIdStart, "StartBitmap", kStartTip, false));
    transport->addWidget(AddHeldButton(kIdRewind, "RewindBitmap", "Rewind (<-)"));
    transport->addWidget(AddHeldButton(kIdForward, kForwardIcon, kForwardTip));
    transport->addWidget(AddTransportButton(kIdEnd, "EndBitmap", kEndTip, false));
    transport->addStretch();
    grid->addLayout(transport, 6, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    FixSize(228, 122);

    wave->Attach(&view);
    player.target = this;
    player.reportLevels = true;
}

LPlayDlgBase::~LPlayDlgBase() {
    // The notifications would reach a dialog that is partly gone.
    player.target = nullptr;
    player.Stop();
    reader.Stop();
    // The window, a child, goes after the view.
    ItemAs<LWaveWindow>(kIdWave)->Attach(nullptr);
}

QPushButton* LPlayDlgBase::AddTransportButton(int id, const char* icon, const char* tip,
                                              bool toggle) {
    auto* button = Bind(id, new QPushButton(this));
    SetFace(id, icon, tip);
    button->setCheckable(toggle);
    button->setAutoDefault(false);
    return button;
}

void LPlayDlgBase::SetFace(int id, const char* icon, const char* tip) {
    auto* button = ItemAs<QPushButton>(id);
    button->setIcon(TransportIcon(icon));
    button->setToolTip(QString::fromLatin1(tip));
}

void LPlayDlgBase::FixSize(int widthUnits, int heightUnits) {
    setFixedSize(sizeHint().expandedTo(DialogUnits(fontMetrics(), widthUnits, heightUnits)));
}

QPushButton* LPlayDlgBase::AddHeldButton(int id, const char* icon, const char* tip) {
    QPushButton* button = AddTransportButton(id, icon, tip, false);
    connect(button, &QPushButton::pressed, this, [this, id] { Command(id, kCodePressed); });
    connect(button, &QPushButton::released, this, [this, id] { Command(id, kCodeReleased); });
    return button;
}

void LPlayDlgBase::OnInit() {
    view.EnableWindow(false);
    nameField->setText(params.name);
    nameField->setEnabled((params.flags & LPlayParams::kNameDisabled) == 0);
    params.flags &= ~LPlayParams::kNameEdited;
    ItemAs<LDBEdit>(kIdVolume)->SetValue(params.volume);
    static_cast<LDBDisplay*>(Item(kIdMeter))->SetLevel(kSilentDB);
    ItemAs<QScrollBar>(kIdScroll)->setRange(0, kScrollRange);
    FillDevices(kIdDevice, WaveDirection::Output, params.device);
    ApplyVolume();
    ShowPosition();
}

void LPlayDlgBase::FillDevices(int id, WaveDirection direction, int selected) {
    auto* devices = ItemAs<QComboBox>(id);
    std::vector<std::string> names = WaveDeviceNames(direction);
    names.resize(std::min<std::size_t>(names.size(), kMaxDevices));
    for (const std::string& name : names) {
        devices->addItem(QString::fromStdString(name));
    }
    devices->setCurrentIndex(
        selected >= 0 && static_cast<std::size_t>(selected) < names.size() ? selected : -1);
}

void LPlayDlgBase::Update() {
    SetChecked(kIdPlay, mode == PlayMode::Playing);
    SetChecked(kIdScrub, mode == PlayMode::Scrubbing);
    SetChecked(kIdStop, mode == PlayMode::Stopped);
}

void LPlayDlgBase::OnCommand(int id, int code) {
    switch (id) {
        case kIdPlay:
            Play();
            break;
        case kIdScrub:
            Scrub();
            break;
        case kIdStop:
            Stop();
            break;
        case kIdStart:
            GoToStart();
            break;
        case kIdEnd:
            GoToEnd();
            break;
        case kIdRewind:
        case kIdForward:
            if (code == kCodePressed) {
                StartWinding(id == kIdRewind ? Winding::Rewinding : Winding::Forwarding);
            } else if (code == kCodeReleased) {
                StopWinding();
            }
            break;
        case kIdDevice:
            params.device = static_cast<std::uint8_t>(
                std::max(ItemAs<QComboBox>(kIdDevice)->currentIndex(), 0));
            break;
        case kIdVolume:
            params.volume = ItemAs<LDBEdit>(kIdVolume)->GetValue();
            ApplyVolume();
            break;
        case kIdWave:
            OnWaveCommand(code);
            break;
        case kIdScroll:
            Scroll(code);
            break;
        default:
            break;
    }
}

bool LPlayDlgBase::PreTranslate(QKeyEvent* event) {
    int command = 0;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
            // A held key repeats; the button stays down until it is let go.
            if (!event->isAutoRepeat()) {
                HoldButton(event->key() == Qt::Key_Left ? kIdRewind : kIdForward,
                           event->type() == QEvent::KeyPress);
            }
            return true;
        case Qt::Key_Space:
            // The field the window gives keys to, whether or not the window is active.
            if (focusWidget() == nameField) {
                return false;
            }
            command = mode == PlayMode::Scrubbing ? kIdPlay : kIdScrub;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            command = kIdOK;
            break;
        case Qt::Key_Escape:
            command = kIdStop;
            break;
        case Qt::Key_F9:
            command = kIdPlay;
            break;
        case Qt::Key_F10:
            command = kIdScrub;
            break;
        case Qt::Key_Home:
            command = kIdStart;
            break;
        case Qt::Key_End:
            command = kIdEnd;
            break;
        default:
            return false;
    }
    if (event->type() == QEvent::KeyPress) {
        Command(command);
    }
    return true;
}

void LPlayDlgBase::HoldButton(int id, bool down) {
    auto* button = ItemAs<QPushButton>(id);
    if (button->isDown() != down) {
        button->setDown(down);
        Command(id, down ? kCodePressed : kCodeReleased);
    }
}

void LPlayDlgBase::OnDestroy() {
    Stop();
    if (nameField->isModified()) {
        params.name = nameField->text();
        params.flags |= LPlayParams::kNameEdited;
    }
    reader.Stop();
}

void LPlayDlgBase::OnPlayerPlaying(std::uint32_t) {
    SetMode(PlayMode::Playing);
}

void LPlayDlgBase::OnPlayerStopped(std::uint32_t) {
    SetMode(PlayMode::Stopped);
}

void LPlayDlgBase::OnPlayerScrubbing(std::uint32_t) {
    SetMode(PlayMode::Scrubbing);
}

void LPlayDlgBase::OnPlayerPosition(std::uint32_t, std::int32_t units) {
    SetPosition(units);
    ShowPosition();
}

void LPlayDlgBase::OnPlayerLevels(const LLevelReport& report, std::uint32_t) {
    ShowLevels(report);
}

void LPlayDlgBase::ShowLevels(const LLevelReport& report) {
    static_cast<LDBDisplay*>(Item(kIdMeter))
        ->SetLevels(std::span<const std::int8_t>(report.level, report.channels));
}

void LPlayDlgBase::Play() {
    player.Stop();
    LSoundSourcePtr source = OpenSource();
    if (!source || source->IsInvalid()) {
        return;
    }
    Measure(*source);
    source->Seek(ToFrames(position));
    player.device = PlayerDevice();
    player.Start(source, 0);
}

void LPlayDlgBase::Scrub() {
    if (!player.IsActive()) {
        Play();
    }
    player.StartScrub();
}

void LPlayDlgBase::Stop() {
    SetWinding(Winding::None);
    player.Stop();
}

void LPlayDlgBase::GoToStart() {
    SetPosition(0);
    ShowPosition();
    player.Seek(0);
}

void LPlayDlgBase::GoToEnd() {
    Scrub();
    player.Seek(lengthFrames);
}

void LPlayDlgBase::StartWinding(Winding direction) {
    if (winding == direction) {
        return;
    }
    StopWinding();
    resumeMode = mode;
    SetWinding(direction);
    player.Stop();
    LSoundSourcePtr source = OpenSource();
    if (!source || source->IsInvalid()) {
        return;
    }
    Measure(*source);
    bool rewinding = direction == Winding::Rewinding;
    source->Seek(ToFrames(rewinding ? std::max(position - kRewindLead, 0) : position));
    const double* speeds = resumeMode == PlayMode::Scrubbing ? kSlowWind : kFastWind;
    double sign = rewinding ? -1 : 1;
    LSoundSourcePtr wound;
    LSpeedProcess(kWindRampTime, sign * speeds[0], sign * speeds[1]).Create(wound, source);
    player.device = PlayerDevice();
    player.Start(wound, 0);
}

void LPlayDlgBase::StopWinding() {
    if (winding == Winding::None) {
        return;
    }
    SetWinding(Winding::None);
    player.Stop();
    if (resumeMode == PlayMode::Playing) {
        Play();
    } else if (resumeMode == PlayMode::Scrubbing) {
        Scrub();
    }
}

void LPlayDlgBase::ShowWaveform() {
    if (reader.IsThreadRunning()) {
        return;
    }
    LSoundSourcePtr source = OpenSource();
    if (!source || source->IsInvalid()) {
        return;
    }
    view.SetEndFrame(source->GetLength());
    view.SetSelectionStart(0);
    view.SetSelectionEnd(-1);
    Measure(*source);
    reader.Start(source, &view);
    ShowPosition();
}

void LPlayDlgBase::SetMode(PlayMode newMode) {
    mode = newMode;
    Update();
}

void LPlayDlgBase::SetWinding(Winding newWinding) {
    winding = newWinding;
}

void LPlayDlgBase::SetPosition(std::int32_t units) {
    position = std::max(units, 0);
}

void LPlayDlgBase::ShowPosition() {
    positionText->setText(QString::fromStdString(FormatTime4(position)));
    ItemAs<QScrollBar>(kIdScroll)->setValue(
        length < 1 ? 0 : static_cast<int>(static_cast<double>(position) / length * 201));
    if (rate < 1) {
        return;
    }
    std::int32_t frame = ToFrames(position);
    view.SetCursor(frame, mode == PlayMode::Scrubbing ? ToFrames(kScrubCursor) : 0);
    reader.Request(std::max(frame - ToFrames(kViewBefore), 0), ToFrames(kViewLength));
}

void LPlayDlgBase::Measure(LSoundSource& source) {
    SetExtent(source.GetLength(), source.sampleRate);
}

void LPlayDlgBase::SetExtent(std::int32_t frames, std::int32_t sampleRate) {
    rate = sampleRate;
    lengthFrames = frames;
    length = ToUnits(lengthFrames);
}

std::int32_t LPlayDlgBase::ToFrames(std::int32_t units) const {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(units) * rate / kTimeUnitsPerSecond);
}

std::int32_t LPlayDlgBase::ToUnits(std::int32_t frames) const {
    return rate < 1 ? 0
                    : static_cast<std::int32_t>(static_cast<std::int64_t>(frames) *
                                                kTimeUnitsPerSecond / rate);
}

void LPlayDlgBase::Scroll(int request) {
    auto* scroll = ItemAs<QScrollBar>(kIdScroll);
    switch (request) {
        case QAbstractSlider::SliderSingleStepSub:
        case QAbstractSlider::SliderPageStepSub:
            SetPosition(std::max(position - kScrollStep, 0));
            break;
        case QAbstractSlider::SliderSingleStepAdd:
        case QAbstractSlider::SliderPageStepAdd:
            SetPosition(position + kScrollStep);
            break;
        case QAbstractSlider::SliderMove:
            SetPosition(static_cast<std::int32_t>(static_cast<std::int64_t>(length) *
                                                  scroll->sliderPosition() / kScrollRange));
            break;
        case QAbstractSlider::SliderToMinimum:
            GoToStart();
            return;
        case QAbstractSlider::SliderToMaximum:
            GoToEnd();
            return;
        default:
            return;
    }
    ShowPosition();
    if (player.IsActive()) {
        player.Seek(ToFrames(position));
    }
}

void LPlayDlgBase::OnWaveCommand(int code) {
    switch (code) {
        case kWaveClicked: {
            std::int32_t frame = view.Snapshot().cursorFrame;
            if (player.IsActive()) {
                player.Seek(frame);
            } else {
                SetPosition(ToUnits(frame));
                ShowPosition();
            }
            break;
        }
        case kWaveRewindStart:
            StartWinding(Winding::Rewinding);
            break;
        case kWaveForwardStart:
            StartWinding(Winding::Forwarding);
            break;
        case kWaveForwardStop:
        case kWaveRewindStop:
            StopWinding();
            break;
        default:
            break;
    }
}

std::int8_t LPlayDlgBase::PlayerDevice() const {
    return static_cast<std::int8_t>(params.device <= kMaxDevices ? params.device : -1);
}

void LPlayDlgBase::ApplyVolume() {
    SetPlayVolume(PlayerDevice(), params.volume, 0);
}
