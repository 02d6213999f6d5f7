// The waveform view's data: peak columns, the frame/column mapping, cursor, end of audio,
// selection and markers, shared under one lock by the dialog thread and the waveform reader.
#pragma once

#include <QRegion>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

#include "controls/LWaveMarker.h"

class LWaveWindow;

// Notification codes the waveform window sends with its commands.
inline constexpr int kWaveClicked = 2;       // a click or a finished drag moved the cursor
inline constexpr int kWaveForwardStart = 4;  // a drag went past the right edge
inline constexpr int kWaveForwardStop = 5;   // back from the right edge
inline constexpr int kWaveRewindStart = 6;   // a drag went past the left edge
inline constexpr int kWaveRewindStop = 7;    // back from the left edge

// Columns to refill after a change of view: [first, last).
struct LWaveColumnRange {
    int first = 0;
    int last = 0;
    bool operator==(const LWaveColumnRange&) const = default;
};

// The view's fields and its integer mapping between frames and columns; a plain record so that
// painting can work on a copy taken under the lock.
struct LWaveViewState {
    static constexpr int kMaxColumns = 2048;

    // The column of `frame`: -1 without frames across or left of the view, `width` right of
    // it. Quotient and remainder are taken apart so that nothing overflows near 2^31 frames.
    int FrameToColumn(std::int32_t frame) const;
    // The first frame of column `column` (scrollColumn without columns).
    std::int32_t ColumnToFrame(int column) const;
    // The absolute column of `frame`, counted from frame 0.
    std::int64_t AbsoluteColumn(std::int32_t frame) const;
    // The column of `marker`'s line, held to the audio (0 to endFrame), relative to the left
    // edge and outside 0..width when the line is outside the view.
    std::int64_t MarkerColumn(const LWaveMarker& marker) const;
    // The frame after the cursor's width, held within 32 bits.
    std::int32_t CursorEnd() const;

    std::array<std::uint8_t, kMaxColumns> columns{};
    std::int32_t viewStart = 0;
    std::int32_t viewFrames = 0;    // below 1: nothing to show
    std::int32_t scrollColumn = 0;  // absolute column of the left edge
    std::int32_t cursorFrame = 0;
    std::int32_t cursorFrames = 0;
    std::int32_t endFrame = 0;
    std::int32_t selectionStart = 0;
    std::int32_t selectionEnd = 0;
    std::int32_t grabFrame = 0;
    int width = 1;  // columns, 1..2,048
    int height = 1;
    int dragEdge = 0;  // 0, kWaveForwardStart or kWaveRewindStart
    // Shared and never changed once set, so that a copy of the state costs no copy of them.
    std::shared_ptr<const LWaveMarkers> markers = std::make_shared<const LWaveMarkers>();
};

// The view object a dialog owns and attaches to its LWaveWindow. Every operation takes the
// lock. The reader changes the view and the columns from its thread; the window learns of it
// through a flush posted to the window's thread, which scrolls the pixels and repaints what
// became invalid, so no pixel is ever touched outside that thread.
class LWaveView {
public:
    LWaveView() = default;
    LWaveView(const LWaveView&) = delete;
    LWaveView& operator=(const LWaveView&) = delete;

    // A copy of the fields; `forPainting` marks that pixels are being drawn from it.
    LWaveViewState Snapshot(bool forPainting = false) const;
    int FrameToColumn(std::int32_t frame) const;
    std::int32_t ColumnToFrame(int column) const;

    // Moves the view to `frames` frames from `start`. At the same zoom the columns and the
    // pixels shift with the view and only the uncovered columns, plus the old edge column beside
    // them, are returned; a shift of a full width or more, or a new zoom, returns every column.
    // Without a window nothing needs refilling.
    LWaveColumnRange SetView(std::int32_t start, std::int32_t frames);
    // Stores the peak of one column and invalidates it.
    void SetColumn(int column, std::uint8_t peak);

    // Each setter invalidates the old and the new columns it affects while the window is
    // enabled.
    void SetCursor(std::int32_t frame, std::int32_t frames);
    void SetEndFrame(std::int32_t frame);
    void SetSelectionStart(std::int32_t frame);
    void SetSelectionEnd(std::int32_t frame);
    // Replaces the markers and repaints the window.
    void SetMarkers(LWaveMarkers markers);

    // The mouse: button down at column `x`, moves while it is held and the release. Move and
    // release return the edge notification due (0 for none).
    void MouseDown(int x);
    int MouseMove(int x);
    int MouseUp(int x);

    // Enables or disables the attached window (the window's thread only).
    void EnableWindow(bool enable);

private:
    friend class LWaveWindow;

    // Called by the window with the lock not held.
    void Attach(LWaveWindow* window, int clientWidth, int clientHeight, bool border);
    void Detach();
    void SetWindowEnabled(bool enable);
    // Columns and height from the client size.
    void Resize(int clientWidth, int clientHeight, bool border);
    // What the window's flush applies: the pixel shift still to make, whether everything must be
    // repainted instead, and the invalid columns; all cleared.
    struct Pending {
        int shift = 0;
        bool everything = false;
        QRegion columns;  // rows of height 1
    };
    Pending TakePending();

    // The rest assume the lock is held.
    void InvalidateColumns(int first, int last);
    // Invalidates the columns between the frames' columns, one wider on the right.
    void InvalidateBetween(std::int32_t a, std::int32_t b);
    void StoreCursor(std::int32_t frame, std::int32_t frames);
    void StoreSelectionStart(std::int32_t frame);
    void StoreSelectionEnd(std::int32_t frame);
    void ShiftColumns(int shift);
    void PostFlush();
    bool WindowEnabled() const;

    mutable std::mutex lock;
    LWaveViewState state;
    LWaveWindow* window = nullptr;
    bool enabled = false;
    Pending pending;
    bool flushPosted = false;
    // Pixels were drawn while a shift was still pending, so the shift cannot be made by
    // scrolling them.
    mutable bool paintedBeforeShift = false;
};
