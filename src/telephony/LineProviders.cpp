// The table of line providers and the list of those that lineInitialize loads.
#include "telephony/LineProviders.h"

#include <algorithm>
#include <mutex>

#include "base/AsciiText.h"
#include "telephony/LTapiLine.h"
#include "telephony/Tapi.h"
#include "telephony/providers/modem/ModemLineProvider.h"
#include "telephony/providers/simulated/SimulatedLineProvider.h"

namespace {

struct BuiltInProvider {
    const char* name;
    LineProviderKind kind;
    std::unique_ptr<LineProvider> (*create)();
};

// Every provider the program has, in one place.
constexpr BuiltInProvider kBuiltInProviders[] = {
    {kModemLineProvider, LineProviderKind::Real, &CreateModemLineProvider},
    {kSimulatedLineProvider, LineProviderKind::Simulation, &CreateSimulatedLineProvider},
};

struct AddedProvider {
    std::uint64_t id;
    std::string name;
    LineProviderFactory factory;
};

struct Table {
    std::mutex mutex;
    std::vector<AddedProvider> added;
    std::uint64_t nextId = 1;
    std::vector<std::string> active = BuiltInLineProviders(LineProviderKind::Simulation);
};

Table& TheTable() {
    static Table table;
    return table;
}

}  // namespace

std::int32_t WaveDeviceIdOf(std::string_view deviceClass, const WaveDeviceRegistration& devices,
                            std::uint32_t& id) {
    int device = -1;
    if (EqualsNoCase(deviceClass, "wave/out")) {
        device = devices.OutputId();
    } else if (EqualsNoCase(deviceClass, "wave/in")) {
        device = devices.InputId();
    }
    if (device < 0) {
        return LINEERR_INVALDEVICECLASS;
    }
    id = static_cast<std::uint32_t>(device);
    return 0;
}

std::vector<std::string> BuiltInLineProviders(LineProviderKind kind) {
    std::vector<std::string> names;
    for (const BuiltInProvider& provider : kBuiltInProviders) {
        if (provider.kind == kind) {
            names.emplace_back(provider.name);
        }
    }
    return names;
}

std::unique_ptr<LineProvider> CreateLineProvider(std::string_view name) {
    for (const BuiltInProvider& provider : kBuiltInProviders) {
        if (EqualsNoCase(name, provider.name)) {
            return provider.create();
        }
    }
    LineProviderFactory factory;
    {
        Table& table = TheTable();
        std::lock_guard lock(table.mutex);
        auto found = std::find_if(
            table.added.begin(), table.added.end(),
            [name](const AddedProvider& provider) { return EqualsNoCase(name, provider.name); });
        if (found == table.added.end()) {
            return nullptr;
        }
        factory = found->factory;
    }
    return factory();
}

LineProviderRegistration::LineProviderRegistration(std::string name, LineProviderFactory factory) {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    id = table.nextId++;
    table.added.push_back(AddedProvider{id, std::move(name), std::move(factory)});
}

LineProviderRegistration::~LineProviderRegistration() {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    std::erase_if(table.added, [this](const AddedProvider& provider) { return provider.id == id; });
}

void SetActiveLineProviders(std::vector<std::string> names) {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    table.active = std::move(names);
}

std::vector<std::string> ActiveLineProviders() {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    return table.active;
}

LineProvidersInUse::LineProvidersInUse(std::vector<std::string> names)
    : previous(ActiveLineProviders()) {
    SetActiveLineProviders(std::move(names));
    LTapiLine::Shutdown();
}

LineProvidersInUse::~LineProvidersInUse() {
    LTapiLine::Shutdown();
    SetActiveLineProviders(previous);
}
