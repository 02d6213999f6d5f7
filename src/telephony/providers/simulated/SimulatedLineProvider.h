// The simulated line as a line provider, and the built-in "Simulated" provider on the shared line.
#pragma once

#include <memory>
#include <vector>

#include "telephony/LineProvider.h"

class SimulatedLine;

// A provider whose one device is `line`.
class SimulatedLineProvider : public LineProvider {
public:
    explicit SimulatedLineProvider(std::shared_ptr<SimulatedLine> line);

    std::vector<LineDeviceCaps> Devices() override;
    std::int32_t Open(std::size_t index, std::uint32_t privileges, std::uint32_t mediaModes,
                      std::shared_ptr<LineEventSink> sink,
                      std::unique_ptr<LineDevice>& device) override;
    // The line has nothing to configure.
    std::int32_t ConfigDialog(std::size_t index, std::string_view deviceClass) override;

private:
    std::shared_ptr<SimulatedLine> line;
};

// The simulated line of this process, on the system device clock: what the built-in
// "Simulated" provider offers and what the "Simulated Line" window drives.
std::shared_ptr<SimulatedLine> SharedSimulatedLine();
// The built-in provider's factory.
std::unique_ptr<LineProvider> CreateSimulatedLineProvider();
