// What a modem on a port is: its identification, whether it is a voice modem, its sample
// formats and which of the dialects' commands it takes; and the commands that set it up for
// watching the line, sent again after every reset.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "telephony/providers/modem/ModemChannel.h"
#include "telephony/providers/modem/ModemCommands.h"
#include "telephony/providers/modem/ModemDiscovery.h"
#include "telephony/providers/modem/ModemVoiceFormat.h"

struct ModemProfile {
    bool answers = false;  // it answered AT commands
    std::string identification;
    std::string manufacturer;
    std::string model;
    bool voice = false;  // class 8 listed and taken, and a usable sample format
    std::vector<VoiceFormat> formats;
    VoiceFormat format;           // the one used
    std::string callerIdCommand;  // "+VCID=1", "#CID=1", or empty: none taken
    std::string flowControlCommand;
};

// Talks to the modem until it knows it; leaves it reset, in class 0.
ModemProfile ProbeModem(ModemChannel& channel);
// Runs one command to its end, waiting for its answer without the clock (see ReceiveAnswer).
CommandReply RunCommand(ModemChannel& channel, const std::string& text,
                        std::int64_t timeout = ModemCommands::kTimeout);

// The set-up after a reset: echo off, verbose results, caller ID on in the modem's dialect, never
// answer by itself, hardware flow control, the data class while idle.
std::vector<std::string> WatchCommands(const ModemProfile& profile);
// Off hook in voice: class 8, the sample format at 8,000 Hz, the line relay.
std::vector<std::string> OffHookCommands(const ModemProfile& profile);
// Back on hook and to the class it idles in.
std::vector<std::string> OnHookCommands();
// What the modem is called as a line device: what it says it is, and where it sits.
std::string ModemLineName(const ModemProfile& profile, const ModemPortInfo& port);
