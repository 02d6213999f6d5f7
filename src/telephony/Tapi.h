// The line-device layer: the TAPI 1.4 line functions, constants and structures the program uses,
// served by the line providers of LineProviders.h instead of a platform telephony service.
//
// Every function is called on the thread that called lineInitialize (the UI thread, which runs a
// Qt event loop). Messages go to the LINECALLBACK given to lineInitialize, always posted to that
// thread's event loop and delivered from it, never from inside a line function or from a
// provider's own thread. Requests that complete later (lineAnswer, lineDrop, lineMakeCall,
// lineBlindTransfer) return a positive request id at once and report their result as LINE_REPLY
// (param 1 the request id, param 2 zero or a LINEERR_ value). Messages of a line stop when it is
// closed. Errors are the negative LINEERR_ values.
//
// Variable-size structures follow the TAPI rules: the caller sets totalSize; the fixed part must
// fit (else LINEERR_STRUCTURETOOSMALL); neededSize receives the size that everything would take
// and usedSize the part filled in; strings (NUL-terminated, sizes counting the NUL) and other
// variable data lie at the given offsets from the start of the structure, and only when all of it
// fits.
#pragma once

#include <cstdint>

using HLINEAPP = std::uint32_t;
using HLINE = std::uint32_t;
using HCALL = std::uint32_t;

// device: the line or call handle the message is about (0 for LINE_REPLY); instance: the
// callback instance given to lineOpen.
using LINECALLBACK = void (*)(std::uint32_t device, std::uint32_t message, std::uintptr_t instance,
                              std::uintptr_t param1, std::uintptr_t param2, std::uintptr_t param3);

inline constexpr std::uint32_t TAPI_VERSION_1_4 = 0x00010004;

// Messages.
inline constexpr std::uint32_t LINE_CALLSTATE = 2;      // call; state, state detail, new privilege
inline constexpr std::uint32_t LINE_GENERATE = 7;       // call; LINEGENERATETERM_
inline constexpr std::uint32_t LINE_LINEDEVSTATE = 8;   // line; state, ring mode, ring count
inline constexpr std::uint32_t LINE_MONITORDIGITS = 9;  // call; digit, LINEDIGITMODE_
inline constexpr std::uint32_t LINE_MONITORMEDIA = 10;  // call; LINEMEDIAMODE_
inline constexpr std::uint32_t LINE_REPLY = 12;         // 0; request id, result

// Errors.
inline constexpr std::int32_t LINEERR_BADDEVICEID = static_cast<std::int32_t>(0x80000002);
inline constexpr std::int32_t LINEERR_CALLUNAVAIL = static_cast<std::int32_t>(0x80000005);
inline constexpr std::int32_t LINEERR_INCOMPATIBLEAPIVERSION =
    static_cast<std::int32_t>(0x8000000C);
inline constexpr std::int32_t LINEERR_INVALADDRESS = static_cast<std::int32_t>(0x80000010);
inline constexpr std::int32_t LINEERR_INVALADDRESSID = static_cast<std::int32_t>(0x80000011);
inline constexpr std::int32_t LINEERR_INVALAPPHANDLE = static_cast<std::int32_t>(0x80000014);
inline constexpr std::int32_t LINEERR_INVALCALLHANDLE = static_cast<std::int32_t>(0x80000018);
inline constexpr std::int32_t LINEERR_INVALCALLPRIVILEGE = static_cast<std::int32_t>(0x8000001A);
inline constexpr std::int32_t LINEERR_INVALCALLSELECT = static_cast<std::int32_t>(0x8000001B);
inline constexpr std::int32_t LINEERR_INVALCALLSTATE = static_cast<std::int32_t>(0x8000001C);
inline constexpr std::int32_t LINEERR_INVALDEVICECLASS = static_cast<std::int32_t>(0x80000023);
inline constexpr std::int32_t LINEERR_INVALDIGITMODE = static_cast<std::int32_t>(0x80000027);
inline constexpr std::int32_t LINEERR_INVALDIGITS = static_cast<std::int32_t>(0x80000028);
inline constexpr std::int32_t LINEERR_INVALLINEHANDLE = static_cast<std::int32_t>(0x8000002B);
inline constexpr std::int32_t LINEERR_INVALMEDIAMODE = static_cast<std::int32_t>(0x8000002F);
inline constexpr std::int32_t LINEERR_INVALPOINTER = static_cast<std::int32_t>(0x80000035);
inline constexpr std::int32_t LINEERR_INVALTONEMODE = static_cast<std::int32_t>(0x8000003E);
inline constexpr std::int32_t LINEERR_NODEVICE = static_cast<std::int32_t>(0x80000042);
inline constexpr std::int32_t LINEERR_NOTOWNER = static_cast<std::int32_t>(0x80000046);
inline constexpr std::int32_t LINEERR_OPERATIONFAILED = static_cast<std::int32_t>(0x80000048);
inline constexpr std::int32_t LINEERR_OPERATIONUNAVAIL = static_cast<std::int32_t>(0x80000049);
inline constexpr std::int32_t LINEERR_RESOURCEUNAVAIL = static_cast<std::int32_t>(0x8000004B);
inline constexpr std::int32_t LINEERR_STRUCTURETOOSMALL = static_cast<std::int32_t>(0x8000004D);
inline constexpr std::int32_t LINEERR_TARGETNOTFOUND = static_cast<std::int32_t>(0x8000004E);

