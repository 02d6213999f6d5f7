// The caller ID popup: a small frameless window near the notification area with the caller's
// number and name. A new call's popup replaces one still open; each closes 15 s after it opened.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

class QLabel;
class QWidget;

class CallerIdFlash : public QObject {
public:
    static constexpr int kCloseMs = 15000;
    static constexpr int kIdText = 101;

    explicit CallerIdFlash(QObject* parent = nullptr);
    ~CallerIdFlash() override;

    // Closes a popup still open and shows the lines of `text` (CR LF or LF between them) in a
    // new one, without taking the keyboard focus; `tray` is where the tray icon is, when the
    // desktop tells.
    void Show(const QString& text, const QRect& tray = {});
    void Close();

    // The popup showing; empty when none is.
    QWidget* Popup() const { return popup; }
    QLabel* Text() const;
    QTimer& CloseTimer() { return closeTimer; }

private:
    QPointer<QWidget> popup;
    QTimer closeTimer;
};
