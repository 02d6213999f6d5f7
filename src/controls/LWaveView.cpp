// The waveform view's data and its mapping.
#include "controls/LWaveView.h"

#include <QMetaObject>
#include <algorithm>
#include <cstring>
#include <limits>

#include "controls/LWaveWindow.h"

namespace {

std::int32_t ClampFrame(std::int64_t frame) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        frame, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

std::int64_t LWaveViewState::AbsoluteColumn(std::int32_t frame) const {
    if (viewFrames < 1) {
        return 0;
    }
    return std::int64_t{frame / viewFrames} * width +
           std::int64_t{frame % viewFrames} * width / viewFrames;
}

std::int64_t LWaveViewState::MarkerColumn(const LWaveMarker& marker) const {
    const auto frame =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(marker.frame, 0, std::max(endFrame, 0)));
    return AbsoluteColumn(frame) - scrollColumn;
}

std::int32_t LWaveViewState::CursorEnd() const {
    return ClampFrame(std::int64_t{cursorFrame} + cursorFrames);
}

int LWaveViewState::FrameToColumn(std::int32_t frame) const {
    if (viewFrames < 1) {
        return -1;
    }
    std::int64_t column = AbsoluteColumn(frame) - scrollColumn;
    if (column < 0) {
        return -1;
    }
    return static_cast<int>(std::min<std::int64_t>(column, width));
}

std::int32_t LWaveViewState::ColumnToFrame(int column) const {
    if (width < 1) {
        return scrollColumn;
    }
    std::int64_t absolute = std::int64_t{column} + scrollColumn;
    return ClampFrame(absolute / width * viewFrames + absolute % width * viewFrames / width);
}

LWaveViewState LWaveView::Snapshot(bool forPainting) const {
    std::lock_guard guard(lock);
    if (forPainting && pending.shift != 0) {
        paintedBeforeShift = true;
    }
    return state;
}

int LWaveView::FrameToColumn(std::int32_t frame) const {
    std::lock_guard guard(lock);
    return state.FrameToColumn(frame);
}

std::int32_t LWaveView::ColumnToFrame(int column) const {
    std::lock_guard guard(lock);
    return state.ColumnToFrame(column);
}

LWaveColumnRange LWaveView::SetView(std::int32_t start, std::int32_t frames) {
    std::lock_guard guard(lock);
    const int width = state.width;
    if (frames != state.viewFrames) {
        state.viewStart = start;
        state.viewFrames = frames;
        state.scrollColumn = ClampFrame(state.AbsoluteColumn(start));
        return {0, width};
    }
    const std::int32_t oldStart = state.viewStart;
    const int newColumn = state.FrameToColumn(start);
    state.viewStart = start;
    state.scrollColumn = ClampFrame(state.AbsoluteColumn(start));
    const int shift = newColumn > 0 ? -newColumn : state.FrameToColumn(oldStart);
    if (state.dragEdge == kWaveRewindStart) {
        StoreSelectionStart(state.ColumnToFrame(0));
    } else if (state.dragEdge == kWaveForwardStart) {
        StoreSelectionEnd(state.ColumnToFrame(width));
    }
    if (shift == 0 || window == nullptr) {
        return {};
    }
    if (-width < shift && shift < width) {
        ShiftColumns(shift);
        return shift > 0 ? LWaveColumnRange{0, std::min(shift + 1, width)}
                         : LWaveColumnRange{std::max(width + shift - 1, 0), width};
    }
    pending = {0, true, {}};
    PostFlush();
    return {0, width};
}

void LWaveView::ShiftColumns(int shift) {
    auto& columns = state.columns;
    const auto count = static_cast<std::size_t>(state.width - std::abs(shift));
    if (shift > 0) {
        std::memmove(columns.data() + shift, columns.data(), count);
    } else {
        std::memmove(columns.data(), columns.data() - shift, count);
    }
    pending.shift += shift;
    pending.columns.translate(shift, 0);
    PostFlush();
}

void LWaveView::SetColumn(int column, std::uint8_t peak) {
    std::lock_guard guard(lock);
    if (column < 0 || column >= state.width) {
        return;
    }
    state.columns[static_cast<std::size_t>(column)] = peak;
    InvalidateColumns(column, column + 1);
}

void LWaveView::SetCursor(std::int32_t frame, std::int32_t frames) {
    std::lock_guard guard(lock);
    StoreCursor(frame, frames);
}

void LWaveView::StoreCursor(std::int32_t frame, std::int32_t frames) {
    std::int32_t oldFrame = state.cursorFrame;
    std::int32_t oldEnd = state.CursorEnd();
    state.cursorFrame = frame;
    state.cursorFrames = frames;
    InvalidateBetween(std::min(oldFrame, frame), std::max(oldEnd, state.CursorEnd()));
}

void LWaveView::SetEndFrame(std::int32_t frame) {
    std::lock_guard guard(lock);
    InvalidateBetween(state.endFrame, frame);
    state.endFrame = frame;
}

void LWaveView::SetSelectionStart(std::int32_t frame) {
    std::lock_guard guard(lock);
    StoreSelectionStart(frame);
}

