// The installation file's layout.
#include "setup/InstallationFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <numeric>

#include "base/AtomicFile.h"
#include "base/PosixFile.h"

namespace {

std::string LittleEndian(std::uint32_t value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF),
            static_cast<char>(value >> 16 & 0xFF), static_cast<char>(value >> 24 & 0xFF)};
}

std::uint32_t FromLittleEndian(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

std::uint64_t InstallationIndex::TotalBytes() const {
    return std::accumulate(sizes.begin(), sizes.end(), std::uint64_t{0});
}

std::uint32_t AddBytes(std::uint32_t sum, std::string_view bytes) {
    for (char byte : bytes) {
        sum += static_cast<unsigned char>(byte);
    }
    return sum;
}

std::optional<InstallationIndex> ReadInstallationIndex(int fd, std::size_t entries) {
    struct stat st {};
    // The sizes, the checksum and the trailer.
    const std::uint64_t tableBytes = 4 * (entries + 2);
    if (::fstat(fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) < tableBytes) {
        return std::nullopt;
    }
    const std::uint64_t tableAt = static_cast<std::uint64_t>(st.st_size) - tableBytes;
    std::vector<unsigned char> table(tableBytes);
    if (ReadAllAt(fd, static_cast<std::int64_t>(tableAt), table.data(), table.size()) !=
        table.size()) {
        return std::nullopt;
    }
    InstallationIndex index;
    for (std::size_t i = 0; i < entries; ++i) {
        index.sizes.push_back(FromLittleEndian(&table[4 * i]));
    }
    index.checksum = FromLittleEndian(&table[4 * entries]);
    if (index.TotalBytes() > tableAt) {
        return std::nullopt;
    }
    return index;
}

bool ChecksumMatches(int fd, const InstallationIndex& index) {
    std::uint32_t sum = 0;
    char block[kInstallBlockBytes];
    for (std::uint64_t at = 0, total = index.TotalBytes(); at < total;) {
        std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof block, total - at));
        if (ReadAllAt(fd, static_cast<std::int64_t>(at), block, want) != want) {
            return false;
        }
        sum = AddBytes(sum, std::string_view(block, want));
        at += want;
    }
    return sum == index.checksum;
}

std::string WriteInstallationFile(const std::string& output,
                                  const std::vector<std::string>& entries) {
    AtomicFile file(output, "installer");
    if (!file.IsOpen()) {
        return std::strerror(errno);
    }
    std::uint32_t checksum = 0;
    std::string table;
    for (const std::string& entry : entries) {
        std::optional<std::string> content = ReadWholeFile(entry);
        if (!content) {
            return entry + ": " + std::strerror(errno);
        }
        if (content->size() > UINT32_MAX) {
            return entry + ": too large";
        }
        checksum = AddBytes(checksum, *content);
        table += LittleEndian(static_cast<std::uint32_t>(content->size()));
        if (!WriteAll(file.Fd(), *content)) {
            return std::strerror(errno);
        }
    }
    table += LittleEndian(checksum) + LittleEndian(kInstallerTrailer);
    if (!WriteAll(file.Fd(), table) || !file.Sync(0755) || !file.Replace()) {
        return std::strerror(errno);
    }
    return "";
}

bool AppendTrailer(const std::string& path, std::uint32_t trailer) {
    UniqueFd fd = OpenRegularFile(path, O_WRONLY | O_APPEND | O_CLOEXEC);
    return fd && WriteAll(fd.Get(), LittleEndian(trailer));
}
