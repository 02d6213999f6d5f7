// The splash screen, the caller ID popup and the About box.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QTest>

#include "app/AboutDialog.h"
#include "app/Artwork.h"
#include "app/CallerIdFlash.h"
#include "app/LSplashScreen.h"
#include "support/QtTestApp.h"
#include "support/QtWidgetsTestApp.h"

namespace {

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override { QtWidgetsTestApp(); }
    static void DeleteLater() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(WindowsTest, SplashStaysOnTopForSevenSecondsOrToALeftClick) {
    QWidget owner;
    QPointer<LSplashScreen> splash = new LSplashScreen(&owner);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_TRUE(splash->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(splash->size(), SplashPicture().size() + QSize(4, 88));  // the picture and its text
    EXPECT_EQ(splash->Timer().interval(), 7000);
    FireTimer(splash->Timer());
    DeleteLater();
    EXPECT_TRUE(splash.isNull());  // gone, and the owner's pointer with it

    splash = new LSplashScreen(&owner);
    QTest::mouseClick(splash, Qt::RightButton);
    DeleteLater();
    ASSERT_FALSE(splash.isNull());
    QTest::mouseClick(splash, Qt::LeftButton);
    DeleteLater();
    EXPECT_TRUE(splash.isNull());
}

TEST_F(WindowsTest, PopupReplacesTheFirstClosesAfterFifteenSecondsShowsLinesWithTextNearTheTray) {
    CallerIdFlash flash;
    flash.Show(QStringLiteral("Incoming call\r\n5551234 JOHN SMITH"));
    QPointer<QWidget> first = flash.Popup();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isActiveWindow());  // the focus stays where the user has it

    flash.CloseTimer().start(60000);  // as if it had been running for a while
    flash.Show(QStringLiteral("Incoming call\r\n5559876"));
    EXPECT_TRUE(first.isNull());
    QPointer<QWidget> second = flash.Popup();
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(flash.Text()->text(), "Incoming call\n5559876");
    EXPECT_TRUE(flash.CloseTimer().isActive());
    EXPECT_EQ(flash.CloseTimer().interval(), 15000);  // started again with the second popup

    FireTimer(flash.CloseTimer());
    DeleteLater();
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(flash.Popup(), nullptr);

    // Lines without text (no name, no number) are left out; markup is shown as it is.
    for (auto [text, shown] : {std::pair{"Incoming call\r\n5551234\r\n", "Incoming call\n5551234"},
                               {"Incoming call\r\n\r\nSMITH J", "Incoming call\nSMITH J"},
                               {"Incoming call\n555\n<b>A</b>", "Incoming call\n555\n<b>A</b>"}}) {
        flash.Show(QString::fromLatin1(text));
        EXPECT_EQ(flash.Text()->text(), shown) << text;
        EXPECT_EQ(flash.Text()->textFormat(), Qt::PlainText);
    }

    // It sits inside the screen, near the tray.
    flash.Show(QStringLiteral("Incoming call\r\n5551234"));
    QWidget* popup = flash.Popup();
    QRect screen = popup->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(popup->geometry()));
    EXPECT_GT(popup->geometry().center().x(), screen.center().x());  // towards the tray corner
    EXPECT_GT(popup->geometry().center().y(), screen.center().y());

    // Next to a tray icon at the top of the screen, the popup opens below it.
    QRect tray(screen.right() - 40, screen.top(), 24, 24);
    flash.Show(QStringLiteral("Incoming call"), tray);
    EXPECT_GE(flash.Popup()->y(), tray.bottom());
    EXPECT_TRUE(screen.contains(flash.Popup()->geometry()));
}

TEST_F(WindowsTest, AboutNamesTheProgramItsVersionAndMakerAndTheIconShowsSmall) {
    AboutDialog about;
    about.Initialize();
    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        texts << label->text();
    }
    for (const char* text : {"Quillon Recorder", "Version 2.01", "Made by Ostrel"}) {
        EXPECT_TRUE(texts.contains(text)) << text;
    }
    about.Command(kIdOK);
    EXPECT_EQ(about.result(), kResultOK);

    // The program's icon, shown there large, has its red recording dot at the small size too.
    EXPECT_EQ(ProgramIcon().pixmap(16, 16).size(), QSize(16, 16));
    QColor dot = ProgramIconPixmap(16).toImage().pixelColor(12, 4);
    EXPECT_GT(dot.red(), 150);
    EXPECT_LT(dot.green(), 140);
}

}  // namespace
