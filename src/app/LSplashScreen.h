// The splash screen: the program's picture with its name and version under it, shown at start
// for seven seconds or until clicked.
#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

class LSplashScreen : public QWidget {
public:
    static constexpr int kShowMs = 7000;
    // Around the picture: a 2-pixel frame at the sides and top, and the text band below.
    static constexpr int kExtraWidth = 4;
    static constexpr int kExtraHeight = 88;

    // Shown centred on the screen, over `owner` and every other window; it deletes itself when
    // it closes, so the owner keeps it in a QPointer.
    explicit LSplashScreen(QWidget* owner);

    QTimer& Timer() { return timer; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPixmap picture;
    QTimer timer;
};
