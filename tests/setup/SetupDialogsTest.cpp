// The terms dialog and the removal's question with its check box.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "setup/LicenceTermsDialog.h"
#include "setup/RemoveQuestionDialog.h"
#include "support/QtWidgetsTestApp.h"

namespace {

TEST(SetupDialogsTest, TheTermsAreAgreedOnlyWithIAgree) {
    QtWidgetsTestApp();
    for (int button : {kIdOK, kIdCancel}) {
        LicenceTermsDialog dialog;
        dialog.Initialize();
        EXPECT_EQ(dialog.windowTitle(), "Quillon Recorder Licence");
        EXPECT_TRUE(dialog.ItemAs<QPlainTextEdit>(LicenceTermsDialog::kIdTerms)->isReadOnly());
        EXPECT_EQ(dialog.ItemAs<QPushButton>(kIdOK)->text(), "I Agree");
        EXPECT_EQ(dialog.ItemAs<QPushButton>(kIdCancel)->text(), "I Do Not Agree");
        dialog.ItemAs<QPushButton>(button)->click();
        EXPECT_EQ(dialog.result(), button == kIdOK ? kResultOK : kResultCancel);
    }
}

TEST(SetupDialogsTest, TheQuestionKeepsRecordingsUnlessTheBoxIsTicked) {
    QtWidgetsTestApp();
    struct Row {
        bool tick;
        int button;
        int result;
        bool deleteRecordings;
    };
    for (const Row& row : {Row{false, kIdOK, kResultOK, false}, Row{true, kIdOK, kResultOK, true},
                           Row{true, kIdCancel, kResultCancel, false}}) {
        RemoveQuestionDialog dialog;
        dialog.Initialize();
        EXPECT_EQ(dialog.windowTitle(), "Uninstall Quillon Recorder");
        EXPECT_EQ(dialog.ItemAs<QLabel>(RemoveQuestionDialog::kIdQuestion)->text(),
                  "Are you sure you want to remove Quillon Recorder from this computer?");
        auto* box = dialog.ItemAs<QCheckBox>(RemoveQuestionDialog::kIdDeleteRecordings);
        EXPECT_EQ(box->text(), "Also delete my recordings and caller logs");
        EXPECT_FALSE(box->isChecked());
        box->setChecked(row.tick);
        dialog.ItemAs<QPushButton>(row.button)->click();
        EXPECT_EQ(dialog.result(), row.result);
        EXPECT_EQ(dialog.deleteRecordings, row.deleteRecordings);
    }
}

}  // namespace
