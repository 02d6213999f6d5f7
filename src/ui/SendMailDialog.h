// The send dialog of Find and Play: the address to send recordings to, and a message for the
// body.
#pragma once

#include <QString>

#include "controls/LDialog.h"

class SendMailDialog : public LDialog {
    Q_OBJECT

public:
    static constexpr int kIdAddress = 101;
    static constexpr int kIdMessage = 102;
    // Longest address and message.
    static constexpr int kMaxText = 259;

    explicit SendMailDialog(QString address, QWidget* parent = nullptr);

    void OnInit() override;
    // Takes the address and the message; an address that cannot be sent to is refused with a
    // message box, and the dialog stays open.
    bool OnOK() override;

    QString address;
    QString message;
};
