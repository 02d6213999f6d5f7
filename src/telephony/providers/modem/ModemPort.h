// The serial port of a voice modem, opened raw for this program alone and read and written
// without blocking the thread that runs it.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "base/UniqueFd.h"
#include "telephony/providers/modem/ModemLineProvider.h"

// Why a port could not be opened.
enum class PortProblem {
    Missing,      // no such port (or no device behind its node)
    NoAccess,     // not allowed: the user is not in the group that owns serial ports
    Held,         // another program has it
    NotTerminal,  // the path is not a serial port
    Other,        // any other failure
};

struct PortFailure {
    PortProblem problem = PortProblem::Other;
    // Held: the holder ("ModemManager (pid 812)"), empty when it cannot be told. Other: the
    // system's text for the error.
    std::string detail;
};

// The failure in words, for reports and logs ("held by ModemManager (pid 812)").
std::string Describe(const PortFailure& failure);

class ModemPort {
public:
    // How long a write waits for room before the modem counts as lost.
    static constexpr std::chrono::milliseconds kWriteTimeout{1000};

    // Opens `path` (symbolic links followed) unless a live UUCP lock in `lockFolder` names it,
    // locked against every other opener: flock, TIOCEXCL, and a UUCP lock file of this process
    // when the folder is writable. The port is set raw, 8 data bits, hardware flow control, at
    // 115200 baud; what a pseudo terminal cannot take of that (it has no modem lines) is left.
    static std::variant<ModemPort, PortFailure> Open(
        const std::string& path, const std::string& lockFolder = kUucpLockFolder);

    ModemPort(ModemPort&&) noexcept = default;
    ModemPort& operator=(ModemPort&&) noexcept = default;
    ~ModemPort() = default;

    int Fd() const { return fd.Get(); }
    const std::string& Path() const { return path; }

    // Appends to `bytes` what the port holds now, without waiting. False when the port is gone
    // (hung up, unplugged); what came before that is still appended.
    bool Read(std::vector<std::uint8_t>& bytes);
    // Writes all of `bytes`, waiting for room as long as the port takes some within `timeout`
    // each time. False when it took none for that long or the port is gone: both mean the modem
    // is lost.
    bool Write(std::span<const std::uint8_t> bytes,
               std::chrono::milliseconds timeout = kWriteTimeout);
    // Drops DTR for `duration` (which the call waits out), the way to stop a modem that no
    // longer hears commands. A port without DTR (a pseudo terminal) is left as it is, at once.
    void DropDtr(std::chrono::milliseconds duration);

private:
    // A UUCP lock file this process wrote, removed when the port closes.
    class OwnLock {
    public:
        OwnLock() = default;
        explicit OwnLock(std::string file) : file(std::move(file)) {}
        OwnLock(OwnLock&& other) noexcept : file(std::exchange(other.file, {})) {}
        OwnLock& operator=(OwnLock&& other) noexcept;
        ~OwnLock();

    private:
        std::string file;  // empty: none
    };

    ModemPort(UniqueFd fd, std::string path, OwnLock lock);

    OwnLock lock;  // declared first: the port closes before its lock file goes
    UniqueFd fd;
    std::string path;
};
