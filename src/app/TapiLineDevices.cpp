// The telephony layer's line devices.
#include "app/TapiLineDevices.h"

#include "telephony/LTapiLine.h"
#include "telephony/Tapi.h"

int TapiLineDevices::NumDevices() {
    return LTapiLine::Initialize() ? static_cast<int>(LTapiLine::NumDevices()) : 0;
}

std::string TapiLineDevices::GetLineName(int device) {
    return LTapiLine::GetLineName(static_cast<std::uint32_t>(device));
}

bool TapiLineDevices::IsVoiceLine(int device) {
    return LTapiLine::IsVoiceLine(static_cast<std::uint32_t>(device));
}

void TapiLineDevices::ConfigDialog(int device, QWidget* owner) {
    lineConfigDialog(static_cast<std::uint32_t>(device), owner, "tapi/line");
}
