// The tip of the day.
#include "ui/TipDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "settings/SettingsKeys.h"
#include "ui/Help.h"

TipDialog::TipDialog(std::string settingsFile, int number, QWidget* parent)
    : LDialog(parent), settingsFile(std::move(settingsFile)), number(number) {
    setWindowTitle(QStringLiteral("Quillon Tips"));
    auto* text = Bind(kIdTip, new QTextBrowser(this));
    text->setOpenExternalLinks(true);
    text->setMinimumSize(380, 180);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(
        Bind(kIdShowTips, new QCheckBox(QStringLiteral("Show tips on startup"), this)));
    buttons->addStretch(1);
    buttons->addWidget(Bind(kIdNextTip, new QPushButton(QStringLiteral("&Next Tip"), this)));
    auto* close = Bind(kIdOK, new QPushButton(QStringLiteral("Close"), this));
    close->setDefault(true);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(buttons);
}

void TipDialog::OnInit() {
    SetChecked(kIdShowTips, ReadSetting(settingsFile, settings::kShowTip));
    ShowTipPage();
}

void TipDialog::OnCommand(int id, int /*code*/) {
    switch (id) {
        case kIdShowTips:
            WriteSetting(settingsFile, settings::kShowTip, IsChecked(kIdShowTips));
            break;
        case kIdNextTip:
            number = (number + 1) % kNumTips;
            ShowTipPage();
            break;
        default:
            break;
    }
}

void TipDialog::ShowTipPage() {
    std::string file = HelpPageFile(kHelpFirstTip + number);
    ItemAs<QTextBrowser>(kIdTip)->setSource(QUrl::fromLocalFile(QString::fromStdString(file)));
}

int TakeStartupTip(const std::string& settingsFile) {
    // A negative count, from a hand-edited file, still picks one of the ten tips.
    int tip = (ReadSetting(settingsFile, settings::kTipNo) % kNumTips + kNumTips) % kNumTips;
    WriteSetting(settingsFile, settings::kTipNo, tip + 1);
    return tip;
}

bool HasTip(int number) {
    return QFileInfo::exists(QString::fromStdString(HelpPageFile(kHelpFirstTip + number)));
}
