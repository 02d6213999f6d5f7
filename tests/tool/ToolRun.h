// quillon-tool run in-process or as a child process, with its data and configuration folders in
// a temporary folder.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <sstream>

#include "support/TempDir.h"
#include "tool/Tool.h"

extern char** environ;

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

    // Runs the tool as a child process (with this process's limits), both its outputs in `out`,
    // and sends it `signal` once it has printed `ready`. A child still running after a minute is
    // killed and fails the test rather than hang it. The exit code, or -1.
    int RunChild(const ToolArgs& args, const std::string& ready = "", int signal = 0) {
        int ends[2];
        EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(QUILLON_TOOL)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        pid_t child = -1;
        EXPECT_EQ(::posix_spawn(&child, QUILLON_TOOL, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        out.clear();
        bool ended = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (!ended && std::chrono::steady_clock::now() < deadline) {
            if (signal != 0 && out.find(ready) != std::string::npos) {
                ::kill(child, std::exchange(signal, 0));
            }
            pollfd watch{ends[0], POLLIN, 0};
            if (::poll(&watch, 1, 1000) == 1) {
                char buffer[4096];
                const ssize_t n = ::read(ends[0], buffer, sizeof buffer);
                ended = n <= 0;
                out.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
            }
        }
        ::close(ends[0]);
        if (!ended) {
            ADD_FAILURE() << args[0] << " still runs after a minute: " << out;
            ::kill(child, SIGKILL);
        }
        int status = 0;
        return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status)
                                                                          : -1;
    }

    TempDir root;
    ScopedEnv data{"XDG_DATA_HOME", root / "data"};
    ScopedEnv config{"QUILLON_CONFIG_DIR", root / "config"};
    std::string dataFolder = root / "data/Ostrel/Quillon/";
    std::string out;
    std::string err;
};
