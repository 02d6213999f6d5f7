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
        WriteScript(dir / name, commands + "\n");
        return dir / name;
    }

    TempDir dir;
    std::string settingsFile = dir / "settings.ini";
};
