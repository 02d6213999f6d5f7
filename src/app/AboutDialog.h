// The About box: the program's name, version and maker.
#pragma once

#include "controls/LDialog.h"

class AboutDialog : public LDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
