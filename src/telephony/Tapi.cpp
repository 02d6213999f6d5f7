// The line-device layer: TAPI 1.4 line functions over the line providers. It keeps the handles
// of applications, lines, calls and requests, fills the TAPI structures and turns provider
// reports into messages on the application's thread.
#include "telephony/Tapi.h"

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "audio/devices/DeviceClock.h"
#include "telephony/LineMessagePort.h"
#include "telephony/LineProviders.h"

namespace {

constexpr std::uint32_t kKnownPrivileges =
    LINECALLPRIVILEGE_NONE | LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER;
constexpr std::uint32_t kKnownDigitModes = LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF;

struct Device {
    LineProvider* provider;
    std::size_t index;  // within the provider
    std::string providerName;
    LineDeviceCaps caps;
};

struct App {
    LINECALLBACK callback;
    std::unique_ptr<LineMessagePort> port;
};

struct Line {
    HLINEAPP app;
    std::uint32_t deviceId;
    std::uintptr_t instance;
    std::uint32_t privileges;
    std::uint32_t lineStates = 0;
    std::uint32_t numRings = 0;
    std::shared_ptr<LineMessageSink> sink;
    std::unique_ptr<LineDevice> device;
    std::set<ProviderCallId> released;  // calls the application let go of: no more messages
};

struct Call {
    HLINE line;
    ProviderCallId id;
    std::uint32_t privilege;
    std::uint32_t state = 0;
    std::uint32_t digitModes = 0;
    std::uint32_t mediaModes = 0;
};

struct Request {
    HLINE line;
    HCALL madeCall;  // lineMakeCall's new call, released when the request fails
};

// Writes the variable part of a structure: every piece, or none when they do not all fit.
class VariablePart {
public:
    VariablePart(void* structure, std::uint32_t fixedSize)
        : base(static_cast<char*>(structure)), used(fixedSize) {}

    // Reserves a string (with its NUL) or binary data; empty text takes no room.
    void Add(std::string data, std::uint32_t* size, std::uint32_t* offset) {
        if (data.empty()) {
            return;
        }
        pieces.push_back({std::move(data), size, offset});
        needed += static_cast<std::uint32_t>(pieces.back().data.size());
    }
    void AddString(const std::string& text, std::uint32_t* size, std::uint32_t* offset) {
        if (!text.empty()) {
            Add(text + '\0', size, offset);
        }
    }
    // Fills in the size fields and the pieces when the total fits; returns the needed size and
    // sets the used size.
    void Finish(std::uint32_t totalSize, std::uint32_t* neededSize, std::uint32_t* usedSize) {
        *neededSize = used + needed;
        if (used + needed > totalSize) {
            *usedSize = used;
            return;
        }
        for (Piece& piece : pieces) {
            std::memcpy(base + used, piece.data.data(), piece.data.size());
            *piece.size = static_cast<std::uint32_t>(piece.data.size());
            *piece.offset = used;
            used += static_cast<std::uint32_t>(piece.data.size());
        }
        *usedSize = used;
    }

private:
    struct Piece {
        std::string data;
        std::uint32_t* size;
        std::uint32_t* offset;
    };
    char* base;
    std::uint32_t used;
    std::uint32_t needed = 0;
    std::vector<Piece> pieces;
};

class LineLayer {
public:
    LineLayer() {
        // Providers pace their wave devices by the system clock; it must outlive them.
        SystemDeviceClock();
    }

    std::int32_t Initialize(HLINEAPP* lineApp, LINECALLBACK callback, std::uint32_t* numDevices) {
        if (lineApp == nullptr || numDevices == nullptr || callback == nullptr) {
            return LINEERR_INVALPOINTER;
        }
        if (apps.empty()) {
            LoadProviders();
        }
        HLINEAPP handle = NewHandle();
        apps[handle] = App{callback, std::make_unique<LineMessagePort>(
                                         [this](const LineMessage& message) { Deliver(message); })};
        *lineApp = handle;
        *numDevices = static_cast<std::uint32_t>(devices.size());
        return 0;
    }

