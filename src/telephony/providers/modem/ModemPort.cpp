// The serial port of a voice modem: its locks against other programs, its raw settings, reads
// that never wait and writes that wait a bounded time.
#include "telephony/providers/modem/ModemPort.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <thread>

#include "base/AsciiText.h"
#include "base/PosixFile.h"

namespace {

namespace fs = std::filesystem;

// UUCP lock files are named after the device node: LCK..ttyACM0.
constexpr char kLockPrefix[] = "LCK..";
constexpr std::size_t kReadChunk = 4096;

// Calls `visit` with each entry of `folder` until it returns true; a folder that cannot be read,
// or stops being readable (a process that ends), has no more entries.
template <typename Visit>
void VisitEntries(const fs::path& folder, Visit visit) {
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (visit(entry->path())) {
            return;
        }
    }
}

// "ModemManager (pid 812)", or "pid 812" when its name cannot be read.
std::string ProcessDescription(pid_t pid) {
    const std::string id = "pid " + std::to_string(pid);
    const std::optional<std::string> name = ReadWholeFile("/proc/" + std::to_string(pid) + "/comm");
    const std::string_view trimmed = name ? TrimSpace(*name) : std::string_view();
    return trimmed.empty() ? id : std::string(trimmed) + " (" + id + ")";
}

// A process that has `device` open, among the processes whose open files this user may see;
// empty when none is found.
std::string HolderOf(const struct stat& device) {
    std::string holder;
    VisitEntries("/proc", [&](const fs::path& process) {
        pid_t pid = 0;
        const std::string name = process.filename();
        const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
        if (error != std::errc() || end != name.data() + name.size()) {
            return false;
        }
        VisitEntries(process / "fd", [&](const fs::path& file) {
            struct stat st {};
            if (::stat(file.c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
                st.st_rdev == device.st_rdev) {
                holder = ProcessDescription(pid);
            }
            return !holder.empty();
        });
        return !holder.empty();
    });
    return holder;
}

// The process id in a UUCP lock file: ASCII, ten characters padded with spaces and a newline,
// or the binary int that older tools write.
std::optional<pid_t> LockPid(const std::string& content) {
    const std::string_view text = TrimSpace(content);
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pid);
    if (!text.empty() && error == std::errc() && end == text.data() + text.size()) {
        return pid > 0 ? std::optional(pid) : std::nullopt;
    }
    if (content.size() == sizeof(int)) {
        int binary = 0;
        std::memcpy(&binary, content.data(), sizeof binary);
        return binary > 0 ? std::optional<pid_t>(binary) : std::nullopt;
    }
    return std::nullopt;
}

// The live process a UUCP lock file names. A lock left by a process that has ended is stale: it
// is removed. One that cannot be read names no one (it may be being written).
std::optional<pid_t> LiveLockHolder(const std::string& file) {
    const std::optional<std::string> content = ReadWholeFile(file);
    const std::optional<pid_t> pid = content ? LockPid(*content) : std::nullopt;
    if (!pid) {
        return std::nullopt;
    }
    if (::kill(*pid, 0) == 0 || errno != ESRCH) {  // EPERM: another user's live process
        return pid;
    }
    ::unlink(file.c_str());
    return std::nullopt;
}

PortFailure FailureOf(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return {PortProblem::Missing, {}};
        case EACCES:
        case EPERM:
            return {PortProblem::NoAccess, {}};
        case ENOTTY:
            return {PortProblem::NotTerminal, {}};
        default:
            return {PortProblem::Other, std::system_category().message(error)};
    }
}

// Raw 8-bit bytes both ways, hardware flow control, DTR dropped on the last close, reads that
// return at once. A pseudo terminal has no modem lines: it may refuse what needs them.
bool SetRaw(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~CSTOPB;
    settings.c_cflag |= CS8 | CLOCAL | CREAD | CRTSCTS | HUPCL;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    ::cfsetispeed(&settings, B115200);
    ::cfsetospeed(&settings, B115200);
    if (::tcsetattr(fd, TCSANOW, &settings) == 0) {
        return true;
    }
    settings.c_cflag &= ~(CRTSCTS | HUPCL);
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

}  // namespace

std::string Describe(const PortFailure& failure) {
    switch (failure.problem) {
        case PortProblem::Missing:
            return "no such port";
        case PortProblem::NoAccess:
            return "no access (the user is not in group dialout)";
        case PortProblem::Held:
            return "held by " + (failure.detail.empty() ? "another program" : failure.detail);
        case PortProblem::NotTerminal:
            return "not a serial port";
        case PortProblem::Other:
            break;
    }
    return failure.detail;
}

