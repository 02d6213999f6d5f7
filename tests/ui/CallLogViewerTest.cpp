// The caller log viewer: the list, the enable rules, view, print, and delete after asking.
#include "ui/CallLogViewer.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include "UiTestSupport.h"
#include "support/TempDir.h"
#include "ui/HelpWindow.h"

namespace {

using Paths = std::vector<std::string>;

class CallLogViewerTest : public ::testing::Test {
protected:
    void SetUp() override { QtWidgetsTestApp(); }
    void TearDown() override {
        delete HelpWindow::Current();
        EXPECT_TRUE(urls.urls.empty());
    }

    std::unique_ptr<CallLogViewer> Open() {
        auto viewer = std::make_unique<CallLogViewer>(logs, nullptr);
        viewer->print = [this](const std::string& path, QWidget*) {
            printed.push_back(path);
            return true;
        };
        viewer->Initialize();
        return viewer;
    }
    static QStringList Items(CallLogViewer& viewer) {
        QStringList items;
        auto* list = viewer.ItemAs<QListWidget>(CallLogViewer::kIdList);
        for (int i = 0; i < list->count(); ++i) {
            items << list->item(i)->text();
        }
        return items;
    }
    static void Select(CallLogViewer& viewer, int row) {
        viewer.ItemAs<QListWidget>(CallLogViewer::kIdList)->setCurrentRow(row);
    }
    // Whether View, Print and Delete are enabled; they go together, and Close always is.
    static bool ButtonsEnabled(CallLogViewer& viewer) {
        bool view = viewer.IsItemEnabled(CallLogViewer::kIdView);
        EXPECT_EQ(viewer.IsItemEnabled(CallLogViewer::kIdPrint), view);
        EXPECT_EQ(viewer.IsItemEnabled(CallLogViewer::kIdDelete), view);
        EXPECT_TRUE(viewer.IsItemEnabled(kIdOK));
        return view;
    }

    TempDir dir;
    std::string logs = dir.Path() + "/";
    MessageRecorder messages;
    UrlRecorder urls;  // nothing goes to the desktop
    Paths printed;
};

TEST_F(CallLogViewerTest, ListsEveryTextFileInDateOrderAndWithoutASelectionOnlyCloseWorks) {
    logs = dir / "no such folder/";
    EXPECT_TRUE(Items(*Open()).isEmpty());
    logs = dir.Path() + "/";
    for (const char* name : {"Log 2026-12-05.txt", "Log 2025-01-31.txt", "Log 2026-02-14.txt",
                             "notes.txt", "2026-12-05 10-00-00 555.wav", "old.txt.bak"}) {
        WriteFile(dir / name, "x");
    }
    auto viewer = Open();
    EXPECT_EQ(Items(*viewer),
              (QStringList{"Log 2025-01-31", "Log 2026-02-14", "Log 2026-12-05", "notes"}));
    EXPECT_FALSE(ButtonsEnabled(*viewer));  // nothing selected at first
    viewer->Command(CallLogViewer::kIdView);
    viewer->Command(CallLogViewer::kIdDelete);
    EXPECT_EQ(HelpWindow::Current(), nullptr);
    EXPECT_TRUE(messages.requests.empty());
    Select(*viewer, 2);
    EXPECT_TRUE(ButtonsEnabled(*viewer));
    EXPECT_EQ(viewer->SelectedFile(), logs + "Log 2026-12-05.txt");
    viewer->Command(kIdOK);
    EXPECT_EQ(viewer->result(), kResultOK);
}

TEST_F(CallLogViewerTest, ViewShowsTheLogInTheHelpWindowOverTheViewerPrintPrintsAndDeleteAsks) {
    WriteFile(dir / "Log 2026-12-04.txt", "x");
    WriteFile(dir / "Log 2026-12-05.txt", "12:00:00 Incoming call 5551234 SMITH J\n");
    WriteFile(dir / "SHOUTED.TXT", "x");
    auto viewer = Open();
    Select(*viewer, 1);
    QTest::mouseClick(viewer->ItemAs<QPushButton>(CallLogViewer::kIdView), Qt::LeftButton);
    HelpWindow* window = HelpWindow::Current();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->parentWidget(), viewer.get());
    EXPECT_EQ(window->Browser()->toPlainText(), "12:00:00 Incoming call 5551234 SMITH J\n");
    EXPECT_EQ(window->windowTitle(), "Log 2026-12-05");
    Select(*viewer, 2);
    QTest::mouseClick(viewer->ItemAs<QPushButton>(CallLogViewer::kIdPrint), Qt::LeftButton);
    EXPECT_EQ(printed, Paths{logs + "SHOUTED.TXT"});  // whatever the case of its extension

    Select(*viewer, 1);
    messages.answer = kAnswerNo;
    viewer->Command(CallLogViewer::kIdDelete);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, "Confirm Delete");
    EXPECT_EQ(messages.requests[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(Exists(dir / "Log 2026-12-05.txt"));
    messages.answer = kAnswerYes;
    viewer->Command(CallLogViewer::kIdDelete);
    EXPECT_FALSE(Exists(dir / "Log 2026-12-05.txt"));
    EXPECT_EQ(Items(*viewer), (QStringList{"Log 2026-12-04", "SHOUTED"}));
    EXPECT_FALSE(ButtonsEnabled(*viewer));
}

}  // namespace
