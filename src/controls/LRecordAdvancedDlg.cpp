// The record dialog's advanced options.
#include "controls/LRecordAdvancedDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "controls/LDBEdit.h"
#include "controls/LRecordDlg.h"

LRecordAdvancedDlg::LRecordAdvancedDlg(LRecordParams& params, QWidget* parent)
    : LDialog(parent), params(params) {
    setWindowTitle(QStringLiteral("Advanced Settings"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(Bind(kIdAutoTrim, new QCheckBox(QStringLiteral("&AutoTrim Recording"), this)),
                    0, 0, 1, 3);
    // Voice operation and the threshold belong to trimming, so they sit indented under it.
    grid->setColumnMinimumWidth(0, DialogUnits(fontMetrics(), 10, 0).width());
    grid->addWidget(
        Bind(kIdVoiceActivated, new QCheckBox(QStringLiteral("&Voice Activated Recording"), this)),
        1, 1, 1, 2);
    auto* label = Bind(kIdThresholdLabel, new QLabel(QStringLiteral("&Threshold:"), this));
    auto* threshold = Bind(kIdThreshold, new LDBEdit(this));
    threshold->SetSunken(true);
    label->setBuddy(threshold->Field());
    grid->addWidget(label, 2, 1);
    grid->addWidget(threshold, 2, 2);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = Bind(kIdOK, buttons->addButton(QDialogButtonBox::Ok));
    ok->setDefault(true);
    grid->addWidget(buttons, 3, 0, 1, 3);
    grid->setColumnStretch(2, 1);
}

void LRecordAdvancedDlg::OnInit() {
    SetChecked(kIdAutoTrim, (params.flags & LRecordParams::kAutoTrim) != 0);
    SetChecked(kIdVoiceActivated, (params.flags & LRecordParams::kVoiceActivated) != 0);
    auto* threshold = ItemAs<LDBEdit>(kIdThreshold);
    threshold->SetRange(LRecordParams::kMinThreshold, LRecordParams::kMaxThreshold);
    threshold->SetValue(params.threshold);
}

void LRecordAdvancedDlg::Update() {
    bool trimming = IsChecked(kIdAutoTrim);
    for (int id : {kIdVoiceActivated, kIdThresholdLabel, kIdThreshold}) {
        EnableItem(id, trimming);
    }
}

bool LRecordAdvancedDlg::OnOK() {
    params.flags &= ~(LRecordParams::kAutoTrim | LRecordParams::kVoiceActivated);
    if (IsChecked(kIdAutoTrim)) {
        params.flags |= LRecordParams::kAutoTrim;
    }
    if (IsChecked(kIdVoiceActivated)) {
        params.flags |= LRecordParams::kVoiceActivated;
    }
    params.threshold = ItemAs<LDBEdit>(kIdThreshold)->GetValue();
    return true;
}
