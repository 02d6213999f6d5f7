// The Qt event loop of subcommands that play or record.
#include "tool/ToolEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>

#include "base/StopSignals.h"

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

void RunToolEventLoop(const std::function<void()>& onInterrupt) {
    EnsureToolApplication();
    StopSignals stopSignals;
    QSocketNotifier stopper(stopSignals.Fd(), QSocketNotifier::Read);
    QObject::connect(&stopper, &QSocketNotifier::activated, [&] {
        stopSignals.Acknowledge();
        onInterrupt();
    });
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
