// The simulated line as a line provider, and the built-in provider on the process's own line.
#include "telephony/providers/simulated/SimulatedLineProvider.h"

#include "telephony/Tapi.h"
#include "telephony/providers/simulated/SimulatedLine.h"

// An open instance of the simulated line, as its provider hands it to the line-device layer.
class SimulatedLineDevice : public LineDevice {
public:
    SimulatedLineDevice(std::shared_ptr<SimulatedLine> line, std::shared_ptr<LineEventSink> sink)
        : line(std::move(line)), sink(std::move(sink)) {
        this->line->Attach(this->sink);
    }
    ~SimulatedLineDevice() override { line->Detach(sink); }

    std::vector<ProviderCallId> Calls() override { return line->Calls(); }
    std::int32_t GetCallDetails(ProviderCallId call, LineCallDetails& details) override {
        return line->GetCallDetails(call, details);
    }
    std::int32_t GetDeviceId(ProviderCallId call, std::string_view deviceClass,
                             std::uint32_t& id) override {
        return line->GetDeviceId(call, deviceClass, id);
    }
    std::int32_t MakeCall(std::uint32_t requestId, std::string_view address,
                          ProviderCallId& call) override {
        return line->MakeCall(sink, requestId, address, call);
    }
    std::int32_t Answer(std::uint32_t requestId, ProviderCallId call) override {
        return line->Answer(sink, requestId, call);
    }
    std::int32_t Drop(std::uint32_t requestId, ProviderCallId call) override {
        return line->Drop(sink, requestId, call);
    }
    std::int32_t BlindTransfer(std::uint32_t requestId, ProviderCallId call,
                               std::string_view destination) override {
        return line->BlindTransfer(sink, requestId, call, destination);
    }
    std::int32_t GenerateDigits(ProviderCallId call, std::uint32_t digitMode,
                                std::string_view digits, std::uint32_t duration) override {
        return line->GenerateDigits(call, digitMode, digits, duration);
    }
    std::int32_t GenerateTone(ProviderCallId call, std::uint32_t toneMode,
                              std::uint32_t duration) override {
        return line->GenerateTone(call, toneMode, duration);
    }
    std::int32_t SetMediaMode(ProviderCallId call, std::uint32_t mediaModes) override {
        return line->SetMediaMode(call, mediaModes);
    }
    // No other telephony program runs beside this one to take a call over.
    std::int32_t Handoff(ProviderCallId, std::uint32_t) override { return LINEERR_TARGETNOTFOUND; }
    void Release(ProviderCallId) override {}

private:
    std::shared_ptr<SimulatedLine> line;
    std::shared_ptr<LineEventSink> sink;
};

SimulatedLineProvider::SimulatedLineProvider(std::shared_ptr<SimulatedLine> line)
    : line(std::move(line)) {}

std::vector<LineDeviceCaps> SimulatedLineProvider::Devices() {
    return {{SimulatedLine::kName, SimulatedLine::kMediaModes}};
}

std::int32_t SimulatedLineProvider::Open(std::size_t index, std::uint32_t, std::uint32_t,
                                         std::shared_ptr<LineEventSink> sink,
                                         std::unique_ptr<LineDevice>& device) {
    if (index != 0) {
        return LINEERR_BADDEVICEID;
    }
    device = std::make_unique<SimulatedLineDevice>(line, std::move(sink));
    return 0;
}

std::int32_t SimulatedLineProvider::ConfigDialog(std::size_t index, std::string_view) {
    return index == 0 ? 0 : LINEERR_BADDEVICEID;
}

std::shared_ptr<SimulatedLine> SharedSimulatedLine() {
    static const std::shared_ptr<SimulatedLine> line = SimulatedLine::Create();
    return line;
}

std::unique_ptr<LineProvider> CreateSimulatedLineProvider() {
    return std::make_unique<SimulatedLineProvider>(SharedSimulatedLine());
}
