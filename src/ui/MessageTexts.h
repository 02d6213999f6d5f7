// The table of the program's message boxes: the text, caption, icon and buttons of each one.
#pragma once

#include "ui/MessageBox.h"

namespace messages {

// At start: the installer's file does not check out.
inline constexpr MessageRequest kInstallError{
    "Installation file corrupt.\n\nA checksum error was detected in your install file, please "
    "redownload file and install again.",
    "Install Error", MessageIcon::Warning, MessageButtons::Ok};

// The main window, when the line device cannot be opened at start.
inline constexpr MessageRequest kNoLineDevices{
    "No telephony line devices are detected.\n\nIf you are attempting to use a voice modem this "
    "might mean that the modem is not plugged in or switched on, your user account may not open "
    "its serial port (add yourself to the \"dialout\" group and log in again), or another "
    "program such as ModemManager holds the port.\n\nIf you are attempting to use professional "
    "telephony cards it might mean that the driver of the card is not installed or not loaded.",
    "No TAPI Devices", MessageIcon::Warning, MessageButtons::Ok};

// The main window, when the line device chosen in the settings cannot carry voice.
inline constexpr MessageRequest kLineNotVoice{
    "The telephony line device you have selected is not voice capable.\n\nIf you are attempting "
    "to use a voice modem this might mean that the modem is not actually a voice modem, the "
    "kernel has no working driver for it (\"sudo dmesg\" shows what happened when it was plugged "
    "in) or the modem does not support the standard voice commands (AT+FCLASS=8).\n\nIf you are "
    "attempting to use professional telephony cards it might mean that the sound device of the "
    "card has no driver (\"aplay -l\" lists the sound devices that are installed).",
    "No TAPI Devices", MessageIcon::Warning, MessageButtons::Ok};

// The main window, at the first start after installation.
inline constexpr MessageRequest kSetupInstructions{
    "There are 2 important steps you need to take before Quillon will work correctly:\n1. Turn "
    "off the wait-for-dial-tone setting of your modem. To do this, send it the commands ATX3 "
    "(do not wait for a dial tone) and AT&W (keep the setting) from a terminal program such as "
    "minicom, or add X3 to its initialisation string where Configure Device on the General page "
    "of Settings offers one.\n2. Select your voice modem as the telephony device using "
    "Settings.\n\nIf you have any difficulties using Quillon, please read the Troubleshooting "
    "Problems Help Page.",
    "Setup Instructions", MessageIcon::Information, MessageButtons::Ok};

// The General page of the settings, when the line device chosen cannot carry voice.
inline constexpr MessageRequest kDeviceNotVoice{
    "The line device that you have selected is not voice capable.\n\nThis means that the device "
    "is either (i) not a voice modem or voice telephony card, or (ii) if it is a voice modem or "
    "a voice telephony card the drivers of its line and of its sound device (ALSA) have not "
    "been installed.",
    "Device Error", MessageIcon::Warning, MessageButtons::Ok};

// The Record and the Hold page of the settings, when a preview cannot play; the two pages
// spell the tab differently.
inline constexpr MessageRequest kRecordPagePlayError{
    "Unable to start playback, please check you have selected the correct play device using the "
    "General tab of Settings.",
    "Sound Card Error", MessageIcon::Warning, MessageButtons::Ok};
inline constexpr MessageRequest kHoldPagePlayError{
    "Unable to start playback, please check you have selected the correct play device using the "
    "General Tab of Settings.",
    "Sound Card Error", MessageIcon::Warning, MessageButtons::Ok};

// The caller log viewer, before a log file is deleted.
inline constexpr MessageRequest kConfirmLogDelete{"Are you sure you want to delete this log file?",
                                                  "Confirm Delete", MessageIcon::Warning,
                                                  MessageButtons::YesNo};

// Find and Play, when recordings could not be e-mailed (with the reason) or saved (with the
// chosen path and the reason), and the send dialog when the address is refused (the reason).
inline constexpr MessageRequest kMailNotSent{
    "The recordings were not sent.\n\n%s\n\nThe Find and Play help page says how to set up a "
    "mail program.",
    "Email Not Sent", MessageIcon::Warning, MessageButtons::Ok};
inline constexpr MessageRequest kSaveFailed{"The recording could not be saved as %s.\n\n%s",
                                            "Save Recording As..", MessageIcon::Warning,
                                            MessageButtons::Ok};
inline constexpr MessageRequest kMailAddressRefused{"%s", "Send Recording by Email",
                                                    MessageIcon::Warning, MessageButtons::Ok};

// Find and Play, when an edited note could not be written into the recording (its name and the
// reason).
inline constexpr MessageRequest kNoteNotSaved{"The note could not be saved in %s.\n\n%s",
                                              "Recording Note", MessageIcon::Warning,
                                              MessageButtons::Ok};

// The speech dialog, when there is no voice to speak with.
inline constexpr MessageRequest kNoSpeechEngine{
    "No Speech Engine Installed.\n\nIn order to use the Speech Synthesizer you must install a "
    "speech engine. The speech engine is espeak-ng, whose voices come with the Debian packages "
    "espeak-ng and espeak-ng-data (\"sudo apt install espeak-ng\").",
    "Engine Not Available", MessageIcon::Warning, MessageButtons::Ok};

}  // namespace messages