// Call privileges.
inline constexpr std::uint32_t LINECALLPRIVILEGE_NONE = 0x01;
inline constexpr std::uint32_t LINECALLPRIVILEGE_MONITOR = 0x02;
inline constexpr std::uint32_t LINECALLPRIVILEGE_OWNER = 0x04;

// Media modes.
inline constexpr std::uint32_t LINEMEDIAMODE_UNKNOWN = 0x02;
inline constexpr std::uint32_t LINEMEDIAMODE_INTERACTIVEVOICE = 0x04;
inline constexpr std::uint32_t LINEMEDIAMODE_AUTOMATEDVOICE = 0x08;
inline constexpr std::uint32_t LINEMEDIAMODE_DATAMODEM = 0x10;
inline constexpr std::uint32_t LINEMEDIAMODE_G3FAX = 0x20;

// Call states (LINE_CALLSTATE param 1) and the details of some (param 2).
inline constexpr std::uint32_t LINECALLSTATE_IDLE = 0x0001;
inline constexpr std::uint32_t LINECALLSTATE_OFFERING = 0x0002;
inline constexpr std::uint32_t LINECALLSTATE_DIALING = 0x0010;
inline constexpr std::uint32_t LINECALLSTATE_RINGBACK = 0x0020;
inline constexpr std::uint32_t LINECALLSTATE_BUSY = 0x0040;
inline constexpr std::uint32_t LINECALLSTATE_CONNECTED = 0x0100;
inline constexpr std::uint32_t LINECALLSTATE_PROCEEDING = 0x0200;
inline constexpr std::uint32_t LINECALLSTATE_DISCONNECTED = 0x4000;
inline constexpr std::uint32_t LINEDISCONNECTMODE_NORMAL = 0x0001;
inline constexpr std::uint32_t LINEDISCONNECTMODE_NOANSWER = 0x0010;
inline constexpr std::uint32_t LINEBUSYMODE_UNKNOWN = 0x0004;

// Line device states (LINE_LINEDEVSTATE param 1).
inline constexpr std::uint32_t LINEDEVSTATE_RINGING = 0x02;
// The device went away (a modem unplugged) and came back.
inline constexpr std::uint32_t LINEDEVSTATE_INSERVICE = 0x40;
inline constexpr std::uint32_t LINEDEVSTATE_OUTOFSERVICE = 0x80;

// Digit and tone modes, and how a generation ended (LINE_GENERATE param 1).
inline constexpr std::uint32_t LINEDIGITMODE_PULSE = 0x01;
inline constexpr std::uint32_t LINEDIGITMODE_DTMF = 0x02;
inline constexpr std::uint32_t LINETONEMODE_BEEP = 0x08;
inline constexpr std::uint32_t LINEGENERATETERM_DONE = 0x01;
inline constexpr std::uint32_t LINEGENERATETERM_CANCEL = 0x02;

// Call selection.
inline constexpr std::uint32_t LINECALLSELECT_LINE = 0x01;
inline constexpr std::uint32_t LINECALLSELECT_ADDRESS = 0x02;
inline constexpr std::uint32_t LINECALLSELECT_CALL = 0x04;

// Caller ID flags (LINECALLINFO callerIDFlags).
inline constexpr std::uint32_t LINECALLPARTYID_BLOCKED = 0x01;
inline constexpr std::uint32_t LINECALLPARTYID_OUTOFAREA = 0x02;
inline constexpr std::uint32_t LINECALLPARTYID_NAME = 0x04;
inline constexpr std::uint32_t LINECALLPARTYID_ADDRESS = 0x08;
inline constexpr std::uint32_t LINECALLPARTYID_UNKNOWN = 0x20;
inline constexpr std::uint32_t LINECALLPARTYID_UNAVAIL = 0x40;

