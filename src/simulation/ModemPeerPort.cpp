// The modem peer's end of a pseudo terminal and the link the program opens it by.
#include "simulation/ModemPeerPort.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "base/PosixFile.h"

namespace {

bool MakeRaw(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return false;
    }
    ::cfmakeraw(&settings);
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

// Whether the terminal end is open: a master without one reports a hang-up.
bool Attended(int master) {
    pollfd port{master, 0, 0};
    return RetryInterrupted([&] { return ::poll(&port, 1, 0); }) >= 0 &&
           (port.revents & POLLHUP) == 0;
}

}  // namespace

ModemPeerPort::ModemPeerPort(std::string linkPath, std::shared_ptr<PortHandOff> handOff)
    : link(std::move(linkPath)), handOff(std::move(handOff)) {}

ModemPeerPort::~ModemPeerPort() {
    Close();
}

bool ModemPeerPort::Open() {
    Close();
    int masterFd = -1;
    int terminalFd = -1;
    std::array<char, 128> name{};
    if (::openpty(&masterFd, &terminalFd, name.data(), nullptr, nullptr) != 0) {
        return false;
    }
    UniqueFd newMaster(masterFd);
    const UniqueFd terminal(terminalFd);
    // A link left by an earlier peer in the folder points nowhere now.
    if (struct stat st{}; ::lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        ::unlink(link.c_str());
    }
    if (!MakeRaw(terminal.Get()) || !MakeRaw(newMaster.Get()) ||
        ::fcntl(newMaster.Get(), F_SETFL, O_NONBLOCK) != 0 ||
        ::fcntl(newMaster.Get(), F_SETFD, FD_CLOEXEC) != 0 ||
        ::symlink(name.data(), link.c_str()) != 0) {
        return false;
    }
    master = std::move(newMaster);
    return true;
}

void ModemPeerPort::Close() {
    if (!master) {
        return;
    }
    master.Reset();
    std::remove(link.c_str());
    // What the program wrote to this terminal went with it.
    if (handOff) {
        handOff->PeerRead(handOff->UnreadByPeer());
        handOff->Wake();  // the program finds its port hung up
    }
}

ModemBytes ModemPeerPort::Read() {
    ModemBytes bytes;
    if (!master) {
        return bytes;
    }
    const std::size_t expected = handOff ? handOff->UnreadByPeer() : SIZE_MAX;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kArrivalTimeoutMs);
    std::array<std::uint8_t, 4096> chunk{};
    while (bytes.size() < expected) {
        const std::size_t wanted = std::min(chunk.size(), expected - bytes.size());
        const ssize_t got =
            RetryInterrupted([&] { return ::read(master.Get(), chunk.data(), wanted); });
        if (got > 0) {
            bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
            continue;
        }
        // Without a hand-off, what is there is all; EIO: nobody has the terminal open.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!handOff || got == 0 || errno != EAGAIN || left.count() <= 0) {
            break;
        }
        pollfd port{master.Get(), POLLIN, 0};
        RetryInterrupted([&] { return ::poll(&port, 1, static_cast<int>(left.count()) + 1); });
    }
    if (handOff) {
        // Bytes that did not come are lost, so that they hold up no later read.
        handOff->PeerRead(expected);
    }
    return bytes;
}

void ModemPeerPort::Write(const ModemBytes& bytes) {
    if (!master || bytes.empty() || !Attended(master.Get())) {
        return;
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t done = RetryInterrupted(
            [&] { return ::write(master.Get(), bytes.data() + written, bytes.size() - written); });
        if (done <= 0) {
            break;
        }
        written += static_cast<std::size_t>(done);
    }
    if (handOff && written > 0) {
        handOff->PeerWrote(written);
    }
}
