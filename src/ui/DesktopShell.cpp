// The desktop's own programs.
#include "ui/DesktopShell.h"

#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTextDocument>

bool PrintWithDesktop(const std::string& path, QWidget* owner) {
    QString file = QString::fromStdString(path);
    QString lp = QStandardPaths::findExecutable(QStringLiteral("lp"));
    if (!lp.isEmpty()) {
        // "--" keeps a file name that starts with '-' from reading as an option.
        return QProcess::startDetached(lp, {QStringLiteral("--"), file});
    }
    QFile text(file);
    if (!text.open(QIODevice::ReadOnly)) {
        return false;
    }
    QTextDocument document;
    document.setPlainText(QString::fromLocal8Bit(text.readAll()));
    QPrinter printer;
    QPrintDialog dialog(&printer, owner);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    document.print(&printer);
    return true;
}
