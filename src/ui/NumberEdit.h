// The settings pages' edit for a whole number (the high-pass frequency, the days recordings are
// kept): digits only, at most nine, right-aligned, six digits wide.
#pragma once

class QLineEdit;
class QWidget;

QLineEdit* NewNumberEdit(QWidget* parent);
