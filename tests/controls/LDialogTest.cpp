// The dialog framework: initialisation, notifications as commands, OK, Cancel, help, enabling.
#include "controls/LDialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "controls/LDBEdit.h"
#include "support/QtWidgetsTestApp.h"

namespace {

class TraceDialog : public LDialog {
public:
    TraceDialog() {
        combo->addItems({QStringLiteral("a"), QStringLiteral("b")});
        list->addItems({QStringLiteral("x"), QStringLiteral("y")});
    }

    void OnInit() override { trace.push_back("init"); }
    bool OnOK() override {
        trace.push_back("ok");
        return allowOK;
    }
    bool OnCancel() override {
        trace.push_back("cancel");
        return allowCancel;
    }
    void OnHelp() override { trace.push_back("help"); }
    void Update() override { trace.push_back("update"); }
    void OnCommand(int id, int code) override {
        trace.push_back(std::to_string(id) + ":" + std::to_string(code));
    }
    void OnDestroy() override { trace.push_back("destroy"); }
    bool OnMessage(int message, qintptr first, qintptr second) override {
        trace.push_back("message " + std::to_string(message) + " " + std::to_string(first) + " " +
                        std::to_string(second));
        return message == 1027;
    }

    std::vector<std::string> trace;
    bool allowOK = true;
    bool allowCancel = true;
    QPushButton* button = Bind(101, new QPushButton(QStringLiteral("Go"), this));
    QCheckBox* check = Bind(102, new QCheckBox(QStringLiteral("Check"), this));
    QComboBox* combo = Bind(103, new QComboBox(this));
    QLineEdit* edit = Bind(104, new QLineEdit(this));
    LDBEdit* dbEdit = Bind(105, new LDBEdit(this));
    QListWidget* list = Bind(106, new QListWidget(this));
    QAction* action = BindAction(2001, new QAction(QStringLiteral("Record"), this));
};

using Trace = std::vector<std::string>;

class LDialogTest : public ::testing::Test {
protected:
    QApplication& application = QtWidgetsTestApp();  // before any widget
    TraceDialog dialog;
};

TEST_F(LDialogTest, InitRunsOnceThenUpdateWhetherCalledOrShownAndARefusedOKKeepsItOpen) {
    dialog.Initialize();
    dialog.Initialize();
    dialog.show();
    EXPECT_EQ(dialog.trace, (Trace{"init", "update"}));
    TraceDialog shown;
    shown.show();
    EXPECT_TRUE(shown.IsInitialized());
    EXPECT_EQ(shown.trace, (Trace{"init", "update"}));

    dialog.trace.clear();
    dialog.allowOK = false;
    dialog.Command(kIdOK);
    EXPECT_FALSE(dialog.IsFinished());
    dialog.allowOK = true;
    dialog.Command(kIdOK);
    EXPECT_EQ(dialog.result(), kResultOK);
    EXPECT_EQ(dialog.trace, (Trace{"ok", "update", "ok", "destroy"}));  // no Update once closed
}

TEST_F(LDialogTest, ControlNotificationsArriveAsCommandsFollowedByUpdateAndProgramChangesDoNot) {
    dialog.Initialize();
    dialog.trace.clear();
    QTest::mouseClick(dialog.button, Qt::LeftButton);
    dialog.check->click();
    emit dialog.combo->activated(1);
    QTest::keyClicks(dialog.edit, QStringLiteral("7"));
    dialog.dbEdit->resize(128, 20);
    QTest::mousePress(dialog.dbEdit, Qt::LeftButton, {}, QPoint(100, 5));
    dialog.list->setCurrentRow(1);
    dialog.action->trigger();
    EXPECT_EQ(dialog.trace,
              (Trace{"101:0", "update", "102:0", "update", "103:1", "update", "104:768", "update",
                     "105:768", "update", "106:1", "update", "2001:0", "update"}));
    // Changes the program makes are no commands.
    dialog.trace.clear();
    dialog.edit->setText(QStringLiteral("typed by the program"));
    dialog.dbEdit->SetValue(-6);
    dialog.SetChecked(102, true);
    EXPECT_TRUE(dialog.trace.empty());
    EXPECT_TRUE(dialog.IsChecked(102));
}

TEST_F(LDialogTest, HelpAndF1CallOnHelpEscCancelAndCloseAskOnCancelAPageLeavesEscToItsDialog) {
    dialog.show();
    dialog.trace.clear();
    dialog.Command(kIdHelp);
    QTest::keyClick(&dialog, Qt::Key_F1);
    dialog.allowCancel = false;
    QTest::keyClick(&dialog, Qt::Key_Escape);
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());
    dialog.allowCancel = true;
    dialog.Command(kIdCancel);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), kResultCancel);
    dialog.done(kResultOK);  // destroyed once only
    EXPECT_EQ(dialog.trace,
              (Trace{"help", "update", "help", "cancel", "cancel", "cancel", "destroy"}));

    // A page inside another dialog leaves Esc to it.
    TraceDialog outer;
    auto* page = new TraceDialog;
    page->setParent(&outer);
    page->setWindowFlags(Qt::Widget);
    outer.show();
    outer.trace.clear();
    QTest::keyClick(page->edit, Qt::Key_Escape);
    EXPECT_EQ(page->trace, (Trace{"init", "update"}));
    EXPECT_EQ(outer.trace, (Trace{"cancel", "destroy"}));
}

TEST_F(LDialogTest, EnableItemReachesControlsAndMenuItemsAndMessagesReachOnMessage) {
    dialog.EnableItem(101, false);
    dialog.EnableItem(2001, false);
    EXPECT_FALSE(dialog.button->isEnabled() || dialog.IsItemEnabled(101));
    EXPECT_FALSE(dialog.action->isEnabled() || dialog.IsItemEnabled(2001));
    dialog.EnableItem(2001, true);
    EXPECT_TRUE(dialog.IsItemEnabled(2001));
    EXPECT_EQ(dialog.ItemAs<QLineEdit>(104), dialog.edit);
    EXPECT_EQ(dialog.ItemAs<QLineEdit>(101), nullptr);
    EXPECT_EQ(dialog.Item(999), nullptr);
    EXPECT_FALSE(dialog.IsItemEnabled(999));
    EXPECT_TRUE(dialog.SendMessage(1027, -12, 0));
    EXPECT_FALSE(dialog.SendMessage(1028, 0, 5));
    EXPECT_EQ(dialog.trace, (Trace{"message 1027 -12 0", "message 1028 0 5"}));
}

}  // namespace
