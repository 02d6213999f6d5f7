// The Qt event loop of subcommands that play or record.
#include "tool/ToolEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> interrupted{false};
QEventLoop* currentLoop = nullptr;
// A quit asked for before the loop runs (the work ended at once) must not be lost.
bool quitRequested = false;

extern "C" void OnSignal(int) {
    interrupted = true;
}

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
    interrupted = false;
    auto oldInt = std::signal(SIGINT, OnSignal);
    auto oldTerm = std::signal(SIGTERM, OnSignal);
    QEventLoop loop;
    currentLoop = &loop;
    // A signal handler may only set a flag; the loop looks at it.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (interrupted.exchange(false)) {
            onInterrupt();
        }
    });
    watch.start(50);
    if (!quitRequested) {
        loop.exec();
    }
    currentLoop = nullptr;
    quitRequested = false;
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
}

void QuitToolEventLoop() {
    quitRequested = true;
    if (currentLoop) {
        currentLoop->quit();
    }
}
