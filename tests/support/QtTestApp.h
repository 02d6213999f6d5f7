// The one Qt application object of a test program whose code posts events to its own thread.
#pragma once

#include <QCoreApplication>
#include <QTimer>

inline QCoreApplication& QtTestApp() {
    static int argc = 1;
    static char name[] = "quillon-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Delivers every event posted so far, as the program's event loop would (in a widgets test, that
// of its QApplication).
inline void DeliverPostedEvents() {
    if (!QCoreApplication::instance()) {
        QtTestApp();
    }
    QCoreApplication::sendPostedEvents();
}

// Does at once what `timer` does when its time is up.
inline void FireTimer(QTimer& timer) {
    timer.stop();
    QMetaObject::invokeMethod(&timer, "timeout");
}
