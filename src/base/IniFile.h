// Profile (INI) files: case-insensitive sections and keys, every read from the file,
// every write straight to the file, crash-safe and serialised between processes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Longest value a read returns; longer values are cut.
inline constexpr std::size_t kMaxProfileValue = 258;

// The value of `key` in `section`, white space around it removed and cut to kMaxProfileValue,
// or nothing when the file, the section or the key is missing.
std::optional<std::string> ReadProfileValue(const std::string& file, std::string_view section,
                                            std::string_view key);

// As ReadProfileValue, with `def` (also cut) in place of a missing value.
std::string ReadProfileString(const std::string& file, std::string_view section,
                              std::string_view key, std::string_view def);

// Why `key` in `section` could not be written so that it reads back as itself, or nothing when
// it can: a section or key that is blank, starts or ends with white space or holds a line break,
// a section holding "]", a key starting with "[" or holding "=".
std::optional<std::string> ProfileNameProblem(std::string_view section, std::string_view key);

// Sets `key` in `section` to `value`, creating the file, section and key as needed; no value
// deletes the key. The file is replaced by rename, so a reader or a crash sees either the old or
// the new file, never a mix. CR and LF in the value become spaces: they would split the line and
// could forge other keys. Returns false when the names have a problem (ProfileNameProblem) or
// the file could not be written (for example its folder is missing); callers that follow the
// profile rules ignore it.
bool WriteProfileString(const std::string& file, std::string_view section, std::string_view key,
                        std::optional<std::string_view> value);

// A key and its value as a section holds them.
struct ProfileEntry {
    std::string key;
    std::string value;
    bool operator==(const ProfileEntry&) const = default;
};
using ProfileSection = std::vector<ProfileEntry>;

// Every key line of the first section named `section`, in file order, values as ReadProfileValue
// returns them (a key may appear twice; reads take the first); empty when there is no such
// section, nothing when the file cannot be read. One read for a whole section.
std::optional<ProfileSection> ReadProfileSection(const std::string& file, std::string_view section);

// Hands `edit` the first section named `section` as ReadProfileSection reads it (empty when
// there is none, long values cut). When `edit` returns true, the section's lines up to its last
// non-blank one (comments included) are replaced by the edited keys in one write, as
// WriteProfileString writes, and the rest of the file is kept; when it returns false nothing is
// written. Other writers wait from the read to the write, so none can come between. False when
// the file could not be read or written.
bool EditProfileSection(const std::string& file, std::string_view section,
                        const std::function<bool(ProfileSection&)>& edit);

// A number as profile files write it: leading blanks, a sign, digits; anything after is ignored
// and no digits give 0. Saturates at the ends of the 32-bit range.
std::int32_t ParseIntValue(std::string_view text);

// The value of `key` as a number (ParseIntValue), or `def` when there is none.
std::int32_t ReadProfileInt(const std::string& file, std::string_view section, std::string_view key,
                            std::int32_t def);
