// The program's own window for its help pages and for text files such as the caller logs, so
// that showing them needs no desktop program.
#pragma once

#include <QWidget>
#include <string>

class QTextBrowser;

class HelpWindow : public QWidget {
    Q_OBJECT

public:
    // Shows `file` in the help window over `owner` (a window of its own when null): an HTML page
    // with its links followed inside the window (web links go to the desktop's browser), any
    // other file as plain text. One help window at a time: it is reused while it stays over the
    // same owner. False when the file cannot be read.
    static bool Show(const std::string& file, QWidget* owner);
    // The help window while it is open; null otherwise.
    static HelpWindow* Current();

    QTextBrowser* Browser() const { return browser; }

private:
    explicit HelpWindow(QWidget* owner);

    QTextBrowser* browser;
};
