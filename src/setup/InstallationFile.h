// The installation file's layout: the program file, the payload entries back to back, their
// sizes, the byte sum of all entries and the installer trailer, every number a little-endian
// unsigned 32-bit value. The last four bytes of any program file mark what it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The trailer of an installation file, of the uninstaller and of an installed program.
inline constexpr std::uint32_t kInstallerTrailer = 0x0F0FF0F0;
inline constexpr std::uint32_t kUninstallerTrailer = 0xF0F00F0F;
inline constexpr std::uint32_t kProgramTrailer = 0;

// Entries are copied and summed in blocks of this many bytes.
inline constexpr std::size_t kInstallBlockBytes = 4096;

// What the end of an installation file says about its entries.
struct InstallationIndex {
    std::vector<std::uint32_t> sizes;  // of entry 0 (the program) to entry N-1
    std::uint32_t checksum = 0;        // every byte of every entry added, modulo 2^32
    std::uint64_t TotalBytes() const;
};

// `sum` with every byte of `bytes` added, modulo 2^32.
std::uint32_t AddBytes(std::uint32_t sum, std::string_view bytes);

// The index of an installation file of `entries` entries open as `fd`; nothing when the file is
// too short to hold it or the entries it names do not fit in front of it.
std::optional<InstallationIndex> ReadInstallationIndex(int fd, std::size_t entries);

// Whether the entries of the file open as `fd` add up to the index's checksum. It reads the
// whole payload before anything is installed, so a damaged file writes nothing.
bool ChecksumMatches(int fd, const InstallationIndex& index);

// Writes the installation file `output` from the files `entries` (the program first): their
// contents, sizes, checksum and the installer trailer, through a temporary file that takes its
// place when whole, executable. Returns what went wrong, empty on success.
std::string WriteInstallationFile(const std::string& output,
                                  const std::vector<std::string>& entries);

// Appends `trailer` to the file `path`; false when it cannot be written.
bool AppendTrailer(const std::string& path, std::uint32_t trailer);
