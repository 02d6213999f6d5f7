// The progress dialog that long operations on the user-interface thread run under, and the runner
// that shows the play and record dialogs as modal loops over a modeless dialog.
#pragma once

#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <memory>

class LDialog;
class QWidget;

// A base class: the caller derives from it, puts the operation in Work and calls Pump from
// inside it, which keeps the windows alive and tells when the user has cancelled.
class LProgressDialog {
public:
    static constexpr int kIdFirstLine = 100;
    static constexpr int kIdSecondLine = 101;
    static constexpr int kIdProgress = 102;
    static constexpr int kIdMessage = 103;

    LProgressDialog();
    virtual ~LProgressDialog();
    LProgressDialog(const LProgressDialog&) = delete;
    LProgressDialog& operator=(const LProgressDialog&) = delete;

    // Shows the dialog over `owner` (disabled meanwhile; may be null) and runs Work. Returns
    // Work's result, or 0 when cancelled before the work began or when already running.
    std::uint32_t Run(QWidget* owner);
    // Dispatches all pending events; true when the dialog has been closed (cancelled).
    bool Pump();
    // Line 0 sets the first text line, line 1 the second; other lines are ignored, and so is
    // everything while the dialog is closed.
    void SetText(const QString& text, int line);
    // Sets the bar to trunc(fraction x 100) percent, within 0..100.
    void SetProgress(double fraction);

    // The dialog while it is open, else null.
    LDialog* Window() const;

    QString title;    // the window caption
    QString message;  // the text of control 103

protected:
    // The long operation; its result is what Run returns.
    virtual std::uint32_t Work() = 0;
    // Messages sent to the dialog; true when handled.
    virtual bool HandleMessage(int /*message*/, qintptr /*first*/, qintptr /*second*/) {
        return false;
    }

private:
    class ProgressWindow;

    std::unique_ptr<ProgressWindow> window;  // exists during Run; closed once finished
    bool running = false;
};

// Shows `dialog` (made without a parent) over `owner`, which is disabled meanwhile, and runs the
// event loop until the dialog has finished or the application quits. Every key press and release
// for the dialog goes to its PreTranslate first, and on to the dialog's controls only when not
// taken. Returns the dialog's result.
int RunModelessDialog(LDialog& dialog, QWidget* owner);
