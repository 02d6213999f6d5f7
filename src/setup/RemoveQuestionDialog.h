// The removal's question, with a check box that also deletes the user's recordings and caller
// logs; off unless the user ticks it.
#pragma once

#include <optional>

#include "controls/LDialog.h"

class RemoveQuestionDialog : public LDialog {
    Q_OBJECT

public:
    static constexpr int kIdQuestion = 101;
    static constexpr int kIdDeleteRecordings = 102;

    explicit RemoveQuestionDialog(QWidget* parent = nullptr);

    bool OnOK() override;

    bool deleteRecordings = false;  // the box's state once Yes was chosen
};

// Asks over `owner`; nothing for No, else whether the recordings and caller logs go too.
std::optional<bool> AskRemoval(QWidget* owner);
