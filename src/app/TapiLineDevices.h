// The telephony layer's line devices as the settings sheet lists them.
#pragma once

#include "ui/LineDevices.h"

class TapiLineDevices : public LineDevices {
public:
    int NumDevices() override;
    std::string GetLineName(int device) override;
    bool IsVoiceLine(int device) override;
    void ConfigDialog(int device, QWidget* owner) override;
};