    std::int32_t Shutdown(HLINEAPP app) {
        if (!apps.contains(app)) {
            return LINEERR_INVALAPPHANDLE;
        }
        std::vector<HLINE> open;
        for (const auto& [handle, line] : lines) {
            if (line.app == app) {
                open.push_back(handle);
            }
        }
        for (HLINE handle : open) {
            Close(handle);
        }
        apps.erase(app);
        if (apps.empty()) {
            devices.clear();
            providers.clear();
        }
        return 0;
    }

    std::int32_t CheckDevice(HLINEAPP app, std::uint32_t deviceId) const {
        if (!apps.contains(app)) {
            return LINEERR_INVALAPPHANDLE;
        }
        return deviceId < devices.size() ? 0 : LINEERR_BADDEVICEID;
    }

    std::int32_t NegotiateVersion(HLINEAPP app, std::uint32_t deviceId, std::uint32_t low,
                                  std::uint32_t high, std::uint32_t* version,
                                  LINEEXTENSIONID* extension) const {
        if (std::int32_t error = CheckDevice(app, deviceId); error != 0) {
            return error;
        }
        if (version == nullptr || extension == nullptr) {
            return LINEERR_INVALPOINTER;
        }
        if (low > TAPI_VERSION_1_4 || high < TAPI_VERSION_1_4) {
            return LINEERR_INCOMPATIBLEAPIVERSION;
        }
        *version = TAPI_VERSION_1_4;
        *extension = LINEEXTENSIONID{};
        return 0;
    }

    std::int32_t GetDevCaps(HLINEAPP app, std::uint32_t deviceId, std::uint32_t version,
                            LINEDEVCAPS* caps) const {
        if (std::int32_t error = CheckDevice(app, deviceId); error != 0) {
            return error;
        }
        if (version != TAPI_VERSION_1_4) {
            return LINEERR_INCOMPATIBLEAPIVERSION;
        }
        if (caps == nullptr) {
            return LINEERR_INVALPOINTER;
        }
        if (caps->totalSize < sizeof(LINEDEVCAPS)) {
            return LINEERR_STRUCTURETOOSMALL;
        }
        const Device& device = devices[deviceId];
        std::uint32_t total = caps->totalSize;
        *caps = LINEDEVCAPS{};
        caps->totalSize = total;
        caps->permanentLineID = deviceId;
        caps->stringFormat = STRINGFORMAT_ASCII;
        caps->addressModes = LINEADDRESSMODE_ADDRESSID;
        caps->numAddresses = 1;
        caps->bearerModes = LINEBEARERMODE_VOICE;
        caps->mediaModes = device.caps.mediaModes;
        caps->generateToneModes = LINETONEMODE_BEEP;
        caps->generateDigitModes = LINEDIGITMODE_DTMF;
        caps->monitorDigitModes = LINEDIGITMODE_DTMF;
        caps->maxNumActiveCalls = 1;
        VariablePart part(caps, sizeof(LINEDEVCAPS));
        part.AddString(device.providerName, &caps->providerInfoSize, &caps->providerInfoOffset);
        part.AddString(device.caps.name, &caps->lineNameSize, &caps->lineNameOffset);
        part.Finish(total, &caps->neededSize, &caps->usedSize);
        return 0;
    }

    std::int32_t Open(HLINEAPP app, std::uint32_t deviceId, HLINE* handle, std::uint32_t version,
                      std::uintptr_t instance, std::uint32_t privileges, std::uint32_t mediaModes) {
        if (std::int32_t error = CheckDevice(app, deviceId); error != 0) {
            return error;
        }
        if (handle == nullptr) {
            return LINEERR_INVALPOINTER;
        }
        if (version != TAPI_VERSION_1_4) {
            return LINEERR_INCOMPATIBLEAPIVERSION;
        }
        if (privileges == 0 || (privileges & ~kKnownPrivileges) != 0) {
            return LINEERR_INVALCALLPRIVILEGE;
        }
        const Device& device = devices[deviceId];
        // An owner must name the kinds of call it takes, and the device must offer them.
        if ((privileges & LINECALLPRIVILEGE_OWNER) != 0 &&
            (mediaModes == 0 || (mediaModes & ~device.caps.mediaModes) != 0)) {
            return LINEERR_INVALMEDIAMODE;
        }
        HLINE newHandle = NewHandle();
        std::shared_ptr<LineMessageSink> sink = apps[app].port->OpenSink(newHandle);
        std::unique_ptr<LineDevice> open;
        std::int32_t result =
            device.provider->Open(device.index, privileges, mediaModes, sink, open);
        if (result != 0 || !open) {
            sink->Close();
            return result != 0 ? result : LINEERR_OPERATIONFAILED;
        }
        Line& line = lines[newHandle];
        line.app = app;
        line.deviceId = deviceId;
        line.instance = instance;
        line.privileges = privileges;
        line.sink = std::move(sink);
        line.device = std::move(open);
        *handle = newHandle;
        return 0;
    }

