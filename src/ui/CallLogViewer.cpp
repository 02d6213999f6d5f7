// The caller log viewer.
#include "ui/CallLogViewer.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/DesktopShell.h"
#include "ui/HelpWindow.h"
#include "ui/MessageTexts.h"

CallLogViewer::CallLogViewer(std::string logsFolder, QWidget* parent)
    : LDialog(parent),
      view(HelpWindow::Show),
      print(PrintWithDesktop),
      logsFolder(std::move(logsFolder)) {
    setWindowTitle(QStringLiteral("View or Print Incoming Call Logs"));

    auto* label = new QLabel(QStringLiteral("Incoming Call Logs"), this);
    auto* list = Bind(kIdList, new QListWidget(this));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSortingEnabled(true);
    list->setMinimumSize(220, 200);
    label->setBuddy(list);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(Bind(kIdView, new QPushButton(QStringLiteral("&View"), this)));
    buttons->addWidget(Bind(kIdPrint, new QPushButton(QStringLiteral("&Print"), this)));
    buttons->addWidget(Bind(kIdDelete, new QPushButton(QStringLiteral("Delete"), this)));
    buttons->addStretch(1);
    auto* close = Bind(kIdOK, new QPushButton(QStringLiteral("Close"), this));
    close->setDefault(true);
    buttons->addWidget(close);

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(list, 1, 0);
    layout->addLayout(buttons, 1, 1);
}

void CallLogViewer::OnInit() {
    auto* list = ItemAs<QListWidget>(kIdList);
    list->clear();
    QDir folder(QString::fromStdString(logsFolder));
    const QStringList files =
        folder.entryList({QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden);
    for (const QString& file : files) {
        // The item shows the name without ".txt"; it keeps the file's own name, whose
        // extension may be written in another letter case.
        auto* item = new QListWidgetItem(file.chopped(4), list);
        item->setData(Qt::UserRole, folder.filePath(file));
    }
    list->setCurrentItem(nullptr);
    list->clearSelection();
}

void CallLogViewer::Update() {
    bool selected = !SelectedFile().empty();
    EnableItem(kIdView, selected);
    EnableItem(kIdPrint, selected);
    EnableItem(kIdDelete, selected);
}

std::string CallLogViewer::SelectedFile() const {
    const QList<QListWidgetItem*> selected = ItemAs<QListWidget>(kIdList)->selectedItems();
    return selected.isEmpty() ? "" : selected.first()->data(Qt::UserRole).toString().toStdString();
}

void CallLogViewer::OnCommand(int id, int /*code*/) {
    std::string file = SelectedFile();
    if (file.empty()) {
        return;
    }
    switch (id) {
        case kIdView:
            view(file, this);
            break;
        case kIdPrint:
            print(file, this);
            break;
        case kIdDelete:
            if (ShowMessage(this, messages::kConfirmLogDelete) == kAnswerYes) {
                QFile::remove(QString::fromStdString(file));
                OnInit();
            }
            break;
        default:
            break;
    }
}
