// The record dialog's advanced options: what follows auto-trim, and what OK writes back.
#include "controls/LRecordAdvancedDlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>

#include "controls/LDBEdit.h"
#include "controls/LRecordDlg.h"
#include "support/QtWidgetsTestApp.h"

namespace {

using Dlg = LRecordAdvancedDlg;

TEST(LRecordAdvancedDlgTest, VoiceOperationAndThresholdGoWithAutoTrimAndOKWritesThemBack) {
    QtWidgetsTestApp();
    LRecordParams params;
    params.flags = LPlayParams::kNameDisabled | LRecordParams::kVoiceActivated;
    params.threshold = -50;  // held within the range
    Dlg dialog(params);
    dialog.Initialize();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Advanced Settings"));
    EXPECT_FALSE(dialog.IsChecked(Dlg::kIdAutoTrim));
    EXPECT_TRUE(dialog.IsChecked(Dlg::kIdVoiceActivated));
    auto* threshold = dialog.ItemAs<LDBEdit>(Dlg::kIdThreshold);
    EXPECT_EQ(threshold->Minimum(), -40);
    EXPECT_EQ(threshold->Maximum(), -6);
    EXPECT_EQ(threshold->GetValue(), -40);
    EXPECT_FALSE(dialog.IsItemEnabled(Dlg::kIdVoiceActivated));
    for (bool ticked : {false, true, false}) {
        dialog.ItemAs<QCheckBox>(Dlg::kIdAutoTrim)->click();
        EXPECT_EQ(dialog.IsChecked(Dlg::kIdAutoTrim), !ticked);
        for (int id : {Dlg::kIdVoiceActivated, Dlg::kIdThresholdLabel, Dlg::kIdThreshold}) {
            EXPECT_EQ(dialog.IsItemEnabled(id), !ticked) << id;
        }
    }
    dialog.ItemAs<QCheckBox>(Dlg::kIdVoiceActivated)->click();
    threshold->SetValue(-12);
    dialog.Command(kIdOK);
    EXPECT_TRUE(dialog.IsFinished());
    EXPECT_EQ(params.flags, LPlayParams::kNameDisabled | LRecordParams::kAutoTrim);
    EXPECT_EQ(params.threshold, -12);
}

}  // namespace
