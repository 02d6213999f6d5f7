// The dialog framework: every dialog and property page of the program is an LDialog whose
// virtual slots the framework calls. Controls are registered under their numeric identifiers,
// so a dialog reads as its table of identifiers, enable rules and commands, and every
// notification of a control arrives as OnCommand(identifier, code) followed by Update.
#pragma once

#include <QDialog>
#include <QtGlobal>
#include <map>

class QAction;
class QFontMetrics;
class QKeyEvent;

// Command identifiers shared by all dialogs.
inline constexpr int kIdOK = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdHelp = 9;

// Notification codes that come with a command.
inline constexpr int kCodeClicked = 0;         // buttons, check boxes, menu items, clickable texts
inline constexpr int kCodeSelChange = 1;       // list and drop-down list selection changed
inline constexpr int kCodeDoubleClick = 2;     // list item double-clicked
inline constexpr int kCodeEditChange = 0x300;  // text of an edit, or value of a dB edit, changed

// What a modal dialog's run ends with.
inline constexpr int kResultOK = 1;
inline constexpr int kResultCancel = 2;

// A size given in dialog units, in pixels of the font of `metrics`: a unit is a quarter of the
// average character width across and an eighth of the line height down.
QSize DialogUnits(const QFontMetrics& metrics, int width, int height);

class LDialog : public QDialog {
    Q_OBJECT

public:
    explicit LDialog(QWidget* parent = nullptr);

    // OnInit then Update, once. Showing the dialog does it when nothing did before.
    void Initialize();
    // Routes a command as a control's notification does: 1 to OnOK, 2 to OnCancel, 9 to OnHelp,
    // anything else to OnCommand; then Update, unless the dialog has finished.
    void Command(int id, int code = kCodeClicked);
    // A user message, delivered synchronously to OnMessage; returns what it returned.
    bool SendMessage(int message, qintptr first = 0, qintptr second = 0);

    // Registers `widget` under `id` and routes its notifications to Command.
    template <class Widget>
    Widget* Bind(int id, Widget* widget) {
        BindWidget(id, widget);
        return widget;
    }
    QAction* BindAction(int id, QAction* action);

    QWidget* Item(int id) const;
    template <class Widget>
    Widget* ItemAs(int id) const {
        return qobject_cast<Widget*>(Item(id));
    }
    QAction* Action(int id) const;
    // Enables a control or menu item by identifier.
    void EnableItem(int id, bool enable);
    bool IsItemEnabled(int id) const;
    bool IsChecked(int id) const;
    void SetChecked(int id, bool checked);

    bool IsInitialized() const { return initialized; }
    bool IsFinished() const { return finished; }

    // The framework's slots.
    virtual void OnInit() {}
    // Whether OK may close the dialog.
    virtual bool OnOK() { return true; }
    // Whether Cancel, Esc or the close box may close the dialog.
    virtual bool OnCancel() { return true; }
    virtual void OnHelp() {}
    // Refreshes the controls' states from the dialog's data.
    virtual void Update() {}
    virtual void OnCommand(int /*id*/, int /*code*/) {}
    // The dialog is going away; called once.
    virtual void OnDestroy() {}
    // User messages and notifications from other parts of the program; true when handled.
    virtual bool OnMessage(int /*message*/, qintptr /*first*/, qintptr /*second*/) { return false; }
    // A key hook consulted before the key reaches any window; true when the key is taken.
    virtual bool PreTranslate(QKeyEvent* /*event*/) { return false; }

    void accept() override;
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BindWidget(int id, QWidget* widget);

    std::map<int, QWidget*> items;
    std::map<int, QAction*> actions;
    bool initialized = false;
    bool finished = false;
};