// Call origins.
inline constexpr std::uint32_t LINECALLORIGIN_OUTBOUND = 0x01;
inline constexpr std::uint32_t LINECALLORIGIN_INBOUND = 0x04;

// Call parameters.
inline constexpr std::uint32_t LINEBEARERMODE_VOICE = 0x01;
inline constexpr std::uint32_t LINECALLPARAMFLAGS_IDLE = 0x02;
inline constexpr std::uint32_t LINEADDRESSMODE_ADDRESSID = 0x01;

// String formats.
inline constexpr std::uint32_t STRINGFORMAT_ASCII = 0x01;
inline constexpr std::uint32_t STRINGFORMAT_BINARY = 0x04;

struct LINEEXTENSIONID {
    std::uint32_t extensionID0;
    std::uint32_t extensionID1;
    std::uint32_t extensionID2;
    std::uint32_t extensionID3;
};

struct LINEDIALPARAMS {
    std::uint32_t dialPause;
    std::uint32_t dialSpeed;
    std::uint32_t digitDuration;
    std::uint32_t waitForDialtone;
};

struct LINEDEVCAPS {
    std::uint32_t totalSize;
    std::uint32_t neededSize;
    std::uint32_t usedSize;
    std::uint32_t providerInfoSize;
    std::uint32_t providerInfoOffset;
    std::uint32_t permanentLineID;
    std::uint32_t lineNameSize;
    std::uint32_t lineNameOffset;
    std::uint32_t stringFormat;
    std::uint32_t addressModes;
    std::uint32_t numAddresses;
    std::uint32_t bearerModes;
    std::uint32_t mediaModes;
    std::uint32_t generateToneModes;
    std::uint32_t generateDigitModes;
    std::uint32_t monitorDigitModes;
    std::uint32_t maxNumActiveCalls;
};

struct LINECALLINFO {
    std::uint32_t totalSize;
    std::uint32_t neededSize;
    std::uint32_t usedSize;
    HLINE line;
    std::uint32_t lineDeviceID;
    std::uint32_t addressID;
    std::uint32_t bearerMode;
    std::uint32_t mediaMode;
    std::uint32_t callState;
    std::uint32_t privilege;
    std::uint32_t monitorDigitModes;
    std::uint32_t monitorMediaModes;
    std::uint32_t origin;
    std::uint32_t callerIDFlags;
    std::uint32_t callerIDSize;
    std::uint32_t callerIDOffset;
    std::uint32_t callerIDNameSize;
    std::uint32_t callerIDNameOffset;
    std::uint32_t calledIDFlags;
    std::uint32_t calledIDSize;
    std::uint32_t calledIDOffset;
};

struct LINECALLLIST {
    std::uint32_t totalSize;
    std::uint32_t neededSize;
    std::uint32_t usedSize;
    std::uint32_t callsNum;
    std::uint32_t callsSize;
    std::uint32_t callsOffset;  // callsNum HCALLs
};

struct LINECALLPARAMS {
    std::uint32_t totalSize;
    std::uint32_t bearerMode;
    std::uint32_t minRate;
    std::uint32_t maxRate;
    std::uint32_t mediaMode;
    std::uint32_t callParamFlags;
    std::uint32_t addressMode;
    std::uint32_t addressID;
    LINEDIALPARAMS dialParams;
    std::uint32_t origAddressSize;
    std::uint32_t origAddressOffset;
    std::uint32_t displayableAddressSize;
    std::uint32_t displayableAddressOffset;
    std::uint32_t calledPartySize;
    std::uint32_t calledPartyOffset;
    std::uint32_t commentSize;
    std::uint32_t commentOffset;
    std::uint32_t userUserInfoSize;
    std::uint32_t userUserInfoOffset;
    std::uint32_t highLevelCompSize;
    std::uint32_t highLevelCompOffset;
    std::uint32_t lowLevelCompSize;
    std::uint32_t lowLevelCompOffset;
    std::uint32_t devSpecificSize;
    std::uint32_t devSpecificOffset;
};
static_assert(sizeof(LINECALLPARAMS) == 112);
static_assert(sizeof(LINECALLLIST) == 24);

