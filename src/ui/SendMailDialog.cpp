// The send dialog.
#include "ui/SendMailDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "mail/MailAddress.h"
#include "ui/MessageTexts.h"

SendMailDialog::SendMailDialog(QString address, QWidget* parent)
    : LDialog(parent), address(std::move(address)) {
    setWindowTitle(QStringLiteral("Send Recording by Email"));
    auto* to = Bind(kIdAddress, new QLineEdit(this));
    to->setMaxLength(kMaxText);
    auto* toLabel = new QLabel(QStringLiteral("To &Email:"), this);
    toLabel->setBuddy(to);
    auto* text = Bind(kIdMessage, new QPlainTextEdit(this));
    text->setTabChangesFocus(true);
    auto* textLabel = new QLabel(QStringLiteral("&Message:"), this);
    textLabel->setBuddy(text);
    // A plain text edit has no length limit of its own.
    connect(text, &QPlainTextEdit::textChanged, this, [text] {
        if (text->toPlainText().size() > kMaxText) {
            text->setPlainText(text->toPlainText().left(kMaxText));
            text->moveCursor(QTextCursor::End);
        }
    });

    auto* buttons = new QDialogButtonBox(this);
    auto* send =
        Bind(kIdOK, buttons->addButton(QStringLiteral("Send"), QDialogButtonBox::AcceptRole));
    send->setDefault(true);
    Bind(kIdCancel, buttons->addButton(QDialogButtonBox::Cancel));

    auto* layout = new QGridLayout(this);
    layout->addWidget(toLabel, 0, 0);
    layout->addWidget(to, 0, 1);
    layout->addWidget(textLabel, 1, 0, Qt::AlignTop);
    layout->addWidget(text, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
    resize(DialogUnits(fontMetrics(), 220, 110));
}

void SendMailDialog::OnInit() {
    ItemAs<QLineEdit>(kIdAddress)->setText(address);
}

bool SendMailDialog::OnOK() {
    QString typed = ItemAs<QLineEdit>(kIdAddress)->text();
    std::string cleaned;
    MailResult check = CleanMailAddress(typed.toStdString(), cleaned);
    if (!check.ok) {
        ShowMessage(this, messages::kMailAddressRefused, {check.error});
        return false;
    }
    address = typed;
    message = static_cast<QPlainTextEdit*>(Item(kIdMessage))->toPlainText();
    return true;
}
