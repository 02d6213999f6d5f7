// The General page of the settings sheet.
#include "ui/GeneralPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "audio/devices/WaveDevices.h"
#include "controls/LDBEdit.h"
#include "settings/SettingsKeys.h"
#include "ui/Help.h"
#include "ui/LineDevices.h"
#include "ui/MessageTexts.h"

namespace {

// Selects `index` when the list has it, else nothing.
void SelectIndex(QComboBox* combo, int index) {
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

}  // namespace

GeneralPage::GeneralPage(std::string settingsFile, LineDevices& lines, QWidget* parent)
    : LDialog(parent), settingsFile(std::move(settingsFile)), lines(lines) {
    auto* layout = new QVBoxLayout(this);

    auto* lineLabel = new QLabel(QStringLiteral("Voice Modem or Telephony &Device"), this);
    auto* lineDevice = Bind(kIdLineDevice, new QComboBox(this));
    lineDevice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lineDevice->setMinimumContentsLength(28);
    lineLabel->setBuddy(lineDevice);
    auto* configure =
        Bind(kIdConfigureDevice, new QPushButton(QStringLiteral("Configure Device"), this));
    auto* lineRow = new QHBoxLayout;
    lineRow->addWidget(lineDevice, 1);
    lineRow->addWidget(configure);
    layout->addWidget(lineLabel);
    layout->addLayout(lineRow);
    layout->addSpacing(8);

    auto* playLabel = new QLabel(QStringLiteral("&Playback Device"), this);
    auto* playDevice = Bind(kIdPlaybackDevice, new QComboBox(this));
    playDevice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    playDevice->setMinimumContentsLength(28);
    playLabel->setBuddy(playDevice);
    layout->addWidget(playLabel);
    layout->addWidget(playDevice);

    auto* volumeLabel = new QLabel(QStringLiteral("Play &Volume:"), this);
    auto* volume = Bind(kIdPlayVolume, new LDBEdit(this));
    volume->SetSunken(true);
    volume->setFixedWidth(160);
    volumeLabel->setBuddy(volume);
    auto* volumeRow = new QHBoxLayout;
    volumeRow->addWidget(volumeLabel);
    volumeRow->addWidget(volume);
    volumeRow->addStretch(1);
    layout->addLayout(volumeRow);
    layout->addSpacing(8);

    layout->addWidget(
        Bind(kIdCidFlash,
             new QCheckBox(QStringLiteral("Flash Caller ID of incoming calls on screen"), this)));
    layout->addWidget(
        Bind(kIdShowTip, new QCheckBox(QStringLiteral("Show Quillon Tips on startup"), this)));
    layout->addStretch(1);
}

void GeneralPage::OnInit() {
    auto* lineDevice = ItemAs<QComboBox>(kIdLineDevice);
    int count = lines.NumDevices();
    for (int device = 0; device < count; ++device) {
        lineDevice->addItem(QString::fromStdString(lines.GetLineName(device)));
    }
    SelectIndex(lineDevice, ReadSetting(settingsFile, settings::kDevice));

    auto* playDevice = ItemAs<QComboBox>(kIdPlaybackDevice);
    std::vector<std::string> names = WaveDeviceNames(WaveDirection::Output);
    names.resize(std::min<std::size_t>(names.size(), kMaxPlaybackDevices));
    for (const std::string& name : names) {
        playDevice->addItem(QString::fromStdString(name));
    }
    SelectIndex(playDevice, ReadSetting(settingsFile, settings::kPlayDevice));

    ItemAs<LDBEdit>(kIdPlayVolume)->SetValue(ReadSetting(settingsFile, settings::kPlayVolume));
    SetChecked(kIdCidFlash, ReadSetting(settingsFile, settings::kCidFlash));
    SetChecked(kIdShowTip, ReadSetting(settingsFile, settings::kShowTip));
}

bool GeneralPage::OnOK() {
    int device = ItemAs<QComboBox>(kIdLineDevice)->currentIndex();
    if (device >= 0) {
        if (!lines.IsVoiceLine(device)) {
            ShowMessage(this, messages::kDeviceNotVoice);
            return false;
        }
        WriteSetting(settingsFile, settings::kDevice, device);
    }
    // Like the line device, a playback device the list does not show keeps its setting.
    if (int playDevice = ItemAs<QComboBox>(kIdPlaybackDevice)->currentIndex(); playDevice >= 0) {
        WriteSetting(settingsFile, settings::kPlayDevice, playDevice);
    }
    WriteSetting(settingsFile, settings::kPlayVolume, ItemAs<LDBEdit>(kIdPlayVolume)->GetValue());
    WriteSetting(settingsFile, settings::kCidFlash, IsChecked(kIdCidFlash));
    WriteSetting(settingsFile, settings::kShowTip, IsChecked(kIdShowTip));
    return true;
}

void GeneralPage::OnHelp() {
    ShowHelp(kHelpGeneralPage);
}

void GeneralPage::OnCommand(int id, int /*code*/) {
    if (id == kIdConfigureDevice) {
        if (int device = ItemAs<QComboBox>(kIdLineDevice)->currentIndex(); device >= 0) {
            lines.ConfigDialog(device, this);
        }
    }
}