    std::int32_t Close(HLINE handle) {
        auto found = lines.find(handle);
        if (found == lines.end()) {
            return LINEERR_INVALLINEHANDLE;
        }
        found->second.sink->Close();
        std::erase_if(calls, [handle](const auto& entry) { return entry.second.line == handle; });
        std::erase_if(requests,
                      [handle](const auto& entry) { return entry.second.line == handle; });
        // The open line goes last: its provider may still report while it closes.
        std::unique_ptr<LineDevice> device = std::move(found->second.device);
        lines.erase(found);
        device.reset();
        return 0;
    }

    Line* FindLine(HLINE handle) {
        auto found = lines.find(handle);
        return found == lines.end() ? nullptr : &found->second;
    }

    Call* FindCall(HCALL handle) {
        auto found = calls.find(handle);
        return found == calls.end() ? nullptr : &found->second;
    }

    LineDevice& DeviceOf(const Call& call) { return *lines.at(call.line).device; }

    HCALL HandleOf(HLINE line, ProviderCallId id) const {
        for (const auto& [handle, call] : calls) {
            if (call.line == line && call.id == id) {
                return handle;
            }
        }
        return 0;
    }

    HCALL NewCall(HLINE line, ProviderCallId id, std::uint32_t privilege) {
        HCALL handle = NewHandle();
        calls[handle] = Call{line, id, privilege};
        lines.at(line).released.erase(id);
        return handle;
    }

    void ReleaseCall(HCALL handle) {
        Call& call = calls.at(handle);
        Line& line = lines.at(call.line);
        line.released.insert(call.id);
        line.device->Release(call.id);
        calls.erase(handle);
    }

    std::int32_t GetNewCalls(HLINE handle, std::uint32_t addressId, std::uint32_t select,
                             LINECALLLIST* list) {
        Line* line = FindLine(handle);
        if (line == nullptr) {
            return LINEERR_INVALLINEHANDLE;
        }
        if (select != LINECALLSELECT_LINE && select != LINECALLSELECT_ADDRESS) {
            return LINEERR_INVALCALLSELECT;
        }
        if (select == LINECALLSELECT_ADDRESS && addressId != 0) {
            return LINEERR_INVALADDRESSID;
        }
        if (list == nullptr) {
            return LINEERR_INVALPOINTER;
        }
        if (list->totalSize < sizeof(LINECALLLIST)) {
            return LINEERR_STRUCTURETOOSMALL;
        }
        std::vector<HCALL> handles;
        for (ProviderCallId id : line->device->Calls()) {
            HCALL call = HandleOf(handle, id);
            handles.push_back(call != 0 ? call : NewCall(handle, id, LINECALLPRIVILEGE_MONITOR));
        }
        std::uint32_t total = list->totalSize;
        *list = LINECALLLIST{};
        list->totalSize = total;
        std::string data(handles.size() * sizeof(HCALL), '\0');
        std::memcpy(data.data(), handles.data(), data.size());
        VariablePart part(list, sizeof(LINECALLLIST));
        part.Add(std::move(data), &list->callsSize, &list->callsOffset);
        part.Finish(total, &list->neededSize, &list->usedSize);
        if (list->callsSize != 0) {
            list->callsNum = static_cast<std::uint32_t>(handles.size());
        }
        return 0;
    }

