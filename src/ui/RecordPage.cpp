// The Record page of the settings sheet.
#include "ui/RecordPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/SettingsKeys.h"
#include "settings/TimeText.h"
#include "ui/Help.h"
#include "ui/MessageTexts.h"
#include "ui/NumberEdit.h"

namespace {

QPushButton* Button(const char* text, QWidget* parent) {
    return new QPushButton(QString::fromLatin1(text), parent);
}

// The play and change buttons of one announcement, indented under its check box.
QHBoxLayout* PromptButtons(QWidget* play, QWidget* change) {
    auto* row = new QHBoxLayout;
    row->addSpacing(20);
    row->addWidget(play);
    row->addWidget(change);
    row->addStretch(1);
    return row;
}

}  // namespace

RecordPage::RecordPage(std::string settingsFile, std::string dataFolder, QWidget* parent)
    : PromptPage(std::move(settingsFile), std::move(dataFolder),
                 {messages::kRecordPagePlayError, "Prompt", "Load Audio File"}, parent) {
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(
        Bind(kIdStartPrompt,
             new QCheckBox(QStringLiteral("Play Recording-Started Announcement"), this)));
    layout->addLayout(PromptButtons(
        Bind(kIdPlayStartPrompt, Button("Play Recording-Started Announcement", this)),
        Bind(kIdChangeStartPrompt, Button("Change Recording-Started Announcement", this))));
    RoutePromptButtons(kIdPlayStartPrompt, kIdChangeStartPrompt, PromptSlot::StartPrompt);
    layout->addSpacing(8);

    layout->addWidget(
        Bind(kIdRecordTone, new QCheckBox(QStringLiteral("Use Recording Tones"), this)));
    auto* intervalLabel =
        Bind(kIdToneIntervalLabel, new QLabel(QStringLiteral("Recording Tone Interval"), this));
    auto* interval = Bind(kIdToneInterval, new QLineEdit(this));
    interval->setMaxLength(16);
    interval->setFixedWidth(
        interval->fontMetrics().horizontalAdvance(QStringLiteral("-00:00:00.00")) + 12);
    intervalLabel->setBuddy(interval);
    auto* intervalRow = new QHBoxLayout;
    intervalRow->addSpacing(20);
    intervalRow->addWidget(intervalLabel);
    intervalRow->addWidget(interval);
    intervalRow->addStretch(1);
    layout->addLayout(intervalRow);
    layout->addSpacing(8);

    layout->addWidget(Bind(
        kIdEndPrompt, new QCheckBox(QStringLiteral("Play Recording-Stopped Announcement"), this)));
    layout->addLayout(PromptButtons(
        Bind(kIdPlayEndPrompt, Button("Play Recording-Stopped Announcement", this)),
        Bind(kIdChangeEndPrompt, Button("Change Recording-Stopped Announcement", this))));
    RoutePromptButtons(kIdPlayEndPrompt, kIdChangeEndPrompt, PromptSlot::EndPrompt);
    layout->addSpacing(8);

    auto* days = Bind(kIdDeleteDays, NewNumberEdit(this));
    auto* daysRow = new QHBoxLayout;
    daysRow->addWidget(new QLabel(QStringLiteral("Automatically delete files after"), this));
    daysRow->addWidget(days);
    daysRow->addWidget(new QLabel(QStringLiteral("days"), this));
    daysRow->addStretch(1);
    layout->addLayout(daysRow);
    layout->addStretch(1);
}

void RecordPage::OnInit() {
    SetChecked(kIdStartPrompt, ReadSetting(settingsFile, settings::kStartPrompt));
    SetChecked(kIdRecordTone, ReadSetting(settingsFile, settings::kRecordTone));
    SetChecked(kIdEndPrompt, ReadSetting(settingsFile, settings::kEndPrompt));
    ItemAs<QLineEdit>(kIdToneInterval)
        ->setText(QString::fromStdString(
            FormatTime1(ReadSetting(settingsFile, settings::kRecordToneInterval))));
    // This page shows a year for a missing setting, and so writes a year back on OK.
    std::int32_t days =
        ReadIntSetting(settingsFile, kSettingsSection, settings::kDeleteFileDays.name,
                       settings::kDeleteFileDaysShown);
    ItemAs<QLineEdit>(kIdDeleteDays)->setText(QString::number(days));
}

bool RecordPage::OnOK() {
    WriteSetting(settingsFile, settings::kStartPrompt, IsChecked(kIdStartPrompt));
    WriteSetting(settingsFile, settings::kRecordTone, IsChecked(kIdRecordTone));
    WriteSetting(settingsFile, settings::kEndPrompt, IsChecked(kIdEndPrompt));
    WriteSetting(settingsFile, settings::kRecordToneInterval,
                 ParseTime(ItemAs<QLineEdit>(kIdToneInterval)->text().toStdString()));
    WriteSetting(settingsFile, settings::kDeleteFileDays,
                 ParseIntValue(ItemAs<QLineEdit>(kIdDeleteDays)->text().toStdString()));
    return true;
}

void RecordPage::OnHelp() {
    ShowHelp(kHelpRecordPage);
}

void RecordPage::Update() {
    bool start = IsChecked(kIdStartPrompt);
    EnableItem(kIdPlayStartPrompt, start);
    EnableItem(kIdChangeStartPrompt, start);
    bool tone = IsChecked(kIdRecordTone);
    EnableItem(kIdToneIntervalLabel, tone);
    EnableItem(kIdToneInterval, tone);
    bool end = IsChecked(kIdEndPrompt);
    EnableItem(kIdPlayEndPrompt, end);
    EnableItem(kIdChangeEndPrompt, end);
}
