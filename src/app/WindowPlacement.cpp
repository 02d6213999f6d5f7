// Where the windows that open together at start go.
#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

constexpr int kGap = 16;
// Room for the title bar and borders of a window the desktop has not framed yet.
constexpr QSize kUnknownFrame(8, 32);

}  // namespace

std::vector<QPoint> SideBySide(const std::vector<QSize>& sizes, const QRect& area, int gap) {
    // The rows first, from the block's own corner; then the block is centred.
    std::vector<QPoint> corners;
    QPoint at;
    int rowHeight = 0;
    QSize block;
    for (const QSize& size : sizes) {
        if (at.x() > 0 && at.x() + size.width() > area.width()) {
            at = QPoint(0, at.y() + rowHeight + gap);
            rowHeight = 0;
        }
        corners.push_back(at);
        block = block.expandedTo(QSize(at.x() + size.width(), at.y() + size.height()));
        rowHeight = std::max(rowHeight, size.height());
        at.rx() += size.width() + gap;
    }
    QPoint origin(area.left() + std::max((area.width() - block.width()) / 2, 0),
                  area.top() + std::max((area.height() - block.height()) / 2, 0));
    for (QPoint& corner : corners) {
        corner += origin;
    }
    return corners;
}

void PlaceSideBySide(const std::vector<QWidget*>& windows) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    std::vector<QWidget*> placed;
    std::vector<QSize> sizes;
    for (QWidget* window : windows) {
        if (!window) {
            continue;
        }
        if (!window->isVisible()) {
            window->adjustSize();  // a window not shown yet has no size of its own
        }
        QSize outer = window->frameGeometry().size();
        placed.push_back(window);
        sizes.push_back(outer == window->size() ? outer + kUnknownFrame : outer);
    }
    std::vector<QPoint> corners = SideBySide(sizes, screen->availableGeometry(), kGap);
    for (std::size_t i = 0; i < placed.size(); ++i) {
        placed[i]->move(corners[i]);
    }
}
