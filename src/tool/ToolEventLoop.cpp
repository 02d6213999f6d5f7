// The Qt event loop of subcommands that play or record.
#include "tool/ToolEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace {

QEventLoop* currentLoop = nullptr;
// A quit asked for before the loop runs (the work ended at once) must not be lost.
bool quitRequested = false;

}  // namespace

void EnsureToolApplication() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "quillon-tool";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
}

ToolStopSignals::ToolStopSignals(std::function<void()> onStop)
    : notifier(stopSignals.Fd(), QSocketNotifier::Read) {
    QObject::connect(&notifier, &QSocketNotifier::activated, [this, onStop = std::move(onStop)] {
        stopSignals.Acknowledge();
        onStop();
    });
}

void RunToolEventLoop(const std::function<void()>& onInterrupt) {
    EnsureToolApplication();
    ToolStopSignals stop(onInterrupt);
    QEventLoop loop;
    currentLoop = &loop;
    if (!quitRequested) {
        loop.exec();
    }
    currentLoop = nullptr;
    quitRequested = false;
}

void QuitToolEventLoop() {
    quitRequested = true;
    if (currentLoop) {
        currentLoop->quit();
    }
}
