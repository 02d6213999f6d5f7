// Transport button faces drawn with QPainter on a 16-unit grid.
#include "controls/TransportIcons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <cstring>
#include <functional>
#include <optional>

namespace {

using Shape = std::function<void(QPainterPath& path)>;

// A triangle pointing right (or left when `left`) with its flat side at x.
void Triangle(QPainterPath& path, qreal x, qreal width, bool left) {
    qreal tip = left ? x - width : x + width;
    path.moveTo(x, 3);
    path.lineTo(tip, 8);
    path.lineTo(x, 13);
    path.closeSubpath();
}

void Bar(QPainterPath& path, qreal x) {
    path.addRect(x, 3, 2, 10);
}

struct NamedShape {
    const char* name;
    Shape shape;
    // Enabled faces drawn in this colour rather than the button text's.
    std::optional<QColor> colour = std::nullopt;
};

const NamedShape kShapes[] = {
    {"PlayBitmap", [](QPainterPath& p) { Triangle(p, 4.5, 9, false); }},
    // A short stretch played again and again: a triangle between two bars.
    {"ScrubBitmap",
     [](QPainterPath& p) {
         Bar(p, 1.5);
         Triangle(p, 5.5, 6, false);
         Bar(p, 12.5);
     }},
    {"StopBitmap", [](QPainterPath& p) { p.addRect(3.5, 3.5, 9, 9); }},
    {"StartBitmap",
     [](QPainterPath& p) {
         Bar(p, 2.5);
         Triangle(p, 13, 8, true);
     }},
    {"RewindBitmap",
     [](QPainterPath& p) {
         Triangle(p, 8, 6.5, true);
         Triangle(p, 14.5, 6.5, true);
     }},
    {"ForwardBitmap",
     [](QPainterPath& p) {
         Triangle(p, 1.5, 6.5, false);
         Triangle(p, 8, 6.5, false);
     }},
    {"EndBitmap",
     [](QPainterPath& p) {
         Triangle(p, 3, 8, false);
         Bar(p, 11.5);
     }},
    {"RecordBitmap", [](QPainterPath& p) { p.addEllipse(QPointF(8, 8), 5, 5); },
     QColor(0xD0, 0x10, 0x10)},
    // Round again: three quarters of a ring turning anticlockwise, the arrow at its end.
    {"RetakeBitmap",
     [](QPainterPath& p) {
         const QRectF outer(2.5, 3, 11, 11);
         const QRectF inner(4.5, 5, 7, 7);
         p.arcMoveTo(outer, 0);
         p.arcTo(outer, 0, 270);
         p.arcTo(inner, 270, -270);
         p.closeSubpath();
         p.moveTo(8, 10.5);
         p.lineTo(11.5, 13);
         p.lineTo(8, 15.5);
         p.closeSubpath();
     }},
};

// Paints one shape scaled into whatever size is asked for, in the palette's button text colour
// (its disabled tone for a disabled button).
class ShapeIconEngine : public QIconEngine {
public:
    ShapeIconEngine(Shape shape, std::optional<QColor> colour)
        : shape(std::move(shape)), colour(std::move(colour)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QPainterPath path;
        shape(path);
        QPalette::ColorGroup group =
            mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active;
        QColor fill = colour && mode != QIcon::Disabled
                          ? *colour
                          : QApplication::palette().color(group, QPalette::ButtonText);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        qreal side = std::min(rect.width(), rect.height());
        painter->translate((rect.width() - side) / 2, (rect.height() - side) / 2);
        painter->scale(side / 16, side / 16);
        painter->fillPath(path, fill);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap image(size * scale);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return image;
    }

    QIconEngine* clone() const override { return new ShapeIconEngine(shape, colour); }

private:
    Shape shape;
    std::optional<QColor> colour;
};

}  // namespace

QIcon TransportIcon(const char* name) {
    for (const NamedShape& entry : kShapes) {
        if (std::strcmp(entry.name, name) == 0) {
            return QIcon(new ShapeIconEngine(entry.shape, entry.colour));
        }
    }
    return {};
}
