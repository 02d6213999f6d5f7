// The dialog framework.
#include "controls/LDialog.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>

#include "controls/LDBEdit.h"
#include "controls/LWaveWindow.h"

QSize DialogUnits(const QFontMetrics& metrics, int width, int height) {
    return QSize(width * metrics.averageCharWidth() / 4, height * metrics.height() / 8);
}

LDialog::LDialog(QWidget* parent) : QDialog(parent) {}

void LDialog::Initialize() {
    if (initialized) {
        return;
    }
    initialized = true;
    OnInit();
    Update();
}

void LDialog::Command(int id, int code) {
    switch (id) {
        case kIdOK:
            accept();
            break;
        case kIdCancel:
            reject();
            break;
        case kIdHelp:
            OnHelp();
            break;
        default:
            OnCommand(id, code);
            break;
    }
    if (!finished) {
        Update();
    }
}

bool LDialog::SendMessage(int message, qintptr first, qintptr second) {
    return OnMessage(message, first, second);
}

void LDialog::BindWidget(int id, QWidget* widget) {
    items[id] = widget;
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        connect(button, &QAbstractButton::clicked, this, [this, id] { Command(id, kCodeClicked); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        connect(combo, &QComboBox::activated, this, [this, id] { Command(id, kCodeSelChange); });
    } else if (auto* list = qobject_cast<QAbstractItemView*>(widget)) {
        // Lists and multi-column lists alike; their selection model comes with their model.
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, id] { Command(id, kCodeSelChange); });
        connect(list, &QAbstractItemView::doubleClicked, this,
                [this, id] { Command(id, kCodeDoubleClick); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        connect(edit, &QLineEdit::textEdited, this, [this, id] { Command(id, kCodeEditChange); });
    } else if (auto* dbEdit = qobject_cast<LDBEdit*>(widget)) {
        connect(dbEdit, &LDBEdit::Changed, this, [this, id] { Command(id, kCodeEditChange); });
    } else if (auto* wave = qobject_cast<LWaveWindow*>(widget)) {
        connect(wave, &LWaveWindow::Notify, this, [this, id](int code) { Command(id, code); });
    }
}

QAction* LDialog::BindAction(int id, QAction* action) {
    actions[id] = action;
    connect(action, &QAction::triggered, this, [this, id] { Command(id, kCodeClicked); });
    return action;
}

QWidget* LDialog::Item(int id) const {
    auto found = items.find(id);
    return found == items.end() ? nullptr : found->second;
}

QAction* LDialog::Action(int id) const {
    auto found = actions.find(id);
    return found == actions.end() ? nullptr : found->second;
}

void LDialog::EnableItem(int id, bool enable) {
    if (QWidget* widget = Item(id)) {
        widget->setEnabled(enable);
    }
    if (QAction* action = Action(id)) {
        action->setEnabled(enable);
    }
}

bool LDialog::IsItemEnabled(int id) const {
    if (QWidget* widget = Item(id)) {
        return widget->isEnabled();
    }
    QAction* action = Action(id);
    return action && action->isEnabled();
}

bool LDialog::IsChecked(int id) const {
    auto* button = qobject_cast<QAbstractButton*>(Item(id));
    return button && button->isChecked();
}

void LDialog::SetChecked(int id, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(Item(id))) {
        button->setChecked(checked);
    }
}

void LDialog::accept() {
    if (OnOK()) {
        done(kResultOK);
    }
}

void LDialog::reject() {
    if (OnCancel()) {
        done(kResultCancel);
    }
}

void LDialog::done(int result) {
    if (!finished) {
        finished = true;
        if (initialized) {
            OnDestroy();
        }
    }
    QDialog::done(result);
}

void LDialog::showEvent(QShowEvent* event) {
    Initialize();
    QDialog::showEvent(event);
}

void LDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        OnHelp();
        return;
    }
    if (!isWindow()) {
        // A page inside another dialog leaves Enter and Esc to the dialog around it.
        QWidget::keyPressEvent(event);
        return;
    }
    QDialog::keyPressEvent(event);
}
