// The program's pictures.
#include "app/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace {

const QColor kTileTop(34, 64, 122);
const QColor kTileBottom(16, 32, 70);
const QColor kRecordRed(220, 30, 30);

// A handset lying across `box`: ear cup at the top left, mouth cup at the bottom right, joined
// by a bowed handle.
void DrawHandset(QPainter& painter, const QRectF& box, const QColor& colour) {
    painter.save();
    painter.translate(box.center());
    painter.rotate(-45);
    qreal length = box.width() * 1.05;
    qreal thickness = box.width() * 0.19;
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);

    QPainterPath handle;
    handle.moveTo(-length / 2, 0);
    handle.quadTo(0, -thickness * 1.4, length / 2, 0);
    QPainterPathStroker stroker;
    stroker.setWidth(thickness);
    stroker.setCapStyle(Qt::RoundCap);
    painter.drawPath(stroker.createStroke(handle));

    // The cups reach towards the ear and mouth, below the handle.
    for (int side : {-1, 1}) {
        QRectF cup(side * length / 2 - thickness * 0.95, -thickness * 0.35, thickness * 1.9,
                   thickness * 1.25);
        painter.drawRoundedRect(cup, thickness * 0.45, thickness * 0.45);
    }
    painter.restore();
}

void DrawRecordDot(QPainter& painter, const QPointF& centre, qreal radius) {
    QRadialGradient glow(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.2);
    glow.setColorAt(0, QColor(255, 120, 110));
    glow.setColorAt(1, kRecordRed);
    painter.setBrush(glow);
    painter.setPen(QPen(Qt::white, std::max(1.0, radius * 0.18)));
    painter.drawEllipse(centre, radius, radius);
}

}  // namespace

QPixmap ProgramIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient tile(0, 0, 0, size);
    tile.setColorAt(0, kTileTop);
    tile.setColorAt(1, kTileBottom);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    qreal corner = size * 0.18;
    painter.drawRoundedRect(QRectF(0, 0, size, size), corner, corner);
    DrawHandset(painter, QRectF(size * 0.12, size * 0.2, size * 0.66, size * 0.66), Qt::white);
    DrawRecordDot(painter, QPointF(size * 0.74, size * 0.26), size * 0.17);
    return pixmap;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) {
        icon.addPixmap(ProgramIconPixmap(size));
    }
    return icon;
}

QPixmap SplashPicture() {
    const int width = 360;
    const int height = 150;
    QPixmap pixmap(width, height);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, kTileTop);
    sky.setColorAt(1, kTileBottom);
    painter.fillRect(pixmap.rect(), sky);

    DrawHandset(painter, QRectF(30, 22, 104, 104), Qt::white);

    // A recorded voice: a waveform running from the handset into the recording dot.
    QPainterPath wave;
    const qreal mid = height / 2.0 + 6;
    wave.moveTo(150, mid);
    for (int x = 150; x <= 290; x += 2) {
        qreal t = (x - 150) / 140.0;
        qreal envelope = 34 * std::sin(t * 3.14159) * (0.55 + 0.45 * std::sin(t * 17));
        wave.lineTo(x, mid + envelope * std::sin(x * 0.38));
    }
    painter.setPen(QPen(QColor(120, 200, 255), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(wave);

    DrawRecordDot(painter, QPointF(318, mid), 22);
    return pixmap;
}

namespace {

constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 56;

// A button face: `symbol` drawn in the upper part, `caption` under it.
template <class DrawSymbol>
QPixmap ButtonFace(const QString& caption, const QColor& captionColour, DrawSymbol drawSymbol) {
    QPixmap pixmap(kButtonWidth, kButtonHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawSymbol(painter, QPointF(kButtonWidth / 2.0, 20));
    QFont font = painter.font();
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(captionColour);
    painter.drawText(QRect(0, 38, kButtonWidth, 16), Qt::AlignCenter, caption);
    return pixmap;
}

}  // namespace

QPixmap RecordButtonImage(bool recording) {
    return ButtonFace(recording ? QStringLiteral("Recording") : QStringLiteral("Record"),
                      recording ? kRecordRed : QColor(64, 64, 64),
                      [recording](QPainter& painter, QPointF centre) {
                          if (recording) {
                              // A halo says the recording is running.
                              QRadialGradient halo(centre, 19);
                              halo.setColorAt(0.6, QColor(255, 60, 60, 160));
                              halo.setColorAt(1, QColor(255, 60, 60, 0));
                              painter.setPen(Qt::NoPen);
                              painter.setBrush(halo);
                              painter.drawEllipse(centre, 19, 19);
                          }
                          DrawRecordDot(painter, centre, 13);
                      });
}

QPixmap HoldButtonImage(bool holding) {
    QColor bars = holding ? QColor(230, 140, 0) : QColor(40, 80, 150);
    return ButtonFace(holding ? QStringLiteral("On Hold") : QStringLiteral("Hold"),
                      holding ? QColor(190, 110, 0) : QColor(64, 64, 64),
                      [bars](QPainter& painter, QPointF centre) {
                          painter.setPen(Qt::NoPen);
                          painter.setBrush(bars);
                          for (qreal offset : {-7.5, 7.5}) {
                              painter.drawRoundedRect(
                                  QRectF(centre.x() + offset - 4.5, centre.y() - 13, 9, 26), 2, 2);
                          }
                      });
}
