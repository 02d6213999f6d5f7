// Handing files to the desktop: printing through lp.
#include "ui/DesktopShell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "UiTestSupport.h"
#include "support/TempDir.h"

namespace {

TEST(DesktopShellTest, PrintUsesLpWhenItIsInstalled) {
    QtWidgetsTestApp();
    TempDir dir;
    // A stand-in lp that hands its arguments over through a pipe, read once it has written.
    ::mkdir((dir / "bin").c_str(), 0700);
    ASSERT_EQ(::mkfifo((dir / "args").c_str(), 0600), 0);
    WriteScript(dir / "bin/lp", "printf '%s|' \"$@\" > \"" + dir / "args" + "\"\n");
    ScopedEnv path{"PATH", dir / "bin" + ":" + std::getenv("PATH")};
    WriteFile(dir / "-Log.txt", "Caller Log");

    ASSERT_TRUE(PrintWithDesktop(dir / "-Log.txt", nullptr));
    EXPECT_EQ(ReadFile(dir / "args"), "--|" + dir / "-Log.txt" + "|");
}

}  // namespace
