// The modem's serial port on pseudo terminals: raw bytes both ways, locks honoured and taken,
// holders named, failures told apart, a write that gets no room and a port that goes away.
#include "telephony/providers/modem/ModemPort.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>
#include <numeric>

#include "support/TempDir.h"

namespace {

// Waits on `fd` for what the other side sent, bounded so that a fault fails instead of hanging.
bool WaitReadable(int fd) {
    pollfd ready{fd, POLLIN, 0};
    return ::poll(&ready, 1, 10000) == 1;
}

// A pseudo terminal whose program end is reached through a link in a temporary folder, as a
// stable port name is; UUCP locks go to a folder beside it.
struct PortFixture {
    PortFixture() {
        int masterFd = -1;
        int slaveFd = -1;
        if (::openpty(&masterFd, &slaveFd, nullptr, nullptr, nullptr) != 0) {
            throw std::runtime_error("no pseudo terminal");
        }
        master.Reset(masterFd);
        slave.Reset(slaveFd);
        device = ::ttyname(slaveFd);
        std::filesystem::create_symlink(device, link);
        std::filesystem::create_directory(locks);
    }
    std::string LockFile() const { return locks + "/LCK.." + device.filename().string(); }

    TempDir dir;
    UniqueFd master;
    UniqueFd slave;
    std::filesystem::path device;
    std::string link = dir / "ttyACM0";
    std::string locks = dir / "lock";
};

// A UUCP lock's content as this program and other current tools write it.
std::string LockText(pid_t pid) {
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
    return text;
}

std::string Described(pid_t pid) {
    std::string name = ReadFile("/proc/" + std::to_string(pid) + "/comm");
    name.pop_back();  // the newline
    return name + " (pid " + std::to_string(pid) + ")";
}

// A child process with a name of its own that lives until this object goes.
class NamedChild {
public:
    NamedChild() {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, line) != 0) {
            throw std::runtime_error("no socket pair");
        }
        pid = ::fork();
        if (pid == 0) {
            char byte = 0;
            ::close(line[0]);
            ::prctl(PR_SET_NAME, "modem-holder");
            if (::write(line[1], &byte, 1) == 1) {
                [[maybe_unused]] ssize_t end = ::read(line[1], &byte, 1);
            }
            ::_exit(0);
        }
        char named;
        if (::read(line[0], &named, 1) != 1) {
            throw std::runtime_error("the child did not start");
        }
    }
    ~NamedChild() {
        ::close(line[0]);
        ::close(line[1]);
        ::waitpid(pid, nullptr, 0);
    }
    pid_t pid = 0;

private:
    int line[2] = {-1, -1};
};

pid_t EndedProcess() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(0);
    }
    ::waitpid(pid, nullptr, 0);
    return pid;
}

TEST(ModemPortTest, CarriesEveryByteRawBothWaysUnderALockFileOfItsOwnUntilClosed) {
    PortFixture pty;
    auto opened = ModemPort::Open(pty.link, pty.locks);
    ASSERT_TRUE(std::holds_alternative<ModemPort>(opened)) << Describe(std::get<1>(opened));
    std::optional<ModemPort> port(std::move(std::get<ModemPort>(opened)));
    EXPECT_EQ(port->Path(), pty.link);
    EXPECT_EQ(ReadFile(pty.LockFile()), LockText(::getpid()));

    std::vector<std::uint8_t> all(256);
    std::iota(all.begin(), all.end(), 0);
    ASSERT_EQ(::write(pty.master.Get(), all.data(), all.size()), 256);
    std::vector<std::uint8_t> read;
    while (read.size() < all.size() && WaitReadable(port->Fd())) {
        ASSERT_TRUE(port->Read(read));
    }
    EXPECT_EQ(read, all);

    port->DropDtr(std::chrono::milliseconds(0));  // refused by a pseudo terminal, and harmless
    ASSERT_TRUE(port->Write(all));
    std::vector<std::uint8_t> written(all.size());
    std::size_t size = 0;
    while (size < written.size() && WaitReadable(pty.master.Get())) {
        const ssize_t n = ::read(pty.master.Get(), written.data() + size, written.size() - size);
        ASSERT_GT(n, 0);
        size += static_cast<std::size_t>(n);
    }
    EXPECT_EQ(written, all);

    ModemPort moved = std::move(*port);
    port.reset();
    EXPECT_EQ(ReadFile(pty.LockFile()), LockText(::getpid())) << "the lock goes with the port";
    { ModemPort closing = std::move(moved); }
    EXPECT_FALSE(Exists(pty.LockFile()));
}

