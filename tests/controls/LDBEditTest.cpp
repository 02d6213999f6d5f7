// The dB edit: typing rules, range clamps, the text forms, the mouse and the slider's colours.
#include "controls/LDBEdit.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "support/QtWidgetsTestApp.h"

namespace {

class LDBEditTest : public ::testing::Test {
protected:
    void SetUp() override { edit.resize(LDBEdit::kFieldWidth + 96, 20); }  // 2 px per dB
    // Replaces the field's text as the user would, and leaves the field.
    void Type(const char* keys) {
        edit.Field()->selectAll();
        QTest::keyClicks(edit.Field(), QString::fromLatin1(keys));
        emit edit.Field()->editingFinished();
    }
    QRgb Pixel(int x) { return edit.grab().toImage().pixel(x, 10); }

    QApplication& application = QtWidgetsTestApp();  // before any widget
    LDBEdit edit;
    QSignalSpy changed{&edit, &LDBEdit::Changed};
};

TEST_F(LDBEditTest, TypedTextGivesTheValue) {
    struct Row {
        const char* typed;
        int minimum;
        int value;
    };
    for (Row row : {Row{"-12", -36, -12},
                    {"-5dB", -36, -5},
                    {"8", -36, 8},
                    {"99", -36, 12},
                    {"x1y-z", -36, -1},    // other characters are skipped
                    {"0000003", -36, 3},   // seven characters are read...
                    {"00000003", -36, 0},  // ...and no more
                    {"--", -127, -127},    // two minus signs are silence where the range has it
                    {"--", -36, -36},      // else the lowest value
                    {"-200", -127, -127}}) {
        edit.SetRange(row.minimum, 12);
        edit.SetValue(0);
        edit.Field()->setText(QString::fromLatin1(row.typed));
        emit edit.Field()->textEdited(edit.Field()->text());
        EXPECT_EQ(edit.GetValue(), row.value) << row.typed;
    }
}

TEST_F(LDBEditTest, TypingNotifiesEachChangeAndLeavingTheFieldShowsTheValue) {
    EXPECT_EQ(edit.Text(), "0dB");
    edit.Field()->selectAll();
    QTest::keyClicks(edit.Field(), QStringLiteral("-12"));
    EXPECT_EQ(edit.GetValue(), -12);
    EXPECT_EQ(changed.count(), 2);  // "-" alone reads as 0 (no change), then -1 and -12
    EXPECT_EQ(edit.Text(), "-12");
    emit edit.Field()->editingFinished();
    EXPECT_EQ(edit.Text(), "-12dB");
    EXPECT_EQ(changed.count(), 2);

    edit.SetRange(-127, 12);
    Type("--");
    EXPECT_EQ(edit.Text(), "--dB");
    edit.SetRange(-36, 12);
    edit.SetValue(0);
    Type("--");
    EXPECT_EQ(edit.Text(), "-36dB");
}

TEST_F(LDBEditTest, StartsAtZeroAndSetValueClampsToTheRangeWithoutNotifying) {
    EXPECT_EQ(edit.GetValue(), 0);
    EXPECT_EQ(edit.Minimum(), -36);
    EXPECT_EQ(edit.Maximum(), 12);
    edit.SetRange(-40, -6);
    edit.SetValue(0);
    EXPECT_EQ(edit.GetValue(), -6);
    EXPECT_EQ(edit.Text(), "-6dB");
    edit.SetValue(-100);
    EXPECT_EQ(edit.GetValue(), -40);
    EXPECT_EQ(edit.Text(), "-40dB");
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(LDBEditTest, SliderMapsPixelsToTheRange) {
    EXPECT_EQ(edit.SliderWidth(), 96);
    for (auto [x, value] :
         {std::pair{0, -36}, {32, -36}, {32 + 72, 0}, {32 + 73, 0}, {32 + 96, 12}, {500, 12}}) {
        EXPECT_EQ(edit.ValueAt(x), value) << x;  // rounding toward the minimum
    }
    EXPECT_EQ(edit.SliderX(0), 32 + 72);
    edit.SetRange(-8, 8);
    EXPECT_EQ(edit.ValueAt(32 + 48), 0);
    edit.SetRange(5, 5);  // an empty range cannot divide by zero
    EXPECT_EQ(edit.ValueAt(60), 5);
}

TEST_F(LDBEditTest, MouseSetsTheValueWhileTheButtonIsDown) {
    QTest::mousePress(&edit, Qt::LeftButton, {}, QPoint(10, 10));  // on the number field
    EXPECT_EQ(changed.count(), 0);
    QTest::mousePress(&edit, Qt::LeftButton, {}, QPoint(32 + 48, 10));
    EXPECT_EQ(edit.GetValue(), -12);
    EXPECT_EQ(edit.Text(), "-12dB");
    EXPECT_EQ(changed.count(), 1);
    QTest::mouseMove(&edit, QPoint(300, 10));
    EXPECT_EQ(edit.GetValue(), 12);
    QTest::mouseMove(&edit, QPoint(310, 10));  // no change, no notification
    EXPECT_EQ(changed.count(), 2);
    QTest::mouseRelease(&edit, Qt::LeftButton, {}, QPoint(300, 10));
    QTest::mouseMove(&edit, QPoint(40, 10));
    EXPECT_EQ(edit.GetValue(), 12);
}

TEST_F(LDBEditTest, SliderIsGreenToZeroRedAboveBlackBeyondAndGreyWhenDisabled) {
    const QRgb green = qRgb(0, 128, 0), red = qRgb(192, 0, 0), black = qRgb(0, 0, 0),
               thumb = qRgb(192, 192, 192), grey = qRgb(128, 128, 128);
    edit.SetValue(6);  // 0 dB at 104, the value at 116
    for (auto [x, colour] :
         {std::pair{40, green}, {103, green}, {108, red}, {116, thumb}, {120, black}}) {
        EXPECT_EQ(Pixel(x), colour) << x;
    }
    edit.SetValue(12);  // the thumb stays inside at the top of the range
    EXPECT_EQ(Pixel(126), thumb);
    EXPECT_EQ(Pixel(124), red);
    edit.SetValue(-12);  // below 0 dB no red at all
    for (auto [x, colour] : {std::pair{70, green}, {90, black}, {108, black}}) {
        EXPECT_EQ(Pixel(x), colour) << x;
    }
    edit.setEnabled(false);
    EXPECT_FALSE(edit.Field()->isEnabled());
    EXPECT_EQ(Pixel(70), grey);
    EXPECT_EQ(Pixel(100), grey);
}

}  // namespace
