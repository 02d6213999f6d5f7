// The telephony line devices as the settings sheet and the main window see them: names,
// whether a device can carry voice, and its configuration dialog.
#pragma once

#include <string>

class QWidget;

class LineDevices {
public:
    virtual ~LineDevices() = default;
    // Number of line devices; 0 when the telephony layer cannot be started.
    virtual int NumDevices() = 0;
    // The device's name; empty when it cannot be read.
    virtual std::string GetLineName(int device) = 0;
    // Whether the device can play and record voice on its calls.
    virtual bool IsVoiceLine(int device) = 0;
    // Shows the device's own configuration dialog over `owner`.
    virtual void ConfigDialog(int device, QWidget* owner) = 0;
};
