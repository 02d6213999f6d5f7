// The level meter: level clamps, bar geometry, what a change repaints, and the colours drawn.
#include "controls/LDBDisplay.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPaintEvent>
#include <QTest>
#include <array>

#include "support/QtWidgetsTestApp.h"

namespace {

// Remembers the region of every paint.
class RecordingMeter : public LDBDisplay {
public:
    QRegion painted;

protected:
    void paintEvent(QPaintEvent* event) override {
        painted += event->region();
        LDBDisplay::paintEvent(event);
    }
};

class LDBDisplayTest : public ::testing::Test {
protected:
    void SetUp() override { QtWidgetsTestApp(); }

    // A shown meter 192 pixels wide (4 pixels per dB) whose first paint is done.
    void Show(RecordingMeter& meter, int height = 20) {
        meter.resize(192, height);
        meter.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&meter));
        QCoreApplication::processEvents();
        meter.painted = QRegion();
    }
    QRegion NextPaint(RecordingMeter& meter) {
        QCoreApplication::processEvents();
        QRegion region = meter.painted;
        meter.painted = QRegion();
        return region;
    }
};

TEST_F(LDBDisplayTest, LevelsAreClampedToTheScale) {
    struct Row {
        int level;
        int shown;
    };
    for (Row row : {Row{-50, -36}, Row{-127, -36}, Row{-36, -36}, Row{0, 0}, Row{12, 12},
                    Row{20, 12}, Row{127, 12}}) {
        LDBDisplay meter;
        meter.SetLevel(static_cast<std::int8_t>(row.level));
        EXPECT_EQ(meter.NumBars(), 1);
        EXPECT_EQ(meter.Level(0), row.shown) << row.level;
    }
}

TEST_F(LDBDisplayTest, ScalePutsZeroThreeQuartersAcross) {
    EXPECT_EQ(LDBDisplay::LevelX(-36, 192), 0);
    EXPECT_EQ(LDBDisplay::LevelX(0, 192), 144);
    EXPECT_EQ(LDBDisplay::LevelX(12, 192), 192);
    EXPECT_EQ(LDBDisplay::LevelX(-35, 100), 2);  // rounds down
}

TEST_F(LDBDisplayTest, AtMostEightBars) {
    std::array<std::int8_t, 10> levels{};
    levels.fill(-6);
    LDBDisplay meter;
    meter.SetLevels(levels);
    EXPECT_EQ(meter.NumBars(), 8);
    meter.SetLevels({});
    EXPECT_EQ(meter.NumBars(), 0);
}

TEST_F(LDBDisplayTest, AChangedLevelRepaintsOnlyTheSpanBetweenOldAndNew) {
    RecordingMeter meter;
    Show(meter);
    meter.SetLevel(-36);
    EXPECT_EQ(NextPaint(meter), QRegion(0, 0, 192, 20));  // one bar where there were none

    meter.SetLevel(0);
    EXPECT_EQ(NextPaint(meter), QRegion(0, 0, 144, 20));
    meter.SetLevel(-6);  // falling repaints the same way
    EXPECT_EQ(NextPaint(meter), QRegion(120, 0, 24, 20));
    meter.SetLevel(-6);
    meter.SetLevel(-7);  // an unchanged level repaints nothing
    EXPECT_EQ(NextPaint(meter), QRegion(116, 0, 4, 20));
    meter.SetLevel(-60);  // clamped: from -7 to -36
    EXPECT_EQ(NextPaint(meter), QRegion(0, 0, 116, 20));
}

TEST_F(LDBDisplayTest, EachBarRepaintsWithinItsOwnRows) {
    RecordingMeter meter;
    Show(meter, 21);
    std::array<std::int8_t, 3> levels{-36, -36, -36};
    meter.SetLevels(levels);
    NextPaint(meter);
    levels[1] = 12;
    meter.SetLevels(levels);
    EXPECT_EQ(NextPaint(meter), QRegion(0, 7, 192, 7));

    // Three bars where there was one: everything.
    meter.SetLevel(0);
    NextPaint(meter);
    meter.SetLevels(levels);
    EXPECT_EQ(NextPaint(meter), QRegion(meter.rect()));
}

TEST_F(LDBDisplayTest, PaintsGreenBelowZeroRedAboveAndBlackBeyond) {
    LDBDisplay meter;
    meter.resize(192, 10);
    meter.SetLevel(6);  // green to 144, red to 168, black after
    QImage image = meter.grab().toImage();
    auto dominant = [&](int x) {
        QColor c = image.pixelColor(x, 5);
        if (c.green() > 2 * c.red() && c.green() > 2 * c.blue())
            return 'g';
        if (c.red() > 2 * c.green() && c.red() > 2 * c.blue())
            return 'r';
        if (c.red() < 16 && c.green() < 16 && c.blue() < 16)
            return 'k';
        return '?';
    };
    for (int x : {0, 1, 2, 70, 140, 142})
        EXPECT_EQ(dominant(x), 'g') << x;
    for (int x : {144, 145, 160, 166})
        EXPECT_EQ(dominant(x), 'r') << x;
    for (int x : {168, 170, 191})
        EXPECT_EQ(dominant(x), 'k') << x;

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
