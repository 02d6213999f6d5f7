// The settings pages' number edit.
#include "ui/NumberEdit.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace {

// Nine digits keep every value within a signed 32-bit setting.
constexpr int kMaxDigits = 9;
// Room for six digits and the edit's frame.
constexpr int kFrameWidth = 12;

}  // namespace

QLineEdit* NewNumberEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setMaxLength(kMaxDigits);
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000000")) +
                        kFrameWidth);
    return edit;
}
