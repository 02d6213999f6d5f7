// The level meter: level clamps, bar geometry, what a change repaints, and the colours drawn.
#include "controls/LDBDisplay.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPaintEvent>
#include <QTest>
#include <array>

#include "support/QtWidgetsTestApp.h"

namespace {

// A shown meter 192 pixels wide (4 pixels per dB) that remembers the region of every paint.
class RecordingMeter : public LDBDisplay {
public:
    explicit RecordingMeter(int height) {
        resize(192, height);
        show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(this));
        NextPaint();
    }
    // What was repainted since the last call.
    QRegion NextPaint() {
        QCoreApplication::processEvents();
        return std::exchange(painted, QRegion());
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        painted += event->region();
        LDBDisplay::paintEvent(event);
    }

private:
    QRegion painted;
};

class LDBDisplayTest : public ::testing::Test {
protected:
    QApplication& application = QtWidgetsTestApp();  // before any widget
};

TEST_F(LDBDisplayTest, LevelsAreClampedToTheScaleOfAtMostEightBars) {
    for (auto [level, shown] :
         {std::pair{-50, -36}, {-127, -36}, {-36, -36}, {0, 0}, {12, 12}, {20, 12}, {127, 12}}) {
        LDBDisplay meter;
        meter.SetLevel(static_cast<std::int8_t>(level));
        EXPECT_EQ(meter.NumBars(), 1);
        EXPECT_EQ(meter.Level(0), shown) << level;
    }
    std::array<std::int8_t, 10> levels{};
    LDBDisplay meter;
    meter.SetLevels(levels);
    EXPECT_EQ(meter.NumBars(), 8);
    meter.SetLevels({});
    EXPECT_EQ(meter.NumBars(), 0);
}

TEST_F(LDBDisplayTest, ScalePutsZeroThreeQuartersAcross) {
    EXPECT_EQ(LDBDisplay::LevelX(-36, 192), 0);
    EXPECT_EQ(LDBDisplay::LevelX(0, 192), 144);
    EXPECT_EQ(LDBDisplay::LevelX(12, 192), 192);
    EXPECT_EQ(LDBDisplay::LevelX(-35, 100), 2);  // rounds down
}

TEST_F(LDBDisplayTest, AChangedLevelRepaintsOnlyTheSpanBetweenOldAndNew) {
    RecordingMeter meter(20);
    meter.SetLevel(-36);
    EXPECT_EQ(meter.NextPaint(), QRegion(0, 0, 192, 20));  // one bar where there were none
    meter.SetLevel(0);
    EXPECT_EQ(meter.NextPaint(), QRegion(0, 0, 144, 20));
    meter.SetLevel(-6);  // falling repaints the same way
    EXPECT_EQ(meter.NextPaint(), QRegion(120, 0, 24, 20));
    meter.SetLevel(-6);
    meter.SetLevel(-7);  // an unchanged level repaints nothing
    EXPECT_EQ(meter.NextPaint(), QRegion(116, 0, 4, 20));
    meter.SetLevel(-60);  // clamped: from -7 to -36
    EXPECT_EQ(meter.NextPaint(), QRegion(0, 0, 116, 20));
}

TEST_F(LDBDisplayTest, EachBarRepaintsWithinItsOwnRows) {
    RecordingMeter meter(21);
    std::array<std::int8_t, 3> levels{-36, -36, -36};
    meter.SetLevels(levels);
    meter.NextPaint();
    levels[1] = 12;
    meter.SetLevels(levels);
    EXPECT_EQ(meter.NextPaint(), QRegion(0, 7, 192, 7));
    meter.SetLevel(0);
    meter.NextPaint();
    meter.SetLevels(levels);  // three bars where there was one: everything
    EXPECT_EQ(meter.NextPaint(), QRegion(meter.rect()));
}

TEST_F(LDBDisplayTest, PaintsGreenBelowZeroRedAboveAndBlackBeyondAndGreyWhenDisabled) {
    LDBDisplay meter;
    meter.resize(192, 10);
    meter.SetLevel(6);  // green to 144, red to 168, black after
    QImage image = meter.grab().toImage();
    auto colour = [&](int x) {
        QColor c = image.pixelColor(x, 5);
        if (c.green() > 2 * c.red() && c.green() > 2 * c.blue()) {
            return 'g';
        }
        if (c.red() > 2 * c.green() && c.red() > 2 * c.blue()) {
            return 'r';
        }
        return c.red() < 16 && c.green() < 16 && c.blue() < 16 ? 'k' : '?';
    };
    const int xs[] = {0, 1, 2, 70, 140, 142, 144, 145, 160, 166, 168, 170, 191};
    const char expected[] = "ggggggrrrrkkk";
    for (std::size_t i = 0; i < std::size(xs); ++i) {
        EXPECT_EQ(colour(xs[i]), expected[i]) << xs[i];
    }
    meter.setEnabled(false);
    image = meter.grab().toImage();
    EXPECT_EQ(image.pixelColor(10, 5), QColor(128, 128, 128));
    EXPECT_EQ(image.pixelColor(180, 5), QColor(128, 128, 128));
}

TEST_F(LDBDisplayTest, SunkenBorderIsWhiteAtBottomAndRight) {
    LDBDisplay meter;
    meter.resize(193, 11);
    meter.SetSunken(true);
    EXPECT_EQ(meter.BarArea(), QRect(0, 0, 192, 10));
    meter.SetLevel(-36);
    QImage image = meter.grab().toImage();
    EXPECT_EQ(image.pixelColor(192, 3), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(50, 10), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(50, 9), QColor(Qt::black));
}

}  // namespace
