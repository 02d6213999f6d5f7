// The mail program run with posix_spawn (no shell), its output collected through a pipe and its
// end watched through a process descriptor, so that a deadline holds whatever it does.
#include "mail/SendMail.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "base/AsciiText.h"
#include "base/PosixFile.h"

extern char** environ;

namespace {

// Spawn attributes that give the program default signal dispositions and no blocked signals,
// whatever the caller set for itself.
class DefaultSignals {
public:
    DefaultSignals() {
        posix_spawnattr_init(&attributes);
        sigset_t all;
        sigfillset(&all);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }
    ~DefaultSignals() { posix_spawnattr_destroy(&attributes); }
    DefaultSignals(const DefaultSignals&) = delete;
    DefaultSignals& operator=(const DefaultSignals&) = delete;
    const posix_spawnattr_t* Get() const { return &attributes; }

private:
    posix_spawnattr_t attributes;
};

// Starts `program` with `input` as its standard input and `output` as both its standard output
// and error (some programs report on either). The process id, or the spawn's error.
int Spawn(const std::string& program, int input, int output, pid_t& child) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("-t"),
                    const_cast<char*>("-oi"), nullptr};
    DefaultSignals signals;
    int error = ::posix_spawn(&child, program.c_str(), &actions, signals.Get(), argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

// Adds what `fd` holds now to `text`, keeping no more than the limit; the read's result.
ssize_t ReadOutput(int fd, std::string& text) {
    char buffer[4096];
    const ssize_t n = RetryInterrupted([&] { return ::read(fd, buffer, sizeof buffer); });
    if (n > 0) {
        const std::size_t room = kMailErrorTextLimit - std::min(kMailErrorTextLimit, text.size());
        text.append(buffer, std::min(static_cast<std::size_t>(n), room));
    }
    return n;
}

// The printed text for an error: trimmed, and when it reached the limit, without a multi-byte
// character at its end, which the limit may have split.
std::string ErrorText(const std::string& printed) {
    std::string_view text = TrimSpace(printed);
    if (printed.size() < kMailErrorTextLimit) {
        return std::string(text);
    }
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    std::size_t end = text.size();
    while (end > 0 && (byte(end - 1) & 0xC0) == 0x80) {
        --end;
    }
    if (end > 0 && byte(end - 1) >= 0xC0) {
        --end;
    }
    return std::string(text.substr(0, end)) + "...";
}

}  // namespace

MailResult SendMail(const std::string& program, int messageFd, std::chrono::milliseconds timeout) {
    const std::string name = "The mail program " + program;
    auto notStarted = [&](int error) {
        return MailResult::Failure(name + " could not be started: " + std::strerror(error) + ".");
    };
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return notStarted(errno);
    }
    UniqueFd readEnd(ends[0]);
    UniqueFd writeEnd(ends[1]);
    // Only this end never waits: the program's writes wait as usual.
    if (::fcntl(readEnd.Get(), F_SETFL, O_NONBLOCK) != 0) {
        return notStarted(errno);
    }
    pid_t child = -1;
    if (int error = Spawn(program, messageFd, writeEnd.Get(), child); error != 0) {
        return notStarted(error);
    }
    writeEnd.Reset();
    // Through syscall(): glibc 2.36's <sys/pidfd.h> does not declare its functions extern "C".
    UniqueFd ended(static_cast<int>(::syscall(SYS_pidfd_open, child, 0)));
    if (!ended) {
        const int error = errno;
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        return MailResult::Failure(name + " could not be watched: " + std::strerror(error) + ".");
    }

    std::string printed;
    bool exited = false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exited) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() < 0) {
            break;
        }
        pollfd watch[] = {{ended.Get(), POLLIN, 0}, {readEnd.Get(), POLLIN, 0}};
        const int ready =
            RetryInterrupted([&] { return ::poll(watch, 2, static_cast<int>(left.count())); });
        if (ready <= 0) {
            break;
        }
        if (watch[1].revents != 0) {
            if (const ssize_t n = ReadOutput(readEnd.Get(), printed);
                n == 0 || (n < 0 && errno != EAGAIN)) {
                readEnd.Reset();  // a negative descriptor, which poll passes over
            }
        }
        exited = watch[0].revents != 0;
    }
    if (!exited) {
        ::kill(child, SIGKILL);
    }
    // What it printed before it ended; a descendant that holds the pipe open is not waited for.
    while (readEnd && ReadOutput(readEnd.Get(), printed) > 0) {
    }
    int status = 0;
    RetryInterrupted([&] { return ::waitpid(child, &status, 0); });
    if (!exited) {
        return MailResult::Failure(name + " did not finish within " +
                                   std::to_string(timeout.count() / 1000) +
                                   " seconds and was stopped.");
    }
    if (WIFSIGNALED(status)) {
        return MailResult::Failure(name + " was ended by signal " +
                                   std::to_string(WTERMSIG(status)) + " (" +
                                   strsignal(WTERMSIG(status)) + ").");
    }
    if (WEXITSTATUS(status) != 0) {
        std::string text = ErrorText(printed);
        return MailResult::Failure(name + " failed with exit status " +
                                   std::to_string(WEXITSTATUS(status)) +
                                   (text.empty() ? "." : ": " + text));
    }
    return {};
}
