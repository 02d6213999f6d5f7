// The waveform window's drawing: colours at the cursor, inside and outside the audio, inside
// the selection and at the markers, sampled from the rendered window, and the markers' tips.
#include "controls/LWaveWindow.h"

#include <gtest/gtest.h>

#include <QImage>
#include <tuple>

#include "controls/LWaveView.h"
#include "support/QtWidgetsTestApp.h"

namespace {

TEST(LWaveWindowTest, PaintsEachZoneInItsColoursWithTheSelectionSwapped) {
    QApplication& application = QtWidgetsTestApp();
    (void)application;
    LWaveView view;
    LWaveWindow window;
    window.resize(64, 40);
    window.Attach(&view);
    view.EnableWindow(true);
    view.SetView(0, 6400);  // 100 frames a column
    view.SetEndFrame(4000);
    view.SetCursor(1000, 500);  // columns 10 to 14
    view.SetSelectionStart(2000);
    view.SetSelectionEnd(3000);  // columns 20 to 29
    for (int column = 0; column < 64; ++column) {
        view.SetColumn(column, 128);  // a = 128 * 40 / 512 = 10 rows each side of the middle
    }
    const QRgb face = window.palette().color(QPalette::Window).rgb() & 0xFFFFFF;
    QImage image = window.grab().toImage();
    for (auto [x, y, colour] : {
             std::tuple{5, 2, LWaveWindow::kBackground},
             {5, 20, LWaveWindow::kWave},
             {5, 30, LWaveWindow::kWave},
             {5, 31, LWaveWindow::kBackground},
             {10, 2, LWaveWindow::kCursorLine},
             {12, 2, LWaveWindow::kCursorBackground},
             {12, 20, LWaveWindow::kCursorWave},
             {25, 2, LWaveWindow::kWave},  // selected: swapped
             {25, 20, LWaveWindow::kBackground},
             {35, 2, LWaveWindow::kBackground},
             {35, 20, LWaveWindow::kWave},
             {50, 2, face},  // after the end of the audio
             {50, 20, LWaveWindow::kWaveOutside},
         }) {
        EXPECT_EQ(image.pixel(x, y) & 0xFFFFFF, colour) << x << "," << y;
    }
    view.EnableWindow(false);
    EXPECT_EQ(window.grab().toImage().pixel(12, 20) & 0xFFFFFF, LWaveWindow::kDisabled);
}

TEST(LWaveWindowTest, DrawsMarkersAtTheirColumnsHeldToTheAudioAndGivesTheirTips) {
    QApplication& application = QtWidgetsTestApp();
    (void)application;
    LWaveView view;
    LWaveWindow window;
    window.resize(64, 60);  // room for three rows of marks
    window.Attach(&view);
    view.EnableWindow(true);
    view.SetView(0, 6400);  // 100 frames a column
    view.SetEndFrame(4000);
    view.SetCursor(3000, 0);  // clear of the markers
    using Group = LWaveMarkGroup;
    view.SetMarkers({{-300, Group::Tone, QStringLiteral("before")},  // held to column 0
                     {1550, Group::Digit, QStringLiteral("digit")},
                     {4500, Group::Hold, QStringLiteral("hold")},  // both held to the end
                     {9000, Group::End, QStringLiteral("end")}});
    const QRgb face = window.palette().color(QPalette::Window).rgb() & 0xFFFFFF;
    const auto colour = [](Group group) { return LWaveWindow::FaceOf(group).colour; };
    QFont bold = window.font();
    bold.setBold(true);
    const int rowHeight = QFontMetrics(bold).height();
    QImage image = window.grab().toImage();
    for (auto [x, y, expected] : {
             std::tuple{0, 55, colour(Group::Tone)},
             {0, 1, colour(Group::Tone)},  // its mark starts at the line
             {14, 55, LWaveWindow::kBackground},
             {15, 55, colour(Group::Digit)},
             {16, 55, LWaveWindow::kBackground},
             {8, rowHeight + 1, colour(Group::Digit)},  // a row lower rather than cover the tone's
             {40, 55, colour(Group::End)},
             {39, 1, colour(Group::Hold)},  // the end's mark keeps left of the end
             {39, 2 * rowHeight + 1, colour(Group::End)},
             {41, 1, face},
         }) {
        EXPECT_EQ(image.pixel(x, y) & 0xFFFFFF, expected) << x << "," << y;
    }
    EXPECT_EQ(window.ToolTipAt({17, 50}), QStringLiteral("digit"));
    EXPECT_EQ(window.ToolTipAt({40, 50}), QStringLiteral("hold\nend"));
    EXPECT_EQ(window.ToolTipAt({25, 2 * rowHeight + 1}), QStringLiteral("end"));
    EXPECT_EQ(window.ToolTipAt({25, 50}), QString());

    // The markers keep to their frames as the view moves on.
    view.SetView(1000, 6400);
    image = window.grab().toImage();
    EXPECT_EQ(image.pixel(5, 55) & 0xFFFFFF, colour(Group::Digit));
    EXPECT_EQ(image.pixel(15, 55) & 0xFFFFFF, LWaveWindow::kBackground);
}

}  // namespace
