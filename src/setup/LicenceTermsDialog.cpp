// The terms dialog an installation starts with.
#include "setup/LicenceTermsDialog.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "setup/SetupTexts.h"

LicenceTermsDialog::LicenceTermsDialog(QWidget* parent) : LDialog(parent) {
    setWindowTitle(QString::fromLatin1(kTermsCaption));
    auto* terms = Bind(kIdTerms, new QPlainTextEdit(QString::fromLatin1(kLicenceTerms), this));
    terms->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(this);
    Bind(kIdOK,
         buttons->addButton(QString::fromLatin1(kAgreeButton), QDialogButtonBox::AcceptRole));
    auto* disagree = Bind(kIdCancel, buttons->addButton(QString::fromLatin1(kDisagreeButton),
                                                        QDialogButtonBox::RejectRole));
    // Enter alone does not agree.
    disagree->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(terms);
    layout->addWidget(buttons);
    resize(DialogUnits(fontMetrics(), 260, 180));
}

bool AskLicenceTerms() {
    LicenceTermsDialog dialog;
    return dialog.exec() == kResultOK;
}
