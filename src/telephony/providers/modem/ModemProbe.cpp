// What a modem on a port is, and the commands that set it up.
#include "telephony/providers/modem/ModemProbe.h"

#include <sstream>

namespace {

constexpr char kReset[] = "Z";
// Resetting takes a modem up to a few seconds; a modem answers AT at once.
constexpr std::int64_t kResetTimeout = 5'000'000'000;
constexpr std::int64_t kProbeTimeout = 1'000'000'000;

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) {
            text += ' ';
        }
        text += line;
    }
    return text;
}

// Whether an +FCLASS=? answer ("0,1,1.0,2,8", "(0,1,8)") lists the voice class.
bool ListsVoiceClass(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::string token;
        std::istringstream list(line);
        while (std::getline(list, token, ',')) {
            std::erase_if(token, [](char c) { return c == '(' || c == ')' || c == ' '; });
            if (token == "8") {
                return true;
            }
        }
    }
    return false;
}

std::string SampleFormatCommand(const VoiceFormat& format) {
    return "+VSM=" + std::to_string(format.cml) + ",8000";
}

}  // namespace

CommandReply RunCommand(ModemChannel& channel, const std::string& text, std::int64_t timeout) {
    ModemCommands commands;
    CommandReply reply;
    bool done = false;
    commands.Queue(
        text,
        [&](const CommandReply& got) {
            reply = got;
            done = true;
        },
        false, timeout);
    std::optional<ModemBytes> bytes = commands.Next(0, channel.Stream());
    if (!channel.Send(*bytes)) {
        return reply;
    }
    // Without a hand-off this waits in real time; with one the peer answers when asked.
    constexpr std::int64_t kSlice = 50'000'000;
    for (std::int64_t waited = 0; !done && waited < timeout; waited += kSlice) {
        std::vector<ModemEvent> events;
        if (!channel.ReceiveAnswer(kSlice, events)) {
            return reply;
        }
        for (const ModemEvent& event : events) {
            if (!done) {
                commands.Take(event);
            }
        }
    }
    return reply;
}

ModemProfile ProbeModem(ModemChannel& channel) {
    ModemProfile profile;
    // A port with no modem behind it answers nothing: it is given up soon. A modem left in a
    // stream by another program is taken out of it first.
    channel.Send(kRecoveryBytes);
    if (!RunCommand(channel, "", kProbeTimeout).Ok() &&
        !RunCommand(channel, "", kProbeTimeout).Ok()) {
        return profile;
    }
    if (!RunCommand(channel, kReset, kResetTimeout).Ok()) {
        return profile;
    }
    profile.answers = true;
    RunCommand(channel, "E0");
    RunCommand(channel, "V1");
    if (CommandReply id = RunCommand(channel, "I3"); id.Ok()) {
        profile.identification = Joined(id.lines);
    }
    if (CommandReply maker = RunCommand(channel, "+GMI"); maker.Ok()) {
        profile.manufacturer = Joined(maker.lines);
    }
    if (CommandReply model = RunCommand(channel, "+GMM"); model.Ok()) {
        profile.model = Joined(model.lines);
    }
    for (const char* command : {"+VCID=1", "#CID=1"}) {
        if (RunCommand(channel, command).Ok()) {
            profile.callerIdCommand = command;
            break;
        }
    }
    if (RunCommand(channel, "+IFC=2,2").Ok()) {
        profile.flowControlCommand = "+IFC=2,2";
    }
    CommandReply classes = RunCommand(channel, "+FCLASS=?");
    if (classes.Ok() && ListsVoiceClass(classes.lines) && RunCommand(channel, "+FCLASS=8").Ok()) {
        CommandReply listed = RunCommand(channel, "+VSM=?");
        if (listed.Ok()) {
            profile.formats = ParseVoiceFormats(listed.lines);
        }
        profile.format = ChooseVoiceFormat(profile.formats);
        profile.voice = RunCommand(channel, SampleFormatCommand(profile.format)).Ok();
        RunCommand(channel, "+FCLASS=0");
    }
    RunCommand(channel, kReset, kResetTimeout);
    return profile;
}

std::vector<std::string> WatchCommands(const ModemProfile& profile) {
    std::vector<std::string> commands{"E0", "V1"};
    if (!profile.callerIdCommand.empty()) {
        commands.push_back(profile.callerIdCommand);
    }
    commands.push_back("S0=0");
    if (!profile.flowControlCommand.empty()) {
        commands.push_back(profile.flowControlCommand);
    }
    commands.push_back("+FCLASS=0");
    return commands;
}

std::vector<std::string> OffHookCommands(const ModemProfile& profile) {
    return {"+FCLASS=8", SampleFormatCommand(profile.format), "+VIT=0", "+VLS=1"};
}

std::vector<std::string> OnHookCommands() {
    return {"+VLS=0", "H0", "+FCLASS=0"};
}

std::string ModemLineName(const ModemProfile& profile, const ModemPortInfo& port) {
    // What the modem says it is, else what its USB device says.
    std::string what = profile.manufacturer.empty() ? port.manufacturer : profile.manufacturer;
    for (const std::string* part : {&profile.identification, &profile.model, &port.product}) {
        if (!part->empty()) {
            what += (what.empty() ? "" : " ") + *part;
            break;
        }
    }
    return (what.empty() ? std::string("Modem") : what) + " (" + port.stablePort + ")";
}
