// The waveform view: the frame/column mapping at its edges, the shift-and-refill rule and the
// mouse with its edge notifications as dialog commands.
#include "controls/LWaveView.h"

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <limits>
#include <tuple>
#include <vector>

#include "controls/LDialog.h"
#include "controls/WaveViewFixture.h"

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

LWaveViewState Mapping(std::int32_t start, std::int32_t frames, int width) {
    LWaveViewState state;
    state.viewStart = start;
    state.viewFrames = frames;
    state.width = width;
    state.scrollColumn = static_cast<std::int32_t>(state.AbsoluteColumn(start));
    return state;
}

TEST(LWaveViewStateTest, FramesAndColumnsMapWithoutOverflowAndClampAtTheEdges) {
    // A view of 0 frames maps every frame to -1.
    for (std::int32_t frame : {0, 100, kMax, kMin}) {
        EXPECT_EQ(Mapping(0, 0, 2048).FrameToColumn(frame), -1) << frame;
    }
    for (auto [start, frames, frame, column] : {
             std::tuple{0, 2048, -1, -1},
             {1000, 2048, 999, -1},
             {1000, 2048, 1000, 0},
             {1000, 2048, 3047, 2047},
             {1000, 2048, 3048, 2048},
             {1000, 2048, 5000, 2048},
             {0, kMax, kMax - 1, 2047},
             {0, kMax, kMax, 2048},
             {kMax - 2047, 2048, kMax, 2047},
         }) {
        EXPECT_EQ(Mapping(start, frames, 2048).FrameToColumn(frame), column)
            << start << " " << frame;
    }
    for (auto [start, frames, column, frame] : {
             std::tuple{0, kMax, 2047, 2146435071},
             {0, kMax, 2048, kMax},
             {1000, 2048, 0, 1000},
             {kMax - 2047, 2048, 2047, kMax},
             {kMax - 2047, 2048, 2048, kMax},  // 2^31 held within 32 bits
         }) {
        EXPECT_EQ(Mapping(start, frames, 2048).ColumnToFrame(column), frame)
            << start << " " << column;
    }
}

class LWaveViewTest : public WaveViewFixture {
protected:
    LWaveViewTest() : WaveViewFixture(64) {}
};

TEST_F(LWaveViewTest, SameZoomShiftsTheColumnsAndRefillsOnlyTheUncoveredEdge) {
    EXPECT_EQ(view.SetView(0, 6400), (LWaveColumnRange{0, 64}));  // a new zoom: everything
    for (int column = 0; column < 64; ++column) {
        view.SetColumn(column, static_cast<std::uint8_t>(column));
    }
    // One column later: the contents move left; the new right column and the old edge column
    // beside it are refilled.
    EXPECT_EQ(view.SetView(100, 6400), (LWaveColumnRange{62, 64}));
    std::vector<int> columns = Columns();
    EXPECT_EQ(columns[0], 1);
    EXPECT_EQ(columns[61], 62);
    // One column earlier: the contents move right.
    EXPECT_EQ(view.SetView(0, 6400), (LWaveColumnRange{0, 2}));
    EXPECT_EQ(Columns()[2], 2);
    for (auto [start, frames, range] : {
             std::tuple{0, 6400, LWaveColumnRange{}},       // no move
             {1000, 6400, LWaveColumnRange{53, 64}},        // ten columns later
             {1000 + 6400, 6400, LWaveColumnRange{0, 64}},  // a whole width
             {1000, 3200, LWaveColumnRange{0, 64}},         // zoomed in
         }) {
        EXPECT_EQ(view.SetView(start, frames), range) << start << " " << frames;
    }
}

class WaveDialog : public LDialog {
public:
    void OnCommand(int id, int code) override { commands.emplace_back(id, code); }
    std::vector<std::pair<int, int>> commands;
};

void SendMouse(QWidget* window, QEvent::Type type, int x, Qt::MouseButtons buttons) {
    QPointF point(x, 5);
    QMouseEvent event(type, point, window->mapToGlobal(point), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(window, &event);
}

TEST_F(LWaveViewTest, DraggingPastTheRightEdgeAndBackNotifiesFourFiveThenTwoWithTheSelection) {
    WaveDialog dialog;
    auto* bound = dialog.Bind(105, new LWaveWindow(&dialog));
    bound->resize(64, 40);
    LWaveView dialogView;
    bound->Attach(&dialogView);
    dialogView.SetView(0, 6400);

    SendMouse(bound, QEvent::MouseButtonPress, 10, Qt::LeftButton);
    SendMouse(bound, QEvent::MouseMove, 40, Qt::LeftButton);
    EXPECT_TRUE(dialog.commands.empty());
    SendMouse(bound, QEvent::MouseMove, 70, Qt::LeftButton);
    SendMouse(bound, QEvent::MouseMove, 80, Qt::LeftButton);  // still past the edge: once
    SendMouse(bound, QEvent::MouseMove, 30, Qt::LeftButton);
    SendMouse(bound, QEvent::MouseButtonRelease, 30, Qt::NoButton);
    EXPECT_EQ(dialog.commands,
              (std::vector<std::pair<int, int>>{
                  {105, kWaveForwardStart}, {105, kWaveForwardStop}, {105, kWaveClicked}}));
    LWaveViewState state = dialogView.Snapshot();
    EXPECT_EQ(
        std::tuple(state.selectionStart, state.selectionEnd, state.cursorFrame, state.cursorFrames),
        std::tuple(1000, 3000, 3000, 0));

    // Past the left edge a release ends the rewind; the selection runs back from the grab point.
    dialog.commands.clear();
    SendMouse(bound, QEvent::MouseButtonPress, 20, Qt::LeftButton);
    SendMouse(bound, QEvent::MouseMove, -5, Qt::LeftButton);
    SendMouse(bound, QEvent::MouseButtonRelease, -5, Qt::NoButton);
    EXPECT_EQ(dialog.commands,
              (std::vector<std::pair<int, int>>{
                  {105, kWaveRewindStart}, {105, kWaveRewindStop}, {105, kWaveClicked}}));
    state = dialogView.Snapshot();
    EXPECT_EQ(std::tuple(state.selectionStart, state.selectionEnd), std::tuple(-500, 2000));
}

TEST_F(LWaveViewTest, AnEdgeDragMovesTheSelectionEdgeWithTheView) {
    view.SetView(0, 6400);
    view.MouseDown(10);
    EXPECT_EQ(view.MouseMove(64), kWaveForwardStart);
    view.SetView(100, 6400);
    EXPECT_EQ(view.Snapshot().selectionEnd, 6500);  // the frame at the right edge
}

}  // namespace
