// The one Qt application object of a test program that creates windows, drawn offscreen.
#pragma once

#include <QApplication>
#include <cstdlib>

inline QApplication& QtWidgetsTestApp() {
    static int argc = 1;
    static char name[] = "quillon-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}
