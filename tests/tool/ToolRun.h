// quillon-tool run in-process, with its data and configuration folders in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <sstream>

#include "support/TempDir.h"
#include "tool/Tool.h"

class ToolRun : public ::testing::Test {
protected:
    // Runs the tool; what it printed is left in `out` and `err`.
    int Run(const ToolArgs& args) {
        std::ostringstream printed;
        std::ostringstream errors;
        int code = RunTool(args, printed, errors);
        out = printed.str();
        err = errors.str();
        return code;
    }

    TempDir root;
    ScopedEnv data{"XDG_DATA_HOME", root / "data"};
    ScopedEnv config{"QUILLON_CONFIG_DIR", root / "config"};
    std::string dataFolder = root / "data/Ostrel/Quillon/";
    std::string out;
    std::string err;
};