    std::int32_t GetCallInfo(HCALL handle, LINECALLINFO* info) {
        Call* call = FindCall(handle);
        if (call == nullptr) {
            return LINEERR_INVALCALLHANDLE;
        }
        if (info == nullptr) {
            return LINEERR_INVALPOINTER;
        }
        if (info->totalSize < sizeof(LINECALLINFO)) {
            return LINEERR_STRUCTURETOOSMALL;
        }
        LineCallDetails details;
        if (std::int32_t error = DeviceOf(*call).GetCallDetails(call->id, details); error != 0) {
            return error;
        }
        std::uint32_t total = info->totalSize;
        *info = LINECALLINFO{};
        info->totalSize = total;
        info->line = call->line;
        info->lineDeviceID = lines.at(call->line).deviceId;
        info->bearerMode = LINEBEARERMODE_VOICE;
        info->mediaMode = details.mediaMode;
        info->callState = details.callState;
        info->privilege = call->privilege;
        info->monitorDigitModes = call->digitModes;
        info->monitorMediaModes = call->mediaModes;
        info->origin = details.origin;
        info->callerIDFlags = details.callerIdFlags;
        info->calledIDFlags = details.calledIdFlags;
        VariablePart part(info, sizeof(LINECALLINFO));
        part.AddString(details.callerId, &info->callerIDSize, &info->callerIDOffset);
        part.AddString(details.callerIdName, &info->callerIDNameSize, &info->callerIDNameOffset);
        part.AddString(details.calledId, &info->calledIDSize, &info->calledIDOffset);
        part.Finish(total, &info->neededSize, &info->usedSize);
        return 0;
    }

    std::int32_t GetId(HLINE lineHandle, HCALL callHandle, std::uint32_t select, VARSTRING* result,
                       const char* deviceClass) {
        if (select != LINECALLSELECT_CALL) {
            return FindLine(lineHandle) == nullptr ? LINEERR_INVALLINEHANDLE
                                                   : LINEERR_INVALCALLSELECT;
        }
        Call* call = FindCall(callHandle);
        if (call == nullptr) {
            return LINEERR_INVALCALLHANDLE;
        }
        if (result == nullptr || deviceClass == nullptr) {
            return LINEERR_INVALPOINTER;
        }
        if (result->totalSize < sizeof(VARSTRING)) {
            return LINEERR_STRUCTURETOOSMALL;
        }
        std::uint32_t id = 0;
        if (std::int32_t error = DeviceOf(*call).GetDeviceId(call->id, deviceClass, id);
            error != 0) {
            return error;
        }
        std::uint32_t total = result->totalSize;
        *result = VARSTRING{};
        result->totalSize = total;
        result->stringFormat = STRINGFORMAT_BINARY;
        std::string data(sizeof id, '\0');
        std::memcpy(data.data(), &id, sizeof id);
        VariablePart part(result, sizeof(VARSTRING));
        part.Add(std::move(data), &result->stringSize, &result->stringOffset);
        part.Finish(total, &result->neededSize, &result->usedSize);
        return 0;
    }

    // Runs `operation` (the call's open line, the call) on a call that only its owner may act
    // on; the error when the handle names no such call.
    template <class Operation>
    std::int32_t OnOwnedCall(HCALL handle, Operation operation) {
        Call* call = FindCall(handle);
        if (call == nullptr) {
            return LINEERR_INVALCALLHANDLE;
        }
        if (call->privilege != LINECALLPRIVILEGE_OWNER) {
            return LINEERR_NOTOWNER;
        }
        return operation(DeviceOf(*call), *call);
    }

    // Hands a request on an owned call to its open line: `start` (the open line, the request
    // id, the provider's call) returns the provider's answer.
    template <class Start>
    std::int32_t OwnedCallRequest(HCALL handle, Start start) {
        return OnOwnedCall(handle, [&](LineDevice& device, const Call& call) {
            return StartRequest(
                call.line, [&](std::uint32_t request) { return start(device, request, call.id); });
        });
    }

    std::uint32_t NewRequest(HLINE line) {
        std::uint32_t id = nextRequest;
        nextRequest = nextRequest == 0x7FFFFFFF ? 1 : nextRequest + 1;
        requests[id] = Request{line, 0};
        return id;
    }

