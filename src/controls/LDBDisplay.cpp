// The level meter.
#include "controls/LDBDisplay.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace {

// A lit-segment pattern: three bright columns and one dark gap, so the bar reads as a row of
// LEDs as on a hardware meter.
QBrush SegmentBrush(QColor lit, QColor gap) {
    QPixmap pattern(4, 4);
    pattern.fill(lit);
    QPainter painter(&pattern);
    painter.fillRect(3, 0, 1, 4, gap);
    painter.end();
    return QBrush(pattern);
}

std::int8_t ClampLevel(std::int8_t level) {
    return static_cast<std::int8_t>(std::clamp<int>(level, LDBDisplay::kMinDB, LDBDisplay::kMaxDB));
}

}  // namespace

LDBDisplay::LDBDisplay(QWidget* parent)
    : QWidget(parent),
      greenBrush(SegmentBrush(QColor(0, 224, 0), QColor(0, 96, 0))),
      redBrush(SegmentBrush(QColor(255, 32, 32), QColor(112, 0, 0))) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LDBDisplay::SetSunken(bool value) {
    sunken = value;
    update();
}

void LDBDisplay::SetLevel(std::int8_t level) {
    SetLevels(std::span<const std::int8_t>(&level, 1));
}

void LDBDisplay::SetLevels(std::span<const std::int8_t> newLevels) {
    std::size_t count = std::min<std::size_t>(newLevels.size(), kMaxBars);
    if (count != levels.size()) {
        levels.resize(count);
        std::transform(newLevels.begin(), newLevels.begin() + count, levels.begin(), ClampLevel);
        update();
        return;
    }
    QRect area = BarArea();
    for (std::size_t i = 0; i < count; ++i) {
        std::int8_t level = ClampLevel(newLevels[i]);
        if (level == levels[i]) {
            continue;
        }
        // Only the pixels between the old and the new end of this bar change.
        int oldX = LevelX(levels[i], area.width());
        int newX = LevelX(level, area.width());
        levels[i] = level;
        QRect rows = BarRows(static_cast<int>(i), static_cast<int>(count));
        update(area.left() + std::min(oldX, newX), rows.top(), std::abs(newX - oldX),
               rows.height());
    }
}

QRect LDBDisplay::BarArea() const {
    return sunken ? rect().adjusted(0, 0, -1, -1) : rect();
}

int LDBDisplay::LevelX(int level, int width) {
    return (level - kMinDB) * width / (kMaxDB - kMinDB);
}

QRect LDBDisplay::BarRows(int bar, int count) const {
    QRect area = BarArea();
    int top = area.top() + bar * area.height() / count;
    int bottom = area.top() + (bar + 1) * area.height() / count;
    return QRect(area.left(), top, area.width(), bottom - top);
}

QSize LDBDisplay::sizeHint() const {
    return QSize(146, 12);
}

void LDBDisplay::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        update();
    }
    QWidget::changeEvent(event);
}

void LDBDisplay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect area = BarArea();
    if (levels.empty() || !isEnabled()) {
        painter.fillRect(area, QColor(128, 128, 128));
    } else {
        int count = NumBars();
        for (int i = 0; i < count; ++i) {
            QRect rows = BarRows(i, count);
            int level = levels[static_cast<std::size_t>(i)];
            int greenEnd = LevelX(std::min(level, 0), area.width());
            int redEnd = level > 0 ? LevelX(level, area.width()) : greenEnd;
            // The patterns start at each bar's top so every bar shows the same segments.
            painter.setBrushOrigin(area.left(), rows.top());
            painter.fillRect(area.left(), rows.top(), greenEnd, rows.height(), greenBrush);
            painter.fillRect(area.left() + greenEnd, rows.top(), redEnd - greenEnd, rows.height(),
                             redBrush);
            painter.fillRect(area.left() + redEnd, rows.top(), area.width() - redEnd, rows.height(),
                             Qt::black);
        }
    }
    if (sunken) {
        painter.setPen(Qt::white);
        QRect all = rect();
        painter.drawLine(all.left(), all.bottom(), all.right(), all.bottom());
        painter.drawLine(all.right(), all.top(), all.right(), all.bottom());
    }
}
