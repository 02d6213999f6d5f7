// A temporary folder for the mail tests, with a settings file and small shell scripts that stand
// in for mail programs.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/TempDir.h"

class MailTestFolder : public ::testing::Test {
protected:
    // An executable shell script `name` in the folder running `commands`; its path.
    std::string Script(const std::string& name, const std::string& commands) {
        const std::string path = dir / name;
        WriteFile(path, "#!/bin/sh\n" + commands + "\n");
        ::chmod(path.c_str(), 0755);
        return path;
    }

    TempDir dir;
    std::string settingsFile = dir / "settings.ini";
};
