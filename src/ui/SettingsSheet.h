// The settings sheet: the General, Record and Hold pages under one OK, Cancel and Help. OK
// confirms the pages in order and stays open on the first that refuses; Cancel writes nothing.
#pragma once

#include <string>

#include "controls/LDialog.h"

class GeneralPage;
class HoldPage;
class LineDevices;
class QTabWidget;
class RecordPage;

class SettingsSheet : public LDialog {
    Q_OBJECT

public:
    SettingsSheet(const std::string& settingsFile, const std::string& dataFolder,
                  LineDevices& lines, QWidget* parent = nullptr);

    void OnInit() override;
    bool OnOK() override;
    void OnHelp() override;
    void OnDestroy() override;

    GeneralPage& General() const { return *general; }
    RecordPage& Record() const { return *record; }
    HoldPage& Hold() const { return *hold; }
    // The page shown.
    LDialog* CurrentPage() const;
    void ShowPage(LDialog* page);

private:
    QTabWidget* tabs;
    GeneralPage* general;
    RecordPage* record;
    HoldPage* hold;
};
