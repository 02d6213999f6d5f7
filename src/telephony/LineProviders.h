// The table of line providers (name -> factory) and the list of those that lineInitialize loads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "audio/devices/WaveDevices.h"
#include "telephony/LineProvider.h"

using LineProviderFactory = std::function<std::unique_ptr<LineProvider>()>;

// The id of the wave device of `deviceClass` ("wave/out" or "wave/in") among a provider's
// registered pair: 0, or LINEERR_INVALDEVICECLASS for another class.
std::int32_t WaveDeviceIdOf(std::string_view deviceClass, const WaveDeviceRegistration& devices,
                            std::uint32_t& id);

// The built-in providers' names.
inline constexpr char kSimulatedLineProvider[] = "Simulated";
inline constexpr char kModemLineProvider[] = "Modem";

// What a built-in provider drives: line devices of this machine, or a simulated line.
enum class LineProviderKind { Real, Simulation };

// The names of the built-in providers of `kind`, in table order.
std::vector<std::string> BuiltInLineProviders(LineProviderKind kind);

// A new instance of the provider called `name`, looked up without regard to case among the
// built-in providers and then those added by a LineProviderRegistration; null when there is none.
std::unique_ptr<LineProvider> CreateLineProvider(std::string_view name);

// Adds a provider to the table for its lifetime (test doubles, and hosts with lines of their
// own). A name that is already taken hides nothing: the earlier entry is found first.
class LineProviderRegistration {
public:
    LineProviderRegistration(std::string name, LineProviderFactory factory);
    ~LineProviderRegistration();
    LineProviderRegistration(const LineProviderRegistration&) = delete;
    LineProviderRegistration& operator=(const LineProviderRegistration&) = delete;

private:
    std::uint64_t id;
};

// The providers the next loading (the first lineInitialize after none was active) uses, in
// device order; names not in the table are skipped. Default: the built-in simulations.
void SetActiveLineProviders(std::vector<std::string> names);
std::vector<std::string> ActiveLineProviders();

// The providers in use for as long as it lives (a run of its own inside a process, and tests):
// the application context ends, so that the next one loads `names`; at the end the context ends
// again and the providers before come back.
class LineProvidersInUse {
public:
    explicit LineProvidersInUse(std::vector<std::string> names);
    ~LineProvidersInUse();
    LineProvidersInUse(const LineProvidersInUse&) = delete;
    LineProvidersInUse& operator=(const LineProvidersInUse&) = delete;

private:
    std::vector<std::string> previous;
};
