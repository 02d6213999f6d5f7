// quillon-tool settings: read and write typed values of the settings file.
#include <algorithm>
#include <optional>

#include "base/AsciiText.h"
#include "base/IniFile.h"
#include "recorder/AppState.h"
#include "settings/SettingsStore.h"
#include "settings/TimeText.h"
#include "tool/Tool.h"

namespace {

bool AllOf(std::string_view text, std::string_view allowed) {
    return text.find_first_not_of(allowed) == std::string_view::npos;
}

bool HasDigit(std::string_view text) {
    return text.find_first_of("0123456789") != text.npos;
}

bool AcceptsInt(std::string_view text) {
    std::string_view digits = text.substr(!text.empty() && (text[0] == '-' || text[0] == '+'));
    // Also within 32 bits: the program would clamp a larger number.
    return !digits.empty() && digits.size() <= 10 && AllOf(digits, "0123456789") &&
           ParseIntValue(text) == std::stoll(std::string(text));
}

bool AcceptsBool(std::string_view text) {
    return EqualsNoCase(text, "true") || EqualsNoCase(text, "false");
}

bool AcceptsDB(std::string_view text) {
    if (EndsWithNoCase(text, "dB")) {
        text.remove_suffix(2);
    }
    std::string_view digits = text.substr(!text.empty() && (text[0] == '-' || text[0] == '+'));
    return text == "--" || (!digits.empty() && digits.size() <= 3 && AllOf(digits, "0123456789"));
}

bool AcceptsDuration(std::string_view text) {
    return HasDigit(text) && AllOf(text, "0123456789:.- ");
}

bool AcceptsTimeOfDay(std::string_view text) {
    return HasDigit(text) && AllOf(text, "0123456789:") &&
           std::count(text.begin(), text.end(), ':') <= 2;
}

bool AcceptsDateTime(std::string_view text) {
    return text.empty() || ParseDateTime(text) != 0;
}

bool AcceptsText(std::string_view) {
    return true;
}

// A value type: which texts a user may give for it, and its stored form of any text (the
// type's parser followed by its writer, exactly as the program reads and writes the value).
struct ValueType {
    const char* name;
    bool (*accepts)(std::string_view text);
    std::string (*normalize)(const std::string& text);
};

const ValueType kTypes[] = {
    {"int", AcceptsInt, [](const std::string& t) { return std::to_string(ParseIntValue(t)); }},
    {"bool", AcceptsBool, [](const std::string& t) { return FormatBoolValue(ParseBoolValue(t)); }},
    {"db", AcceptsDB, [](const std::string& t) { return FormatDBValue(ParseDecibels(t)); }},
    {"duration", AcceptsDuration, [](const std::string& t) { return FormatTime4(ParseTime(t)); }},
    {"time", AcceptsTimeOfDay,
     [](const std::string& t) { return FormatTimeOfDay(ParseTimeOfDay(t)); }},
    {"datetime", AcceptsDateTime,
     [](const std::string& t) { return FormatDateTime(ParseDateTime(t)); }},
    {"text", AcceptsText, [](const std::string& t) { return t; }},
};

struct SettingsArgs {
    std::vector<std::string> positional;
    const ValueType* type = &kTypes[std::size(kTypes) - 1];
    std::optional<std::string> def;
    std::optional<std::string> file;
};

// Fills `parsed` from `args`; returns an error message, or nothing when they are well formed.
std::optional<std::string> ParseArgs(const ToolArgs& args, SettingsArgs& parsed) {
    // Anything but the three options is positional, so values such as "--dB" need no quoting;
    // "--" makes all that follows positional.
    bool options = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options && arg == "--") {
            options = false;
            continue;
        }
        if (!options || (arg != "--type" && arg != "--default" && arg != "--file")) {
            parsed.positional.push_back(arg);
            continue;
        }
        if (i + 1 == args.size()) {
            return arg + " needs a value";
        }
        const std::string& value = args[++i];
        if (arg == "--type") {
            auto found = std::find_if(std::begin(kTypes), std::end(kTypes),
                                      [&](const ValueType& t) { return value == t.name; });
            if (found == std::end(kTypes)) {
                return "unknown type '" + value + "'";
            }
            parsed.type = found;
        } else if (arg == "--default") {
            parsed.def = value;
        } else {
            parsed.file = value;
        }
    }
    return std::nullopt;
}

}  // namespace

int RunSettingsCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    SettingsArgs parsed;
    if (std::optional<std::string> problem = ParseArgs(args, parsed)) {
        return UsageError(err, *problem);
    }
    const std::vector<std::string>& pos = parsed.positional;
    bool get = !pos.empty() && pos[0] == "get";
    bool set = !pos.empty() && pos[0] == "set";
    if (!get && !set) {
        return UsageError(err, "settings needs 'get' or 'set'");
    }
    if (pos.size() != (get ? 3u : 4u)) {
        return UsageError(err, get ? "settings get needs SECTION and KEY"
                                   : "settings set needs SECTION, KEY and VALUE");
    }
    if (set && parsed.def) {
        return UsageError(err, "--default goes with 'get'");
    }
    const ValueType& type = *parsed.type;
    const std::string& given = get ? parsed.def.value_or("") : pos[3];
    if ((set || parsed.def) && !type.accepts(given)) {
        return UsageError(err, "'" + given + "' is not a " + type.name + " value");
    }
    // Such names would be written but read back as something else, or not at all.
    if (std::optional<std::string> problem = ProfileNameProblem(pos[1], pos[2])) {
        return UsageError(err, *problem);
    }

    std::string file;
    if (parsed.file) {
        file = *parsed.file;
    } else {
        AppState app;
        ResolveAppFolders(app);
        file = app.settingsFile;
    }
    if (get) {
        out << type.normalize(ReadProfileString(file, pos[1], pos[2], type.normalize(given)))
            << "\n";
        return kToolOk;
    }
    if (!WriteProfileString(file, pos[1], pos[2], type.normalize(given))) {
        err << "quillon-tool: cannot write " << file << "\n";
        return kToolFailed;
    }
    return kToolOk;
}