    // Hands a request to the provider: its id, or the provider's refusal.
    template <class Start>
    std::int32_t StartRequest(HLINE line, Start start) {
        std::uint32_t id = NewRequest(line);
        if (std::int32_t error = start(id); error != 0) {
            requests.erase(id);
            return error;
        }
        return static_cast<std::int32_t>(id);
    }

    std::int32_t MakeCall(HLINE handle, HCALL* callHandle, const char* address) {
        Line* line = FindLine(handle);
        if (line == nullptr) {
            return LINEERR_INVALLINEHANDLE;
        }
        if (callHandle == nullptr) {
            return LINEERR_INVALPOINTER;
        }
        ProviderCallId id = 0;
        std::int32_t result = StartRequest(handle, [&](std::uint32_t request) {
            return line->device->MakeCall(request, address != nullptr ? address : "", id);
        });
        if (result > 0) {
            *callHandle = NewCall(handle, id, LINECALLPRIVILEGE_OWNER);
            requests.at(static_cast<std::uint32_t>(result)).madeCall = *callHandle;
        }
        return result;
    }

    void Deliver(const LineMessage& message) {
        Line* line = FindLine(message.line);
        if (line == nullptr) {
            return;  // closed since
        }
        LINECALLBACK callback = apps.at(line->app).callback;
        std::uintptr_t instance = line->instance;
        switch (message.kind) {
            case LineMessage::Kind::CallState: {
                if (line->released.contains(message.call)) {
                    return;
                }
                HCALL handle = HandleOf(message.line, message.call);
                std::uint32_t privilege = 0;
                if (handle == 0) {
                    privilege = (line->privileges & LINECALLPRIVILEGE_OWNER) != 0
                                    ? LINECALLPRIVILEGE_OWNER
                                    : LINECALLPRIVILEGE_MONITOR;
                    handle = NewCall(message.line, message.call, privilege);
                }
                calls.at(handle).state = message.param1;
                callback(handle, LINE_CALLSTATE, instance, message.param1, message.param2,
                         privilege);
                return;
            }
            case LineMessage::Kind::LineDevState:
                if ((line->lineStates & message.param1) != 0) {
                    callback(message.line, LINE_LINEDEVSTATE, instance, message.param1,
                             message.param2, message.param3);
                }
                return;
            case LineMessage::Kind::Digit:
            case LineMessage::Kind::Media:
            case LineMessage::Kind::Generate: {
                HCALL handle = HandleOf(message.line, message.call);
                if (handle == 0) {
                    return;
                }
                const Call& call = calls.at(handle);
                if (message.kind == LineMessage::Kind::Digit &&
                    (call.digitModes & message.param2) != 0) {
                    callback(handle, LINE_MONITORDIGITS, instance, message.param1, message.param2,
                             0);
                } else if (message.kind == LineMessage::Kind::Media &&
                           (call.mediaModes & message.param1) != 0) {
                    callback(handle, LINE_MONITORMEDIA, instance, message.param1, 0, 0);
                } else if (message.kind == LineMessage::Kind::Generate) {
                    callback(handle, LINE_GENERATE, instance, message.param1, 0, 0);
                }
                return;
            }
            case LineMessage::Kind::Reply: {
                auto request = requests.find(message.param1);
                if (request == requests.end()) {
                    return;
                }
                HCALL made = request->second.madeCall;
                requests.erase(request);
                if (message.param2 != 0 && made != 0 && calls.contains(made)) {
                    ReleaseCall(made);
                }
                callback(0, LINE_REPLY, instance, message.param1, message.param2, 0);
                return;
            }
        }
    }

    std::int32_t ConfigDialog(std::uint32_t deviceId, const char* deviceClass) {
        if (deviceId >= devices.size()) {
            return LINEERR_BADDEVICEID;
        }
        const Device& device = devices[deviceId];
        return device.provider->ConfigDialog(device.index,
                                             deviceClass != nullptr ? deviceClass : "");
    }

private:
    void LoadProviders() {
        for (const std::string& name : ActiveLineProviders()) {
            std::unique_ptr<LineProvider> provider = CreateLineProvider(name);
            if (!provider) {
                continue;
            }
            std::vector<LineDeviceCaps> offered = provider->Devices();
            for (std::size_t i = 0; i < offered.size(); ++i) {
                devices.push_back(Device{provider.get(), i, name, std::move(offered[i])});
            }
            providers.push_back(std::move(provider));
        }
    }

