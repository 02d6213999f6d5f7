// The waveform window's drawing: colours at the cursor, inside and outside the audio and inside
// the selection, sampled from the rendered window.
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

}  // namespace