TEST(ModemPortTest, AHeldPortNamesItsHolderAndAStaleLockIsIgnored) {
    enum class Lock { None, Ascii, Binary };
    struct Row {
        const char* name;
        Lock lock;
        bool held;          // by a running process, else the lock is of one that has ended
        bool openedBefore;  // this process has the port already
        bool lockFolder = true;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"OpenedTwice", Lock::None, true, true},
             {"OpenedTwiceWithoutLockFolder", Lock::None, true, true, false},
             {"AsciiLockOfARunningProcess", Lock::Ascii, true, false},
             {"BinaryLockOfARunningProcess", Lock::Binary, true, false},
             {"AsciiLockOfAnEndedProcess", Lock::Ascii, false, false},
             {"BinaryLockOfAnEndedProcess", Lock::Binary, false, false},
         }) {
        SCOPED_TRACE(row.name);
        PortFixture pty;
        const std::string locks = row.lockFolder ? pty.locks : pty.dir / "missing";
        std::optional<NamedChild> child;
        pid_t holder = ::getpid();
        if (row.lock != Lock::None) {
            holder = row.held ? child.emplace().pid : EndedProcess();
            std::string binary(sizeof(int), '\0');
            std::memcpy(binary.data(), &holder, sizeof(int));
            WriteFile(pty.LockFile(), row.lock == Lock::Binary ? binary : LockText(holder));
        }
        auto first = row.openedBefore ? ModemPort::Open(pty.link, locks) : PortFailure{};
        ASSERT_EQ(std::holds_alternative<ModemPort>(first), row.openedBefore);
        auto second = ModemPort::Open(pty.link, locks);
        if (row.held) {
            ASSERT_TRUE(std::holds_alternative<PortFailure>(second));
            EXPECT_EQ(Describe(std::get<PortFailure>(second)), "held by " + Described(holder));
        } else {
            ASSERT_TRUE(std::holds_alternative<ModemPort>(second));
            EXPECT_EQ(ReadFile(pty.LockFile()), LockText(::getpid()));
        }
    }
}

TEST(ModemPortTest, FailuresAreToldApart) {
    TempDir dir;
    WriteFile(dir / "file", "");
    struct Row {
        std::string path;
        PortProblem problem;
        std::string text;
    };
    for (const Row& row : std::initializer_list<Row>{
             {dir / "missing", PortProblem::Missing, "no such port"},
             {dir / "file", PortProblem::NotTerminal, "not a serial port"},
             {"/dev/null", PortProblem::NotTerminal, "not a serial port"},
         }) {
        SCOPED_TRACE(row.path);
        auto opened = ModemPort::Open(row.path, dir.Path());
        ASSERT_TRUE(std::holds_alternative<PortFailure>(opened));
        EXPECT_EQ(std::get<PortFailure>(opened).problem, row.problem);
        EXPECT_EQ(Describe(std::get<PortFailure>(opened)), row.text);
    }
}

TEST(ModemPortTest, AWriteWithoutRoomFailsAfterItsTimeoutAndAPortWhoseOtherEndClosedIsGone) {
    PortFixture pty;
    auto opened = ModemPort::Open(pty.link, pty.locks);
    ASSERT_TRUE(std::holds_alternative<ModemPort>(opened));
    ModemPort& port = std::get<ModemPort>(opened);
    const std::vector<std::uint8_t> more(1 << 20, 0x80);  // beyond what the terminal buffers
    EXPECT_FALSE(port.Write(more, std::chrono::milliseconds(20)));

    std::vector<std::uint8_t> read;
    EXPECT_TRUE(port.Read(read));
    pty.master.Reset();
    ASSERT_TRUE(WaitReadable(port.Fd()));
    EXPECT_FALSE(port.Read(read));
}

}  // namespace
