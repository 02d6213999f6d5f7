// The terms dialog an installation starts with: the licence, "I Agree" and "I Do Not Agree".
#pragma once

#include "controls/LDialog.h"

class LicenceTermsDialog : public LDialog {
    Q_OBJECT

public:
    static constexpr int kIdTerms = 101;

    explicit LicenceTermsDialog(QWidget* parent = nullptr);
};

// Shows the terms; true when the user agreed.
bool AskLicenceTerms();