void LWaveView::SetSelectionEnd(std::int32_t frame) {
    std::lock_guard guard(lock);
    StoreSelectionEnd(frame);
}

void LWaveView::StoreSelectionStart(std::int32_t frame) {
    InvalidateBetween(state.selectionStart, frame);
    state.selectionStart = frame;
}

void LWaveView::StoreSelectionEnd(std::int32_t frame) {
    InvalidateBetween(state.selectionEnd, frame);
    state.selectionEnd = frame;
}

void LWaveView::SetMarkers(LWaveMarkers markers) {
    auto shared = std::make_shared<const LWaveMarkers>(std::move(markers));
    std::lock_guard guard(lock);
    state.markers = std::move(shared);
    if (WindowEnabled()) {
        pending.everything = true;
        PostFlush();
    }
}

void LWaveView::MouseDown(int x) {
    std::lock_guard guard(lock);
    state.grabFrame = state.ColumnToFrame(x);
    StoreSelectionStart(state.grabFrame);
    StoreSelectionEnd(state.grabFrame);
}

int LWaveView::MouseMove(int x) {
    std::lock_guard guard(lock);
    int notification = 0;
    if (x >= state.width) {
        if (state.dragEdge == 0) {
            notification = state.dragEdge = kWaveForwardStart;
        }
    } else if (x > 0) {
        if (state.dragEdge == kWaveForwardStart) {
            notification = kWaveForwardStop;
        } else if (state.dragEdge == kWaveRewindStart) {
            notification = kWaveRewindStop;
        }
        state.dragEdge = 0;
    } else if (state.dragEdge == 0) {
        notification = state.dragEdge = kWaveRewindStart;
    }
    std::int32_t frame = state.ColumnToFrame(x);
    if (frame <= state.grabFrame) {
        StoreSelectionStart(frame);
    } else {
        StoreSelectionEnd(frame);
    }
    return notification;
}

int LWaveView::MouseUp(int x) {
    std::lock_guard guard(lock);
    int notification = state.dragEdge == kWaveForwardStart  ? kWaveForwardStop
                       : state.dragEdge == kWaveRewindStart ? kWaveRewindStop
                                                            : 0;
    state.dragEdge = 0;
    std::int32_t frame = state.ColumnToFrame(x);
    StoreSelectionStart(std::min(frame, state.grabFrame));
    StoreSelectionEnd(std::max(frame, state.grabFrame));
    StoreCursor(frame, 0);
    return notification;
}

void LWaveView::EnableWindow(bool enable) {
    LWaveWindow* target = nullptr;
    {
        std::lock_guard guard(lock);
        target = window;
    }
    if (target != nullptr) {
        target->setEnabled(enable);
    }
}

void LWaveView::Attach(LWaveWindow* newWindow, int clientWidth, int clientHeight, bool border) {
    std::lock_guard guard(lock);
    window = newWindow;
    enabled = newWindow->isEnabled();
    flushPosted = false;
    pending = {};
    state.width = std::clamp(clientWidth - (border ? 1 : 0), 1, LWaveViewState::kMaxColumns);
    state.height = std::max(clientHeight - (border ? 1 : 0), 1);
}

void LWaveView::Detach() {
    std::lock_guard guard(lock);
    window = nullptr;
}

void LWaveView::SetWindowEnabled(bool enable) {
    std::lock_guard guard(lock);
    enabled = enable;
}

void LWaveView::Resize(int clientWidth, int clientHeight, bool border) {
    std::lock_guard guard(lock);
    state.width = std::clamp(clientWidth - (border ? 1 : 0), 1, LWaveViewState::kMaxColumns);
    state.height = std::max(clientHeight - (border ? 1 : 0), 1);
    state.scrollColumn = ClampFrame(state.AbsoluteColumn(state.viewStart));
}

LWaveView::Pending LWaveView::TakePending() {
    std::lock_guard guard(lock);
    Pending taken = std::exchange(pending, {});
    taken.everything = taken.everything || (taken.shift != 0 && paintedBeforeShift) ||
                       std::abs(taken.shift) >= state.width;
    paintedBeforeShift = false;
    flushPosted = false;
    return taken;
}

void LWaveView::InvalidateColumns(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, state.width);
    if (first < last) {
        pending.columns += QRect(first, 0, last - first, 1);
        PostFlush();
    }
}

void LWaveView::InvalidateBetween(std::int32_t a, std::int32_t b) {
    if (!WindowEnabled()) {
        return;
    }
    int columnA = state.FrameToColumn(a);
    int columnB = state.FrameToColumn(b);
    InvalidateColumns(std::min(columnA, columnB), std::max(columnA, columnB) + 2);
}

bool LWaveView::WindowEnabled() const {
    return window != nullptr && enabled;
}

void LWaveView::PostFlush() {
    if (window != nullptr && !flushPosted) {
        flushPosted = true;
        QMetaObject::invokeMethod(window, &LWaveWindow::Flush, Qt::QueuedConnection);
    }
}
