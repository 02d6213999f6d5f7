// Test entry: points every folder the program could touch (home, desktop base folders, the
// folder registration, the temporary folder) into a temporary folder, so no test reaches the
// user's real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "support/TempDir.h"

// Fontconfig leaves part of the configuration it parses unreachable when Qt first loads it; the
// leak checker is told that this one is the library's own.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TempDir home;
    ::setenv("HOME", home.Path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("QUILLON_CONFIG_DIR", (home / "quillon-config").c_str(), 1);
    // The program sweeps the temporary folder of what ended processes left there.
    ::mkdir((home / "tmp").c_str(), 0700);
    ::setenv("TMPDIR", (home / "tmp").c_str(), 1);
    return RUN_ALL_TESTS();
}
