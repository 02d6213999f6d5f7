// The progress dialog and the modeless dialog runner.
#include "controls/LProgressDialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "controls/LDialog.h"

namespace {

// Shows a window over its owner and keeps the owner disabled while the window is up. The window
// is the owner's transient window, not its child: disabling the owner would disable a child too.
class OwnedWindow {
public:
    OwnedWindow(QWidget& window, QWidget* owner) : owner(owner) {
        if (owner) {
            window.winId();
            window.windowHandle()->setTransientParent(owner->window()->windowHandle());
        }
        window.show();
        if (owner) {
            owner->setEnabled(false);
        }
    }
    ~OwnedWindow() {
        if (owner) {
            owner->setEnabled(true);
            owner->activateWindow();
            owner->setFocus();
        }
    }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;

private:
    QPointer<QWidget> owner;
};

// Hands every key press and release sent to a dialog's window to the dialog's key hook before
// the window passes it on to the control that has the focus.
class KeyHook : public QObject {
public:
    explicit KeyHook(LDialog& dialog) : dialog(dialog) {}

    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
        return key && dialog.PreTranslate(static_cast<QKeyEvent*>(event));
    }

private:
    LDialog& dialog;
};

}  // namespace

class LProgressDialog::ProgressWindow : public LDialog {
public:
    explicit ProgressWindow(LProgressDialog& progress) : progress(progress) {
        int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        auto* icon = new QLabel(this);
        icon->setPixmap(QApplication::windowIcon().pixmap(iconSize));
        icon->setAlignment(Qt::AlignTop);

        auto* layout = new QGridLayout(this);
        layout->addWidget(icon, 0, 0, 3, 1);
        layout->addWidget(Line(kIdFirstLine), 0, 1, 1, 2);
        layout->addWidget(Line(kIdSecondLine), 1, 1, 1, 2);
        auto* bar = Bind(kIdProgress, new QProgressBar(this));
        bar->setRange(0, 100);
        layout->addWidget(bar, 2, 1, 1, 2);
        layout->addWidget(Line(kIdMessage), 3, 0, 1, 2);
        layout->addWidget(Bind(kIdCancel, new QPushButton(QStringLiteral("Cancel"), this)), 3, 2);
        layout->setColumnStretch(1, 1);
        setFixedSize(sizeHint().expandedTo(DialogUnits(fontMetrics(), 169, 48)));
    }

    void OnInit() override {
        setWindowTitle(progress.title);
        ItemAs<QLabel>(kIdMessage)->setText(progress.message);
        ItemAs<QProgressBar>(kIdProgress)->setValue(0);
    }

    bool OnMessage(int message, qintptr first, qintptr second) override {
        return progress.HandleMessage(message, first, second);
    }

private:
    // A text line one line high whose long texts are cut rather than widening the dialog.
    QLabel* Line(int id) {
        auto* label = Bind(id, new QLabel(this));
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        label->setMinimumHeight(fontMetrics().height());
        return label;
    }

    LProgressDialog& progress;
};

LProgressDialog::LProgressDialog() = default;

LProgressDialog::~LProgressDialog() = default;

std::uint32_t LProgressDialog::Run(QWidget* owner) {
    if (running) {
        return 0;
    }
    running = true;
    window = std::make_unique<ProgressWindow>(*this);
    std::uint32_t result = 0;
    {
        OwnedWindow shown(*window, owner);
        if (!Pump()) {
            result = Work();
        }
        window.reset();
    }
    running = false;
    return result;
}

bool LProgressDialog::Pump() {
    QCoreApplication::processEvents();
    return !Window();
}

void LProgressDialog::SetText(const QString& text, int line) {
    LDialog* open = Window();
    if (open && (line == 0 || line == 1)) {
        open->ItemAs<QLabel>(line == 0 ? kIdFirstLine : kIdSecondLine)->setText(text);
    }
}

void LProgressDialog::SetProgress(double fraction) {
    if (LDialog* open = Window()) {
        double percent = std::clamp(std::trunc(fraction * 100), 0.0, 100.0);
        open->ItemAs<QProgressBar>(kIdProgress)->setValue(static_cast<int>(percent));
    }
}

LDialog* LProgressDialog::Window() const {
    return window && !window->IsFinished() ? window.get() : nullptr;
}

int RunModelessDialog(LDialog& dialog, QWidget* owner) {
    OwnedWindow shown(dialog, owner);
    KeyHook hook(dialog);
    dialog.windowHandle()->installEventFilter(&hook);
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    if (!dialog.IsFinished()) {
        loop.exec();
    }
    return dialog.result();
}
