// What a line provider offers the line-device layer: its line devices, an open instance of one,
// and the calls on it. The layer turns these into the TAPI functions and messages of Tapi.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A provider's own number for a call; never 0.
using ProviderCallId = std::uint32_t;

// A line device as its provider describes it.
struct LineDeviceCaps {
    std::string name;
    std::uint32_t mediaModes = 0;  // LINEMEDIAMODE_ bits
};

// What the provider knows about a call (the LINECALLINFO fields the layer fills from it).
struct LineCallDetails {
    std::uint32_t mediaMode = 0;
    std::uint32_t origin = 0;  // LINECALLORIGIN_
    std::uint32_t callState = 0;
    std::uint32_t callerIdFlags = 0;  // LINECALLPARTYID_
    std::string callerId;
    std::string callerIdName;
    std::uint32_t calledIdFlags = 0;
    std::string calledId;
};

// Where an open line reports what happens on it. Callable from any thread; the layer posts each
// report to the application's thread. Reports after the open line is destroyed are dropped.
class LineEventSink {
public:
    virtual ~LineEventSink() = default;
    // LINECALLSTATE_ value and its detail. The first report of a call makes it known.
    virtual void CallState(ProviderCallId call, std::uint32_t state, std::uint32_t detail) = 0;
    // LINEDEVSTATE_ value with its two parameters (ringing: ring mode, ring count).
    virtual void LineDevState(std::uint32_t state, std::uint32_t param2, std::uint32_t param3) = 0;
    virtual void DigitDetected(ProviderCallId call, char digit, std::uint32_t digitMode) = 0;
    virtual void MediaDetected(ProviderCallId call, std::uint32_t mediaMode) = 0;
    virtual void GenerateEnded(ProviderCallId call, std::uint32_t termination) = 0;
    // A request handed to the open line has completed: 0 or a LINEERR_ value.
    virtual void RequestCompleted(std::uint32_t requestId, std::int32_t result) = 0;
};

// One open line device. Operations return 0 or a LINEERR_ value at once; requests (they take a
// request id) report their outcome later through RequestCompleted. Every operation is called on
// the application's thread. The destructor closes the line: no report reaches the sink after it.
class LineDevice {
public:
    virtual ~LineDevice() = default;

    // Calls now on the line (not idle).
    virtual std::vector<ProviderCallId> Calls() = 0;
    virtual std::int32_t GetCallDetails(ProviderCallId call, LineCallDetails& details) = 0;
    // The device id of `deviceClass` ("wave/in", "wave/out") for the call.
    virtual std::int32_t GetDeviceId(ProviderCallId call, std::string_view deviceClass,
                                     std::uint32_t& id) = 0;

    // Requests. MakeCall names the new call at once.
    virtual std::int32_t MakeCall(std::uint32_t requestId, std::string_view address,
                                  ProviderCallId& call) = 0;
    virtual std::int32_t Answer(std::uint32_t requestId, ProviderCallId call) = 0;
    virtual std::int32_t Drop(std::uint32_t requestId, ProviderCallId call) = 0;
    virtual std::int32_t BlindTransfer(std::uint32_t requestId, ProviderCallId call,
                                       std::string_view destination) = 0;

    // `duration` in ms per digit or of the tone; 0 is the provider's default.
    virtual std::int32_t GenerateDigits(ProviderCallId call, std::uint32_t digitMode,
                                        std::string_view digits, std::uint32_t duration) = 0;
    virtual std::int32_t GenerateTone(ProviderCallId call, std::uint32_t toneMode,
                                      std::uint32_t duration) = 0;
    virtual std::int32_t SetMediaMode(ProviderCallId call, std::uint32_t mediaModes) = 0;
    virtual std::int32_t Handoff(ProviderCallId call, std::uint32_t mediaMode) = 0;
    // The application released its last handle to the call.
    virtual void Release(ProviderCallId call) = 0;
};

// A driver of line devices; one instance per loaded provider.
class LineProvider {
public:
    virtual ~LineProvider() = default;

    // The provider's devices, asked once when it is loaded; their order is their device ids.
    virtual std::vector<LineDeviceCaps> Devices() = 0;
    // Opens device `index` (of Devices()) for `privileges` (LINECALLPRIVILEGE_) and `mediaModes`.
    virtual std::int32_t Open(std::size_t index, std::uint32_t privileges, std::uint32_t mediaModes,
                              std::shared_ptr<LineEventSink> sink,
                              std::unique_ptr<LineDevice>& line) = 0;
    // Shows the device's configuration; 0 or a LINEERR_ value.
    virtual std::int32_t ConfigDialog(std::size_t index, std::string_view deviceClass) = 0;
};
