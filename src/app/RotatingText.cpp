// The main window's rotating text.
#include "app/RotatingText.h"

#include <QMouseEvent>
#include <algorithm>

RotatingText::RotatingText(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::PointingHandCursor);
    int widest = 0;
    for (const char* text : kRotatingTexts) {
        widest = std::max(widest, fontMetrics().horizontalAdvance(QString::fromLatin1(text)));
    }
    setFixedWidth(widest + 2 * margin() + 2 * frameWidth());
}

void RotatingText::Advance() {
    if (index >= static_cast<int>(kRotatingTexts.size())) {
        index = 0;
        return;
    }
    setText(QString::fromLatin1(kRotatingTexts[static_cast<std::size_t>(index)]));
    ++index;
}

void RotatingText::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit clicked();
    }
    QLabel::mousePressEvent(event);
}
