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
    void SetUp() override { edit.resize(edit.FieldWidth() + 96, 20); }  // 2 px per dB
    // x of slider column `s`.
    int X(int s) const { return edit.FieldWidth() + s; }
    QRgb Pixel(int s) { return edit.grab().toImage().pixel(X(s), 10); }
    // The first column of the number field that `text` inks.
    int InkFrom(const char* text) {
        edit.Field()->setText(QString::fromLatin1(text));
        QImage image = edit.Field()->grab().toImage();
        for (int i = 0; i < image.width() * image.height(); ++i) {
            if (qGray(image.pixel(i / image.height(), i % image.height())) < 128) {
                return i / image.height();
            }
        }
        return -1;
    }

    QApplication& application = QtWidgetsTestApp();  // before any widget
    LDBEdit edit;
    QSignalSpy changed{&edit, &LDBEdit::Changed};
};

TEST_F(LDBEditTest, TypedTextGivesTheValueNotifyingEachChangeAndSetValueClampsWithoutNotifying) {
    EXPECT_EQ(std::tuple(edit.GetValue(), edit.Minimum(), edit.Maximum()), std::tuple(0, -36, 12));
    EXPECT_EQ(edit.Text(), "0dB");
    edit.Field()->selectAll();
    QTest::keyClicks(edit.Field(), QStringLiteral("-12"));
    EXPECT_EQ(edit.GetValue(), -12);
    EXPECT_EQ(changed.count(), 2);  // "-" alone reads as 0 (no change), then -1 and -12
    EXPECT_EQ(edit.Text(), "-12");
    emit edit.Field()->editingFinished();  // leaving the field shows the value
    EXPECT_EQ(edit.Text(), "-12dB");

    edit.SetRange(-40, -6);
    for (auto [set, value, shown] : {std::tuple{0, -6, "-6dB"}, {-100, -40, "-40dB"}}) {
        edit.SetValue(set);
        EXPECT_EQ(edit.GetValue(), value);
        EXPECT_EQ(edit.Text(), shown);
    }
    EXPECT_EQ(changed.count(), 2);

    // Other characters are skipped, seven are read, "--" is silence or the lowest value.
    for (auto [typed, minimum, value] : {std::tuple{"-5dB", -36, -5},
                                         {"99", -36, 12},
                                         {"x1y-z", -36, -1},
                                         {"0000003", -36, 3},
                                         {"00000003", -36, 0},
                                         {"--", -127, -127},
                                         {"--", -36, -36},
                                         {"-200", -127, -127}}) {
        edit.SetRange(minimum, 12);
        edit.SetValue(0);
        edit.Field()->setText(QString::fromLatin1(typed));
        emit edit.Field()->textEdited(edit.Field()->text());
        EXPECT_EQ(edit.GetValue(), value) << typed;
    }
}

TEST_F(LDBEditTest, NumberFieldShowsTheWidestValueWholeInAnyFont) {
    for (int pixels : {9, 12, 18}) {
        QFont font = edit.font();
        font.setPixelSize(pixels);
        edit.setFont(font);
        edit.resize(edit.sizeHint());
        // Right-aligned, a minus sign that is shown starts the text further left.
        EXPECT_LT(InkFrom("-127dB"), InkFrom("127dB") - 1) << pixels;
    }
}

TEST_F(LDBEditTest, MouseSetsTheValueWhileTheButtonIsDownAndTheSliderMapsPixelsToTheRange) {
    QTest::mousePress(&edit, Qt::LeftButton, {}, QPoint(X(-2), 10));  // on the number field
    EXPECT_EQ(changed.count(), 0);
    QTest::mousePress(&edit, Qt::LeftButton, {}, QPoint(X(48), 10));
    EXPECT_EQ(edit.GetValue(), -12);
    EXPECT_EQ(edit.Text(), "-12dB");
    EXPECT_EQ(changed.count(), 1);
    QTest::mouseMove(&edit, QPoint(X(268), 10));
    EXPECT_EQ(edit.GetValue(), 12);
    QTest::mouseMove(&edit, QPoint(X(278), 10));  // no change, no notification
    EXPECT_EQ(changed.count(), 2);
    QTest::mouseRelease(&edit, Qt::LeftButton, {}, QPoint(X(268), 10));
    QTest::mouseMove(&edit, QPoint(X(8), 10));
    EXPECT_EQ(edit.GetValue(), 12);

    EXPECT_EQ(edit.SliderWidth(), 96);
    for (auto [s, value] : {std::pair{-32, -36}, {0, -36}, {72, 0}, {73, 0}, {96, 12}, {500, 12}}) {
        EXPECT_EQ(edit.ValueAt(X(s)), value) << s;  // rounding toward the minimum
    }
    EXPECT_EQ(edit.SliderX(0), X(72));
    edit.SetRange(-8, 8);
    EXPECT_EQ(edit.ValueAt(X(48)), 0);
    edit.SetRange(5, 5);  // an empty range cannot divide by zero
    EXPECT_EQ(edit.ValueAt(X(28)), 5);
}

TEST_F(LDBEditTest, SliderIsGreenToZeroRedAboveBlackBeyondAndGreyWhenDisabled) {
    const QRgb green = qRgb(0, 128, 0), red = qRgb(192, 0, 0), black = qRgb(0, 0, 0),
               thumb = qRgb(192, 192, 192), grey = qRgb(128, 128, 128);
    // 0 dB at 72; the thumb at the value, kept inside at the top of the range; no red below 0.
    for (auto [value, x, colour] : {std::tuple{6, 71, green},
                                    {6, 76, red},
                                    {6, 84, thumb},
                                    {6, 88, black},
                                    {12, 94, thumb},
                                    {-12, 38, green},
                                    {-12, 76, black}}) {
        edit.SetValue(value);
        EXPECT_EQ(Pixel(x), colour) << value << " at " << x;
    }
    edit.setEnabled(false);
    EXPECT_FALSE(edit.Field()->isEnabled());
    EXPECT_EQ(Pixel(68), grey);
}

}  // namespace
