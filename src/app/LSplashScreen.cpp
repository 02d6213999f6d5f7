// The splash screen.
#include "app/LSplashScreen.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "app/Artwork.h"
#include "app/ProgramInfo.h"

namespace {

constexpr int kTextBandHeight = 82;
constexpr int kTextPixels = 16;

}  // namespace

LSplashScreen::LSplashScreen(QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture(SplashPicture()) {
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    setFixedSize(picture.width() + kExtraWidth, picture.height() + kExtraHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect desktop = screen->geometry();
        move(desktop.center() - rect().center());
    }
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &QWidget::close);
    timer.start(kShowMs);
    show();
    raise();
}

void LSplashScreen::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(96, 96, 96));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawPixmap(kExtraWidth / 2, kExtraWidth / 2, picture);

    QRect band(0, picture.height() + kExtraWidth / 2, width(), kTextBandHeight);
    QFont name = font();
    name.setPixelSize(kTextPixels);
    name.setBold(true);
    QFont version = name;
    version.setBold(false);
    painter.setPen(Qt::black);
    painter.setFont(name);
    painter.drawText(band.adjusted(0, 0, 0, -band.height() / 2), Qt::AlignHCenter | Qt::AlignBottom,
                     QString::fromLatin1(kProgramName));
    painter.setFont(version);
    painter.drawText(band.adjusted(0, band.height() / 2 + 4, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                     QString::fromLatin1(kVersionLine));
}

void LSplashScreen::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        close();
    }
}