struct VARSTRING {
    std::uint32_t totalSize;
    std::uint32_t neededSize;
    std::uint32_t usedSize;
    std::uint32_t stringFormat;
    std::uint32_t stringSize;
    std::uint32_t stringOffset;
};

// Loads the providers (LineProviders.h) when no application is initialised yet, registers
// `callback` and gives the number of line devices. `instance` (the program's instance handle)
// and `appName` are accepted and unused.
std::int32_t lineInitialize(HLINEAPP* lineApp, void* instance, LINECALLBACK callback,
                            const char* appName, std::uint32_t* numDevices);
// Closes the application's lines; the last application unloads the providers.
std::int32_t lineShutdown(HLINEAPP lineApp);
// Agrees on TAPI_VERSION_1_4 when it lies within [low, high]. No extensions exist: the
// extension id is zeroed.
std::int32_t lineNegotiateAPIVersion(HLINEAPP lineApp, std::uint32_t deviceID,
                                     std::uint32_t apiLowVersion, std::uint32_t apiHighVersion,
                                     std::uint32_t* apiVersion, LINEEXTENSIONID* extensionID);
std::int32_t lineGetDevCaps(HLINEAPP lineApp, std::uint32_t deviceID, std::uint32_t apiVersion,
                            std::uint32_t extVersion, LINEDEVCAPS* lineDevCaps);
// Owner privilege needs media modes the device offers (else LINEERR_INVALMEDIAMODE); monitor
// privilege takes any. The provider may refuse with its own error.
std::int32_t lineOpen(HLINEAPP lineApp, std::uint32_t deviceID, HLINE* line,
                      std::uint32_t apiVersion, std::uint32_t extVersion,
                      std::uintptr_t callbackInstance, std::uint32_t privileges,
                      std::uint32_t mediaModes, const LINECALLPARAMS* callParams);
std::int32_t lineClose(HLINE line);
// Line device states reported as LINE_LINEDEVSTATE (none until this is called).
std::int32_t lineSetStatusMessages(HLINE line, std::uint32_t lineStates,
                                   std::uint32_t addressStates);
std::int32_t lineSetNumRings(HLINE line, std::uint32_t addressID, std::uint32_t numRings);
// Handles (with monitor privilege when new) of the calls now on the line.
std::int32_t lineGetNewCalls(HLINE line, std::uint32_t addressID, std::uint32_t select,
                             LINECALLLIST* callList);
std::int32_t lineGetCallInfo(HCALL call, LINECALLINFO* callInfo);
// The wave device id ("wave/in", "wave/out") of a call as a 4-byte binary string.
std::int32_t lineGetID(HLINE line, std::uint32_t addressID, HCALL call, std::uint32_t select,
                       VARSTRING* deviceID, const char* deviceClass);
// Owner privilege is granted only on a line opened with owner privilege.
std::int32_t lineSetCallPrivilege(HCALL call, std::uint32_t callPrivilege);
// Fails with LINEERR_INVALCALLSTATE for the owner of a call that is not idle.
std::int32_t lineDeallocateCall(HCALL call);
std::int32_t lineMonitorDigits(HCALL call, std::uint32_t digitModes);
std::int32_t lineMonitorMedia(HCALL call, std::uint32_t mediaModes);
std::int32_t lineAnswer(HCALL call, const char* userUserInfo, std::uint32_t size);
// The call handle is written at once and is usable once LINE_REPLY reports success; a failed
// request releases it.
std::int32_t lineMakeCall(HLINE line, HCALL* call, const char* destAddress,
                          std::uint32_t countryCode, const LINECALLPARAMS* callParams);
std::int32_t lineDrop(HCALL call, const char* userUserInfo, std::uint32_t size);
std::int32_t lineBlindTransfer(HCALL call, const char* destAddress, std::uint32_t countryCode);
// Completion (or cancellation by a later generation) arrives as LINE_GENERATE.
std::int32_t lineGenerateDigits(HCALL call, std::uint32_t digitMode, const char* digits,
                                std::uint32_t duration);
std::int32_t lineGenerateTone(HCALL call, std::uint32_t toneMode, std::uint32_t duration,
                              std::uint32_t numTones, const void* tones);
std::int32_t lineSetMediaMode(HCALL call, std::uint32_t mediaModes);
std::int32_t lineHandoff(HCALL call, const char* fileName, std::uint32_t mediaMode);
std::int32_t lineConfigDialog(std::uint32_t deviceID, void* owner, const char* deviceClass);
