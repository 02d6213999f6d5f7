// The caller ID popup.
#include "app/CallerIdFlash.h"

#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include "controls/LDialog.h"

namespace {

// Next to the tray icon when its place is known, else in the screen's bottom right corner,
// where most desktops keep their notification area.
QPoint Place(const QSize& size, const QRect& tray) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    constexpr int kMargin = 8;
    QPoint corner = tray.isValid() ? QPoint(tray.right() - size.width(),
                                            tray.top() > area.center().y()
                                                ? tray.top() - size.height() - kMargin
                                                : tray.bottom() + kMargin)
                                   : QPoint(area.right() - size.width() - kMargin,
                                            area.bottom() - size.height() - kMargin);
    corner.setX(
        std::clamp(corner.x(), area.left(), std::max(area.left(), area.right() - size.width())));
    corner.setY(
        std::clamp(corner.y(), area.top(), std::max(area.top(), area.bottom() - size.height())));
    return corner;
}

}  // namespace

CallerIdFlash::CallerIdFlash(QObject* parent) : QObject(parent) {
    closeTimer.setSingleShot(true);
    closeTimer.setTimerType(
        Qt::PreciseTimer);  // the full 15 s, never a coarse timer's early firing
    connect(&closeTimer, &QTimer::timeout, this, &CallerIdFlash::Close);
}

CallerIdFlash::~CallerIdFlash() {
    delete popup;
}

void CallerIdFlash::Show(const QString& text, const QRect& tray) {
    closeTimer.stop();
    Close();

    auto* window =
        new QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setObjectName(QStringLiteral("CallerIdPopup"));
    window->setStyleSheet(
        QStringLiteral("#CallerIdPopup { background: #fffbe6; border: 1px solid #8a6d00; }"));
    // One line each for what the text has; a caller's number or name may be missing. Plain
    // text, so that a name with markup in it neither breaks the lines nor shows as markup.
    const QStringList lines =
        QString(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    auto* label = new QLabel(lines.join(QLatin1Char('\n')), window);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(QStringLiteral("id%1").arg(kIdText));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->addWidget(label);
    window->setMinimumSize(DialogUnits(window->fontMetrics(), 70, 29));
    window->adjustSize();
    window->move(Place(window->size(), tray));
    window->show();
    popup = window;
    closeTimer.start(kCloseMs);
}

void CallerIdFlash::Close() {
    delete popup;  // the pointer clears itself
}

QLabel* CallerIdFlash::Text() const {
    return popup ? popup->findChild<QLabel*>(QStringLiteral("id%1").arg(kIdText)) : nullptr;
}
