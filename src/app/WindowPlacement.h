// Where the windows that open together at start go: side by side, so that none covers another.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

// Top-left corners for windows of the outer `sizes`, in order from left to right in rows that
// fit the width of `area`, `gap` pixels apart, the whole block centred in `area`.
std::vector<QPoint> SideBySide(const std::vector<QSize>& sizes, const QRect& area, int gap);

// Moves the `windows` (null entries are skipped) side by side on the primary screen.
void PlaceSideBySide(const std::vector<QWidget*>& windows);
