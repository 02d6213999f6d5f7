// The removal's question.
#include "setup/RemoveQuestionDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "setup/SetupTexts.h"

RemoveQuestionDialog::RemoveQuestionDialog(QWidget* parent) : LDialog(parent) {
    setWindowTitle(QString::fromLatin1(kRemoveCaption));
    auto* question = Bind(kIdQuestion, new QLabel(QString::fromLatin1(kRemoveQuestion), this));
    Bind(kIdDeleteRecordings, new QCheckBox(QString::fromLatin1(kDeleteRecordingsBox), this));
    auto* buttons = new QDialogButtonBox(this);
    Bind(kIdOK, buttons->addButton(QDialogButtonBox::Yes));
    Bind(kIdCancel, buttons->addButton(QDialogButtonBox::No))->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(Item(kIdDeleteRecordings));
    layout->addWidget(buttons);
}

bool RemoveQuestionDialog::OnOK() {
    deleteRecordings = IsChecked(kIdDeleteRecordings);
    return true;
}

std::optional<bool> AskRemoval(QWidget* owner) {
    RemoveQuestionDialog dialog(owner);
    if (dialog.exec() != kResultOK) {
        return std::nullopt;
    }
    return dialog.deleteRecordings;
}
