// quillon-tool simulate stopped by SIGTERM or SIGINT, as a child process: the run ends in order,
// says so, and its temporary data folder goes with it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>

#include "support/TempDir.h"

extern char** environ;

namespace {

// Reads the child's output from `fd` onto `text` until `marker` came, or with no marker until
// the end; false when the guard time passed first or the output ended before the marker.
bool ReadUntil(int fd, std::string& text, const std::string& marker) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (marker.empty() || text.find(marker) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watch{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&watch, 1, static_cast<int>(left.count())) != 1) {
            return false;
        }
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return marker.empty();
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

TEST(SimulateSignalTest, AStoppedRunEndsInOrderAndLeavesNoFolderBehind) {
    for (int signal : {SIGTERM, SIGINT}) {
        TempDir dir;
        ASSERT_EQ(::mkdir((dir / "tmp").c_str(), 0700), 0);
        ScopedEnv tmp("TMPDIR", dir / "tmp");
        WriteFile(dir / "call.scenario", "0 ring 5550142\n3600 quit\n");
        int out[2];
        ASSERT_EQ(::pipe2(out, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::string scenario = dir / "call.scenario";
        char* argv[] = {const_cast<char*>(QUILLON_TOOL), const_cast<char*>("simulate"),
                        scenario.data(), nullptr};
        pid_t child = -1;
        ASSERT_EQ(::posix_spawn(&child, QUILLON_TOOL, &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);

        // The run tells its data folder once it has made it and stands ready for the signals.
        std::string printed;
        const std::string shown = "Data folder: ";
        const bool ready = ReadUntil(out[0], printed, " (removed at the end)\n");
        if (ready) {
            const std::size_t at = printed.find(shown) + shown.size();
            const std::string folder = printed.substr(at, printed.find(" (removed") - at);
            EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
            ::kill(child, signal);
        }
        const bool ended = ReadUntil(out[0], printed, "");
        ::close(out[0]);
        if (!ended) {
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(ready && ended) << printed;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
        EXPECT_TRUE(std::filesystem::is_empty(dir / "tmp")) << signal;
    }
}

}  // namespace