ModemPort::OwnLock& ModemPort::OwnLock::operator=(OwnLock&& other) noexcept {
    if (this != &other) {
        OwnLock gone(std::move(*this));
        file = std::exchange(other.file, {});
    }
    return *this;
}

ModemPort::OwnLock::~OwnLock() {
    if (!file.empty()) {
        ::unlink(file.c_str());
    }
}

ModemPort::ModemPort(UniqueFd fd, std::string path, OwnLock lock)
    : lock(std::move(lock)), fd(std::move(fd)), path(std::move(path)) {}

std::variant<ModemPort, PortFailure> ModemPort::Open(const std::string& path,
                                                     const std::string& lockFolder) {
    std::error_code error;
    const fs::path device = fs::canonical(path, error);
    struct stat node {};
    if (error || ::stat(device.c_str(), &node) != 0) {
        return FailureOf(error ? error.value() : errno);
    }
    if (!S_ISCHR(node.st_mode)) {
        return PortFailure{PortProblem::NotTerminal, {}};
    }
    const std::string lockFile = lockFolder + "/" + kLockPrefix + device.filename().string();
    if (const std::optional<pid_t> holder = LiveLockHolder(lockFile)) {
        return PortFailure{PortProblem::Held, ProcessDescription(*holder)};
    }
    UniqueFd fd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd && errno == EBUSY) {  // another program set TIOCEXCL
        return PortFailure{PortProblem::Held, HolderOf(node)};
    }
    if (!fd) {
        return FailureOf(errno);
    }
    if (!::isatty(fd.Get())) {
        return PortFailure{PortProblem::NotTerminal, {}};
    }
    switch (TryLockExclusive(fd.Get())) {
        case LockTry::Taken:
            break;
        case LockTry::Busy:
            fd.Reset();  // closed first, or this process would be found holding it
            return PortFailure{PortProblem::Held, HolderOf(node)};
        case LockTry::Failed:
            return FailureOf(errno);
    }
    // Keeps out openers that do not take the flock; the flock already keeps out those that do.
    ::ioctl(fd.Get(), TIOCEXCL);
    if (!SetRaw(fd.Get())) {
        return FailureOf(errno);
    }
    // Created new, so a lock another program took meanwhile stays its own; a folder this user
    // may not write to (or a lock that could not be read) leaves the port without one.
    OwnLock lock;
    if (UniqueFd out(::open(lockFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        out) {
        char text[16];
        std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
        lock = OwnLock(lockFile);
        if (!WriteAll(out.Get(), text)) {
            lock = OwnLock();
        }
    }
    return ModemPort(std::move(fd), path, std::move(lock));
}

bool ModemPort::Read(std::vector<std::uint8_t>& bytes) {
    std::uint8_t chunk[kReadChunk];
    for (;;) {
        const ssize_t n = RetryInterrupted([&] { return ::read(fd.Get(), chunk, sizeof chunk); });
        if (n > 0) {
            bytes.insert(bytes.end(), chunk, chunk + n);
            if (static_cast<std::size_t>(n) < sizeof chunk) {
                return true;  // all there was; a hang-up shows at the next read
            }
        } else if (n == 0 || errno == EAGAIN) {
            break;
        } else {
            return false;  // EIO, ENXIO, ENODEV: the port is gone
        }
    }
    // Raw with VMIN and VTIME 0, a terminal reads nothing as 0 bytes, as it reads the end of a
    // port that hung up: the hang-up is told by poll.
    pollfd state{fd.Get(), POLLIN, 0};
    return ::poll(&state, 1, 0) >= 0 && (state.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
}

bool ModemPort::Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout) {
    while (!bytes.empty()) {
        const ssize_t n =
            RetryInterrupted([&] { return ::write(fd.Get(), bytes.data(), bytes.size()); });
        if (n > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0 || errno != EAGAIN) {
            return false;
        }
        pollfd room{fd.Get(), POLLOUT, 0};
        const int ready =
            RetryInterrupted([&] { return ::poll(&room, 1, static_cast<int>(timeout.count())); });
        if (ready <= 0 || (room.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            return false;
        }
    }
    return true;
}

void ModemPort::DropDtr(std::chrono::milliseconds duration) {
    const int dtr = TIOCM_DTR;
    if (::ioctl(fd.Get(), TIOCMBIC, &dtr) != 0) {
        return;  // a pseudo terminal refuses: it has no DTR
    }
    std::this_thread::sleep_for(duration);
    ::ioctl(fd.Get(), TIOCMBIS, &dtr);
}
