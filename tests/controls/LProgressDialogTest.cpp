// The progress dialog (re-entry, owner, texts, bar, Cancel) and the modeless dialog runner's
// order of key handling.
#include "controls/LProgressDialog.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <string>
#include <vector>

#include "controls/LDialog.h"
#include "support/QtWidgetsTestApp.h"

namespace {

// A progress dialog whose work is the test's.
class ScriptedProgress : public LProgressDialog {
public:
    std::function<std::uint32_t()> work;
    std::vector<int> messages;

protected:
    std::uint32_t Work() override { return work(); }
    bool HandleMessage(int message, qintptr /*first*/, qintptr /*second*/) override {
        messages.push_back(message);
        return true;
    }
};

class LProgressDialogTest : public ::testing::Test {
protected:
    QString Text(int id) const { return progress.Window()->ItemAs<QLabel>(id)->text(); }
    int Bar() const {
        return progress.Window()->ItemAs<QProgressBar>(LProgressDialog::kIdProgress)->value();
    }

    QApplication& application = QtWidgetsTestApp();  // before any widget
    QWidget owner;
    ScriptedProgress progress;
};

TEST_F(LProgressDialogTest, RunShowsTheDialogOverADisabledOwnerAndRefusesToRunAgainInsideWork) {
    progress.title = QStringLiteral("Synthesize Voice");
    progress.message = QStringLiteral("Please wait");
    owner.show();
    int works = 0;
    progress.work = [&]() -> std::uint32_t {
        ++works;
        LDialog* window = progress.Window();
        EXPECT_TRUE(window && window->isVisible());
        EXPECT_FALSE(owner.isEnabled());
        EXPECT_EQ(window->windowTitle(), progress.title);
        EXPECT_EQ(Text(LProgressDialog::kIdMessage), progress.message);
        EXPECT_EQ(Bar(), 0);
        EXPECT_TRUE(window->SendMessage(1027, 1, 2));
        EXPECT_EQ(progress.Run(&owner), 0u);  // already running: at once, no second Work
        EXPECT_FALSE(owner.isEnabled());
        return 7;
    };
    EXPECT_EQ(progress.Run(&owner), 7u);
    EXPECT_EQ(works, 1);
    EXPECT_EQ(progress.messages, std::vector<int>{1027});
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_EQ(progress.Window(), nullptr);
    EXPECT_EQ(progress.Run(&owner), 7u);  // running again once done
    EXPECT_EQ(works, 2);
}

TEST_F(LProgressDialogTest, SetTextFillsLinesZeroAndOneOnlyAndSetProgressTruncatesPercent) {
    progress.SetText(QStringLiteral("no dialog yet"), 0);  // closed: nothing happens
    progress.SetProgress(0.5);
    progress.work = [&]() -> std::uint32_t {
        progress.SetText(QStringLiteral("Process Audio File"), 0);
        progress.SetText(QStringLiteral("Start Prompt.wav"), 1);
        progress.SetText(QStringLiteral("ignored"), 2);
        progress.SetText(QStringLiteral("ignored"), -1);
        EXPECT_EQ(Text(LProgressDialog::kIdFirstLine), QStringLiteral("Process Audio File"));
        EXPECT_EQ(Text(LProgressDialog::kIdSecondLine), QStringLiteral("Start Prompt.wav"));
        EXPECT_EQ(Text(LProgressDialog::kIdMessage), QString());

        struct Row {
            double fraction;
            int percent;
        };
        for (Row row : {Row{0.555, 55}, Row{0.0, 0}, Row{0.999, 99}, Row{1.0, 100}, Row{1.5, 100},
                        Row{-0.25, 0}}) {
            progress.SetProgress(row.fraction);
            EXPECT_EQ(Bar(), row.percent) << row.fraction;
        }
        return 1;
    };
    EXPECT_EQ(progress.Run(nullptr), 1u);  // a dialog without an owner
}

TEST_F(LProgressDialogTest, CancelClosesTheDialogSoThatTheNextPumpEndsTheWork) {
    int steps = 0;
    progress.work = [&]() -> std::uint32_t {
        for (; steps < 10; ++steps) {
            if (steps == 3) {
                // A click waiting in the queue, as the user's would: the next Pump delivers it.
                QMetaObject::invokeMethod(progress.Window()->Item(kIdCancel), "click",
                                          Qt::QueuedConnection);
            }
            if (progress.Pump()) {
                return 0;
            }
        }
        return 1;
    };
    owner.show();
    EXPECT_EQ(progress.Run(&owner), 0u);
    EXPECT_EQ(steps, 3);
    EXPECT_TRUE(owner.isEnabled());

    // Cancelled before the work began: Run's own first Pump sees it, and Work never runs.
    steps = 0;
    QTimer::singleShot(0, &owner, [&] { QTest::keyClick(progress.Window(), Qt::Key_Escape); });
    EXPECT_EQ(progress.Run(&owner), 0u);
    EXPECT_EQ(steps, 0);
    EXPECT_TRUE(owner.isEnabled());
}

// A dialog whose key hook takes Space and lets every other key through to its name field.
class KeyDialog : public LDialog {
public:
    KeyDialog() { name->setFocus(); }

    bool PreTranslate(QKeyEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        bool take = event->key() == Qt::Key_Space;
        trace.push_back(event->text().toStdString() + (take ? " taken" : ""));
        return take;
    }
    bool OnCancel() override {
        trace.push_back("cancel");
        return true;
    }

    std::vector<std::string> trace;
    QLineEdit* name = Bind(101, new QLineEdit(this));
};

TEST_F(LProgressDialogTest, TheRunnerGivesEachKeyToTheHookFirstThenToTheDialogUntilItFinishes) {
    owner.show();
    KeyDialog dialog;
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_FALSE(owner.isEnabled());
        EXPECT_TRUE(dialog.isVisible() && dialog.isEnabled());
        QWindow* window = dialog.windowHandle();
        QTest::keyClick(window, Qt::Key_Space);
        QTest::keyClick(window, Qt::Key_A);
        QTest::keyClick(window, Qt::Key_Escape);  // not taken: the dialog's own Esc cancels it
    });
    EXPECT_EQ(RunModelessDialog(dialog, &owner), kResultCancel);
    EXPECT_EQ(dialog.trace, (std::vector<std::string>{"  taken", "a", "\x1b", "cancel"}));
    EXPECT_EQ(dialog.name->text(), QStringLiteral("a"));
    EXPECT_TRUE(owner.isEnabled());
}

}  // namespace
