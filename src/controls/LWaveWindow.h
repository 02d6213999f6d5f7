// The waveform window: draws a view's peak columns with the cursor and the selection, and turns
// clicks and drags into cursor moves, selections and the edge notifications.
#pragma once

#include <QWidget>

class LWaveView;

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

signals:
    // A notification for the dialog: one of the kWave codes.
    void Notify(int code);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int Inset() const { return border ? 1 : 0; }
    void NotifyIf(int code);

    LWaveView* view = nullptr;
    bool border = false;
};
