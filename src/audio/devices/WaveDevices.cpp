// The wave device lists and opening a device by its id.
#include "audio/devices/WaveDevices.h"

#include <mutex>
#include <utility>

#include "audio/devices/AlsaWaveDevice.h"

namespace {

// Sound card devices are listed once per process, so ids stay put while the program runs.
const std::vector<AlsaDeviceInfo>& AlsaDevices(WaveDirection direction) {
    static const std::vector<AlsaDeviceInfo> outputs = ListAlsaDevices(WaveDirection::Output);
    static const std::vector<AlsaDeviceInfo> inputs = ListAlsaDevices(WaveDirection::Input);
    return direction == WaveDirection::Output ? outputs : inputs;
}

// Registered virtual devices; a slot freed by unregistering is reused by the next device, and
// the ids of the others never move.
std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}
std::vector<std::shared_ptr<VirtualWaveDevice>>& Slots() {
    static std::vector<std::shared_ptr<VirtualWaveDevice>> slots;
    return slots;
}

std::shared_ptr<VirtualWaveDevice> VirtualDevice(WaveDirection direction, int id) {
    int slot = id - static_cast<int>(AlsaDevices(direction).size());
    std::lock_guard lock(RegistryMutex());
    if (slot < 0 || slot >= static_cast<int>(Slots().size())) {
        return nullptr;
    }
    return Slots()[static_cast<std::size_t>(slot)];
}

}  // namespace

std::vector<std::string> WaveDeviceNames(WaveDirection direction) {
    std::vector<std::string> names;
    for (const AlsaDeviceInfo& device : AlsaDevices(direction)) {
        names.push_back(device.description);
    }
    std::lock_guard lock(RegistryMutex());
    for (const auto& device : Slots()) {
        names.push_back(device ? device->Name() : "(unavailable)");
    }
    return names;
}

std::string WaveDevicePcmName(WaveDirection direction, int id) {
    const auto& alsa = AlsaDevices(direction);
    return id >= 0 && id < static_cast<int>(alsa.size())
               ? alsa[static_cast<std::size_t>(id)].pcmName
               : "";
}

WaveDeviceRegistration::WaveDeviceRegistration(std::shared_ptr<VirtualWaveDevice> device) {
    AlsaDevices(WaveDirection::Output);  // list the sound cards before the first virtual id
    std::lock_guard lock(RegistryMutex());
    auto& slots = Slots();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!slots[i]) {
            slots[i] = std::move(device);
            slot = static_cast<int>(i);
            return;
        }
    }
    slots.push_back(std::move(device));
    slot = static_cast<int>(slots.size()) - 1;
}

WaveDeviceRegistration::~WaveDeviceRegistration() {
    Release();
}

WaveDeviceRegistration::WaveDeviceRegistration(WaveDeviceRegistration&& other) noexcept
    : slot(std::exchange(other.slot, -1)) {}

WaveDeviceRegistration& WaveDeviceRegistration::operator=(WaveDeviceRegistration&& other) noexcept {
    if (this != &other) {
        Release();
        slot = std::exchange(other.slot, -1);
    }
    return *this;
}

void WaveDeviceRegistration::Release() {
    if (slot < 0) {
        return;
    }
    std::lock_guard lock(RegistryMutex());
    auto& slots = Slots();
    slots[static_cast<std::size_t>(slot)].reset();
    while (!slots.empty() && !slots.back()) {
        slots.pop_back();
    }
    slot = -1;
}

int WaveDeviceRegistration::OutputId() const {
    return slot < 0 ? -1 : static_cast<int>(AlsaDevices(WaveDirection::Output).size()) + slot;
}

int WaveDeviceRegistration::InputId() const {
    return slot < 0 ? -1 : static_cast<int>(AlsaDevices(WaveDirection::Input).size()) + slot;
}

std::unique_ptr<WaveOut> OpenWaveOut(int id, const WavePcmFormat& format, bool mapped) {
    const auto& alsa = AlsaDevices(WaveDirection::Output);
    if (id >= 0 && id < static_cast<int>(alsa.size())) {
        return OpenAlsaWaveOut(alsa[static_cast<std::size_t>(id)].pcmName, format, mapped);
    }
    std::shared_ptr<VirtualWaveDevice> device = VirtualDevice(WaveDirection::Output, id);
    return device ? device->OpenOut(format) : nullptr;
}

std::unique_ptr<WaveIn> OpenWaveIn(int id, const WavePcmFormat& format, bool mapped,
                                   WaveIn::DataCallback callback) {
    const auto& alsa = AlsaDevices(WaveDirection::Input);
    if (id >= 0 && id < static_cast<int>(alsa.size())) {
        return OpenAlsaWaveIn(alsa[static_cast<std::size_t>(id)].pcmName, format, mapped,
                              std::move(callback));
    }
    std::shared_ptr<VirtualWaveDevice> device = VirtualDevice(WaveDirection::Input, id);
    return device ? device->OpenIn(format, std::move(callback)) : nullptr;
}
