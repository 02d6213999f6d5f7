// Command-line parsing shared by the subcommands.
#include "tool/ToolOptions.h"

#include <algorithm>
#include <charconv>

#include "base/AsciiText.h"

namespace {

bool Contains(std::initializer_list<std::string_view> names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::optional<std::string> ParseToolOptions(const ToolArgs& args,
                                            std::initializer_list<std::string_view> valueOptions,
                                            std::initializer_list<std::string_view> flagOptions,
                                            ToolOptions& parsed) {
    bool options = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!options || arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            if (options && arg == "--") {
                options = false;
            } else {
                parsed.positional.push_back(arg);
            }
            continue;
        }
        if (Contains(flagOptions, arg)) {
            parsed.flags.insert(arg);
        } else if (Contains(valueOptions, arg)) {
            if (i + 1 == args.size()) {
                return arg + " needs a value";
            }
            parsed.values[arg] = args[++i];
        } else {
            return "unknown option '" + arg + "'";
        }
    }
    return std::nullopt;
}

std::optional<std::int32_t> ParseIntOption(std::string_view text, std::int32_t min,
                                           std::int32_t max) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < min || value > max) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::optional<std::int8_t> ParseDecibelOption(std::string_view text, int min, int max) {
    std::string_view number = text;
    if (EndsWithNoCase(number, "dB")) {
        number.remove_suffix(2);
    }
    if (number == "--") {
        return min <= -127 ? std::optional<std::int8_t>(-127) : std::nullopt;
    }
    std::optional<std::int32_t> value =
        ParseIntOption(number.substr(!number.empty() && number[0] == '+'), min, max);
    if (!value) {
        return std::nullopt;
    }
    return static_cast<std::int8_t>(*value);
}
