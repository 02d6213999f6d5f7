// The line of text under the main window's buttons: ten short texts shown in turn, opening the
// Internet Resources menu when clicked.
#pragma once

#include <QLabel>
#include <array>

#include "app/ProgramInfo.h"

inline constexpr std::array<const char*, 10> kRotatingTexts = {
    kVersionLine,
    "Made by Ostrel",
    "Press F5 to record a call",
    "Press F9 to put a caller on hold",
    "Esc stops recording or holding",
    "Recordings are named by date and time",
    "Every incoming call goes to the call log",
    "Ostrel makes sound software too",
    "Click here for Ostrel on the web",
    "Press F1 for help",
};

class RotatingText : public QLabel {
    Q_OBJECT

public:
    // As wide as the longest text, so that the window around it keeps its size.
    explicit RotatingText(QWidget* parent = nullptr);

    // Shows the next text; after the last, one period keeps the text and the turn starts over.
    void Advance();
    int Index() const { return index; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    int index = 0;
};
