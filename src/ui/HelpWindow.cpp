// The program's own help window.
#include "ui/HelpWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QPointer<HelpWindow> current;

constexpr int kWidth = 560;
constexpr int kHeight = 480;

}  // namespace

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window), browser(new QTextBrowser) {
    setAttribute(Qt::WA_DeleteOnClose);
    browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    resize(kWidth, kHeight);
    connect(browser, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(browser->documentTitle()); });
}

bool HelpWindow::Show(const std::string& file, QWidget* owner) {
    QString path = QString::fromStdString(file);
    QFile content(path);
    if (!content.open(QIODevice::ReadOnly)) {
        return false;
    }
    // A window over a modal dialog must belong to that dialog to be usable while it is open.
    if (current && current->parentWidget() != owner) {
        delete current;
    }
    if (!current) {
        current = new HelpWindow(owner);
    }
    QFileInfo info(path);
    if (info.suffix().compare(QStringLiteral("html"), Qt::CaseInsensitive) == 0) {
        current->browser->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    } else {
        current->browser->setPlainText(QString::fromLocal8Bit(content.readAll()));
        current->setWindowTitle(info.completeBaseName());
    }
    current->show();
    current->raise();
    current->activateWindow();
    return true;
}

HelpWindow* HelpWindow::Current() {
    return current;
}
