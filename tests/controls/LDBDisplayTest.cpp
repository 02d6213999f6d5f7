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
    for (auto [level, shown] : {std::pair{-127, -36}, {-36, -36}, {12, 12}, {127, 12}}) {
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
    EXPECT_EQ(LDBDisplay::LevelX(-35, 100), 2);  // rounds down
}

TEST_F(LDBDisplayTest, AChangedLevelRepaintsOnlyTheSpanBetweenOldAndNewInItsBarsRows) {
    RecordingMeter meter(21);
    meter.SetLevel(-36);
    EXPECT_EQ(meter.NextPaint(), QRegion(meter.rect()));  // one bar where there were none
    meter.SetLevel(0);                                    // zero three quarters across
    EXPECT_EQ(meter.NextPaint(), QRegion(0, 0, 144, 21));
    meter.SetLevel(-6);  // falling repaints the same way
    EXPECT_EQ(meter.NextPaint(), QRegion(120, 0, 24, 21));
    meter.SetLevel(-6);
    meter.SetLevel(-60);  // an unchanged level repaints nothing; clamped to -36
    EXPECT_EQ(meter.NextPaint(), QRegion(0, 0, 120, 21));

    std::array<std::int8_t, 3> levels{-36, -36, -36};
    meter.SetLevels(levels);  // three bars where there was one: everything
    EXPECT_EQ(meter.NextPaint(), QRegion(meter.rect()));
    levels[1] = 12;
    meter.SetLevels(levels);
    EXPECT_EQ(meter.NextPaint(), QRegion(0, 7, 192, 7));
}

TEST_F(LDBDisplayTest, PaintsGreenBelowZeroRedAboveBlackBeyondGreyWhenDisabledAndSunkenWhite) {
    LDBDisplay meter;
    meter.resize(193, 11);
    meter.SetSunken(true);
    EXPECT_EQ(meter.BarArea(), QRect(0, 0, 192, 10));
    meter.SetLevel(6);  // green to 144, red to 168, black after
    QImage image = meter.grab().toImage();
    auto colour = [&](int x) {  // green or red segments and their gaps, or black
        QColor c = image.pixelColor(x, 5);
        return c.green() > c.red() ? 'g' : c.red() > 2 * c.green() ? 'r' : c.red() == 0 ? 'k' : '?';
    };
    const int xs[] = {0, 142, 144, 166, 168, 191};
    const char expected[] = "ggrrkk";
    for (std::size_t i = 0; i < std::size(xs); ++i) {
        EXPECT_EQ(colour(xs[i]), expected[i]) << xs[i];
    }
    EXPECT_EQ(image.pixelColor(192, 3), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(50, 10), QColor(Qt::white));
    meter.setEnabled(false);
    EXPECT_EQ(meter.grab().toImage().pixelColor(180, 5), QColor(128, 128, 128));
}

}  // namespace