    // Handles of every kind come from one counter, so a stale handle never names a new object.
    std::uint32_t NewHandle() { return nextHandle++; }

    std::vector<std::unique_ptr<LineProvider>> providers;
    std::vector<Device> devices;
    std::map<HLINEAPP, App> apps;
    std::map<HLINE, Line> lines;
    std::map<HCALL, Call> calls;
    std::map<std::uint32_t, Request> requests;
    std::uint32_t nextHandle = 0x10001;
    std::uint32_t nextRequest = 1;
};

// Lives for the whole process, so that no provider is destroyed during static destruction.
LineLayer& Layer() {
    static LineLayer* layer = new LineLayer;
    return *layer;
}

}  // namespace

std::int32_t lineInitialize(HLINEAPP* lineApp, void*, LINECALLBACK callback, const char*,
                            std::uint32_t* numDevices) {
    return Layer().Initialize(lineApp, callback, numDevices);
}

std::int32_t lineShutdown(HLINEAPP lineApp) {
    return Layer().Shutdown(lineApp);
}

std::int32_t lineNegotiateAPIVersion(HLINEAPP lineApp, std::uint32_t deviceID,
                                     std::uint32_t apiLowVersion, std::uint32_t apiHighVersion,
                                     std::uint32_t* apiVersion, LINEEXTENSIONID* extensionID) {
    return Layer().NegotiateVersion(lineApp, deviceID, apiLowVersion, apiHighVersion, apiVersion,
                                    extensionID);
}

std::int32_t lineGetDevCaps(HLINEAPP lineApp, std::uint32_t deviceID, std::uint32_t apiVersion,
                            std::uint32_t, LINEDEVCAPS* lineDevCaps) {
    return Layer().GetDevCaps(lineApp, deviceID, apiVersion, lineDevCaps);
}

std::int32_t lineOpen(HLINEAPP lineApp, std::uint32_t deviceID, HLINE* line,
                      std::uint32_t apiVersion, std::uint32_t, std::uintptr_t callbackInstance,
                      std::uint32_t privileges, std::uint32_t mediaModes, const LINECALLPARAMS*) {
    return Layer().Open(lineApp, deviceID, line, apiVersion, callbackInstance, privileges,
                        mediaModes);
}

std::int32_t lineClose(HLINE line) {
    return Layer().Close(line);
}

std::int32_t lineSetStatusMessages(HLINE line, std::uint32_t lineStates, std::uint32_t) {
    Line* open = Layer().FindLine(line);
    if (open == nullptr) {
        return LINEERR_INVALLINEHANDLE;
    }
    open->lineStates = lineStates;
    return 0;
}

std::int32_t lineSetNumRings(HLINE line, std::uint32_t addressID, std::uint32_t numRings) {
    Line* open = Layer().FindLine(line);
    if (open == nullptr) {
        return LINEERR_INVALLINEHANDLE;
    }
    if (addressID != 0) {
        return LINEERR_INVALADDRESSID;
    }
    open->numRings = numRings;
    return 0;
}

std::int32_t lineGetNewCalls(HLINE line, std::uint32_t addressID, std::uint32_t select,
                             LINECALLLIST* callList) {
    return Layer().GetNewCalls(line, addressID, select, callList);
}

std::int32_t lineGetCallInfo(HCALL call, LINECALLINFO* callInfo) {
    return Layer().GetCallInfo(call, callInfo);
}

std::int32_t lineGetID(HLINE line, std::uint32_t, HCALL call, std::uint32_t select,
                       VARSTRING* deviceID, const char* deviceClass) {
    return Layer().GetId(line, call, select, deviceID, deviceClass);
}

