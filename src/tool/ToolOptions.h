// Command-line parsing shared by the subcommands: positional arguments, "--name value"
// options, "--flag" switches, and checked numbers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tool/Tool.h"

struct ToolOptions {
    std::vector<std::string> positional;
    std::map<std::string, std::string, std::less<>> values;  // "--rate" -> "8000"
    std::set<std::string, std::less<>> flags;                // "--dry-run"

    bool Has(std::string_view name) const { return values.count(name) || flags.count(name); }
    // The value given for option `name`, or `fallback`.
    std::string Value(std::string_view name, std::string_view fallback) const {
        auto found = values.find(name);
        return found == values.end() ? std::string(fallback) : found->second;
    }
};

// Splits `args` into positional arguments, options taking a value and switches; anything else
// that starts with "--" is refused, and "--" makes all that follows positional. Returns an
// error message, or nothing when the arguments are well formed.
std::optional<std::string> ParseToolOptions(const ToolArgs& args,
                                            std::initializer_list<std::string_view> valueOptions,
                                            std::initializer_list<std::string_view> flagOptions,
                                            ToolOptions& parsed);

// The whole of `text` as a decimal integer within [min, max].
std::optional<std::int32_t> ParseIntOption(std::string_view text, std::int32_t min,
                                           std::int32_t max);

// A level such as "-6", "-6dB" or "--dB" (silence) within [min, max].
std::optional<std::int8_t> ParseDecibelOption(std::string_view text, int min = -127, int max = 127);
