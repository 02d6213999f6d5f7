// What each voice modem dialect the modem peer plays answers: identification, classes, voice
// formats, the spelling of caller ID and results.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

enum class ModemDialect { Conexant, Usr };

// How the samples of a voice format are coded, one byte a sample.
enum class PeerCoding { Signed8, Unsigned8, Mulaw, Alaw };

// A voice format the dialect lists in its AT+VSM=? answer.
struct PeerFormat {
    int cml = 0;
    std::optional<PeerCoding> coding;  // none: listed, but AT+VSM refuses it
    std::string_view listing;          // its line of the AT+VSM=? answer
};

struct PeerDialect {
    std::string_view model;         // ATI0
    std::string_view revision;      // ATI3
    std::string_view manufacturer;  // AT+GMI
    std::string_view modelName;     // AT+GMM
    // Basic commands that set hardware flow control (AT&K3), each accepted alone or together.
    std::vector<std::string_view> flowControl;
    std::string_view callerIdCommand;  // +VCID or #CID; the other is refused
    std::string_view classes;          // AT+FCLASS=?
    std::string_view dataClasses;      // the same, of a modem without voice
    std::vector<PeerFormat> formats;
    int powerOnFormat = 0;            // the cml in use after power-on
    std::string_view offHookAnswer;   // the result of AT+VLS=1
    std::string_view receiveEnd;      // the result after a receive stream's DLE ETX
    std::string_view callerIdEquals;  // between a caller ID tag and its value
    bool ringsAsDle = false;          // in the voice class a ring is DLE R, not a RING line
};

const PeerDialect& DialectOf(ModemDialect dialect);