std::int32_t lineSetCallPrivilege(HCALL call, std::uint32_t callPrivilege) {
    LineLayer& layer = Layer();
    Call* found = layer.FindCall(call);
    if (found == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    bool ownerLine = (layer.FindLine(found->line)->privileges & LINECALLPRIVILEGE_OWNER) != 0;
    if ((callPrivilege != LINECALLPRIVILEGE_OWNER && callPrivilege != LINECALLPRIVILEGE_MONITOR) ||
        (callPrivilege == LINECALLPRIVILEGE_OWNER && !ownerLine)) {
        return LINEERR_INVALCALLPRIVILEGE;
    }
    found->privilege = callPrivilege;
    return 0;
}

std::int32_t lineDeallocateCall(HCALL call) {
    LineLayer& layer = Layer();
    Call* found = layer.FindCall(call);
    if (found == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    // The owner of a call in progress must drop it first.
    if (found->privilege == LINECALLPRIVILEGE_OWNER && found->state != LINECALLSTATE_IDLE) {
        return LINEERR_INVALCALLSTATE;
    }
    layer.ReleaseCall(call);
    return 0;
}

std::int32_t lineMonitorDigits(HCALL call, std::uint32_t digitModes) {
    Call* found = Layer().FindCall(call);
    if (found == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    if ((digitModes & ~kKnownDigitModes) != 0) {
        return LINEERR_INVALDIGITMODE;
    }
    found->digitModes = digitModes;
    return 0;
}

std::int32_t lineMonitorMedia(HCALL call, std::uint32_t mediaModes) {
    Call* found = Layer().FindCall(call);
    if (found == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    found->mediaModes = mediaModes;
    return 0;
}

std::int32_t lineAnswer(HCALL call, const char*, std::uint32_t) {
    return Layer().OwnedCallRequest(
        call, [](LineDevice& device, std::uint32_t request, ProviderCallId id) {
            return device.Answer(request, id);
        });
}

std::int32_t lineMakeCall(HLINE line, HCALL* call, const char* destAddress, std::uint32_t,
                          const LINECALLPARAMS*) {
    return Layer().MakeCall(line, call, destAddress);
}

std::int32_t lineDrop(HCALL call, const char*, std::uint32_t) {
    return Layer().OwnedCallRequest(
        call, [](LineDevice& device, std::uint32_t request, ProviderCallId id) {
            return device.Drop(request, id);
        });
}

std::int32_t lineBlindTransfer(HCALL call, const char* destAddress, std::uint32_t) {
    LineLayer& layer = Layer();
    return layer.OnOwnedCall(call, [&](LineDevice& device, const Call& found) {
        if (destAddress == nullptr) {
            return LINEERR_INVALADDRESS;
        }
        return layer.StartRequest(found.line, [&](std::uint32_t request) {
            return device.BlindTransfer(request, found.id, destAddress);
        });
    });
}

std::int32_t lineGenerateDigits(HCALL call, std::uint32_t digitMode, const char* digits,
                                std::uint32_t duration) {
    // No digits cancels a generation in progress.
    return Layer().OnOwnedCall(call, [&](LineDevice& device, const Call& found) {
        return device.GenerateDigits(found.id, digitMode, digits != nullptr ? digits : "",
                                     duration);
    });
}

std::int32_t lineGenerateTone(HCALL call, std::uint32_t toneMode, std::uint32_t duration,
                              std::uint32_t, const void*) {
    return Layer().OnOwnedCall(call, [&](LineDevice& device, const Call& found) {
        return device.GenerateTone(found.id, toneMode, duration);
    });
}

std::int32_t lineSetMediaMode(HCALL call, std::uint32_t mediaModes) {
    return Layer().OnOwnedCall(call, [&](LineDevice& device, const Call& found) {
        return device.SetMediaMode(found.id, mediaModes);
    });
}

std::int32_t lineHandoff(HCALL call, const char*, std::uint32_t mediaMode) {
    return Layer().OnOwnedCall(call, [&](LineDevice& device, const Call& found) {
        return device.Handoff(found.id, mediaMode);
    });
}

std::int32_t lineConfigDialog(std::uint32_t deviceID, void*, const char* deviceClass) {
    return Layer().ConfigDialog(deviceID, deviceClass);
}
