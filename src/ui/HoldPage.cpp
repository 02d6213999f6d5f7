// The Hold page of the settings sheet.
#include "ui/HoldPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/LDBEdit.h"
#include "settings/SettingsKeys.h"
#include "ui/Help.h"
#include "ui/MessageTexts.h"
#include "ui/NumberEdit.h"

namespace {

constexpr int kGainMinimum = -8;
constexpr int kGainMaximum = 8;
constexpr int kThresholdMinimum = -18;
constexpr int kThresholdMaximum = 0;

}  // namespace

HoldPage::HoldPage(std::string settingsFile, std::string dataFolder, QWidget* parent)
    : PromptPage(std::move(settingsFile), std::move(dataFolder),
                 {messages::kHoldPagePlayError, "On-Hold", "Load On-Hold Audio File"}, parent) {
    auto* layout = new QVBoxLayout(this);

    auto* files = new QGridLayout;
    for (int n = 1; n <= kOnHoldFiles; ++n) {
        const int play = kIdPlayOnHold1 + 2 * (n - 1);
        const int change = kIdChangeOnHold1 + 2 * (n - 1);
        files->addWidget(
            Bind(play,
                 new QPushButton(QStringLiteral("Play On-Hold Messages / Music %1").arg(n), this)),
            n - 1, 0);
        files->addWidget(
            Bind(change, new QPushButton(
                             QStringLiteral("Change On-Hold Messages / Music %1").arg(n), this)),
            n - 1, 1);
        RoutePromptButtons(play, change, OnHoldSlot(n));
    }
    layout->addLayout(files);
    layout->addSpacing(12);

    auto* process = new QGridLayout;
    process->setColumnStretch(2, 1);
    auto* gain = Bind(kIdAudioGain, new LDBEdit(this));
    gain->SetRange(kGainMinimum, kGainMaximum);
    gain->SetSunken(true);
    gain->setFixedWidth(160);
    auto* highPass = Bind(kIdHighPass, NewNumberEdit(this));
    auto* threshold = Bind(kIdCompressorThreshold, new LDBEdit(this));
    threshold->SetRange(kThresholdMinimum, kThresholdMaximum);
    threshold->SetSunken(true);
    threshold->setFixedWidth(160);
    struct Row {
        const char* label;
        QWidget* control;
    };
    int row = 0;
    for (Row entry : {Row{"Volume Level Adjust (-8dB - +8dB)", gain},
                      Row{"Tone High Pass Filter (0 - 1500Hz)", highPass},
                      Row{"Compressor Threshold (-18 - 0dB)", threshold}}) {
        auto* label = new QLabel(QString::fromLatin1(entry.label), this);
        label->setBuddy(entry.control);
        process->addWidget(label, row, 0);
        process->addWidget(entry.control, row, 1, Qt::AlignLeft);
        ++row;
    }
    layout->addLayout(process);
    layout->addStretch(1);
}

void HoldPage::OnInit() {
    ItemAs<LDBEdit>(kIdAudioGain)->SetValue(ReadSetting(settingsFile, settings::kAudioGain));
    ItemAs<QLineEdit>(kIdHighPass)
        ->setText(QString::number(ReadSetting(settingsFile, settings::kAudioHighPass)));
    ItemAs<LDBEdit>(kIdCompressorThreshold)
        ->SetValue(ReadSetting(settingsFile, settings::kAudioCompressorThres));
}

bool HoldPage::OnOK() {
    WriteSetting(settingsFile, settings::kAudioGain, ItemAs<LDBEdit>(kIdAudioGain)->GetValue());
    WriteSetting(settingsFile, settings::kAudioCompressorThres,
                 ItemAs<LDBEdit>(kIdCompressorThreshold)->GetValue());
    WriteSetting(settingsFile, settings::kAudioHighPass,
                 ParseIntValue(ItemAs<QLineEdit>(kIdHighPass)->text().toStdString()));
    return true;
}

void HoldPage::OnHelp() {
    ShowHelp(kHelpHoldPage);
}
