// The waveform window: draws a view's peak columns with the cursor, the selection and the
// markers, turns clicks and drags into cursor moves, selections and the edge notifications, and
// gives each marker's tooltip.
#pragma once

#include <QWidget>
#include <vector>

#include "controls/LWaveMarker.h"

class LWaveView;
struct LWaveViewState;

class LWaveWindow : public QWidget {
    Q_OBJECT

public:
    explicit LWaveWindow(QWidget* parent = nullptr);
    ~LWaveWindow() override;

    // Attaches `view` (owned by the dialog, outliving the attachment) and sizes it to the
    // window; nullptr detaches.
    void Attach(LWaveView* view);
    // Draws the border: black top and left lines, white bottom and right lines, one column and
    // one row taken from the view.
    void SetBorder(bool border);

    // Scrolls the pixels and repaints what the view has marked invalid since the last flush; the
    // view posts it to this window's thread.
    void Flush();

    // Colours of the drawing.
    static constexpr QRgb kWaveOutside = 0xAAAAAA;
    static constexpr QRgb kBackground = 0x000080;
    static constexpr QRgb kWave = 0xFFFFFF;
    static constexpr QRgb kCursorBackground = 0x008000;
    static constexpr QRgb kCursorWave = 0xAAFFAA;
    static constexpr QRgb kCursorLine = 0x00FF00;
    static constexpr QRgb kDisabled = 0x808080;
    // The face of each marker group, in the order of LWaveMarkGroup: the letter on its mark and
    // the colour of the mark and its line, each clear of the others on the background.
    struct MarkFace {
        char letter;
        QRgb colour;
    };
    static constexpr MarkFace kMarkFaces[] = {{'A', 0xFF9900}, {'T', 0xFFFF00}, {'H', 0xFF66FF},
                                              {'D', 0x00FFFF}, {'E', 0xFF4040}, {'*', 0xC0C0C0}};
    static const MarkFace& FaceOf(LWaveMarkGroup group);

    // The tips, one a line, of the markers whose mark holds `point` or whose line is within
    // reach of it; empty where there is none.
    QString ToolTipAt(QPoint point) const;

signals:
    // A notification for the dialog: one of the kWave codes.
    void Notify(int code);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Where a marker is drawn: its line's column and its mark at the top.
    struct MarkPlace {
        const LWaveMarker* marker;
        int line;
        QRect mark;
    };
    // The markers of `state` that could show in the window, placed so that each place depends
    // on absolute columns only (scrolled pixels stay right): lines and marks keep right of the
    // border at frame 0 and marks left of the end.
    std::vector<MarkPlace> PlaceMarkers(const LWaveViewState& state) const;
    QFont MarkFont() const;
    int Inset() const { return border ? 1 : 0; }
    void NotifyIf(int code);

    LWaveView* view = nullptr;
    bool border = false;
};
