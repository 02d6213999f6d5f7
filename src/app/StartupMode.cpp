// How the program file decides what a start does.
#include "app/StartupMode.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "base/UniqueFd.h"

std::uint32_t ReadTrailer(const std::string& programFile) {
    UniqueFd fd(::open(programFile.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return 0;
    }
    off_t end = ::lseek(fd.Get(), 0, SEEK_END);
    unsigned char bytes[4];
    if (end < 4 || ::pread(fd.Get(), bytes, sizeof bytes, end - 4) != 4) {
        return 0;
    }
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

StartMode ChooseStartMode(const std::string& programFile, std::uint32_t trailer) {
    // The name without folder and extension.
    std::string name = programFile.substr(programFile.rfind('/') + 1);
    if (std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
        name.resize(dot);
    }
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    if (name.find("SETUP") != std::string::npos && trailer != kInstallerTrailer) {
        return StartMode::InstallError;
    }
    if (trailer == kInstallerTrailer) {
        return StartMode::Install;
    }
    if (trailer == kUninstallerTrailer) {
        return StartMode::Uninstall;
    }
    return StartMode::Run;
}
