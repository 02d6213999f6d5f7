// The settings sheet.
#include "ui/SettingsSheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/GeneralPage.h"
#include "ui/HoldPage.h"
#include "ui/RecordPage.h"

SettingsSheet::SettingsSheet(const std::string& settingsFile, const std::string& dataFolder,
                             LineDevices& lines, QWidget* parent)
    : LDialog(parent),
      tabs(new QTabWidget(this)),
      general(new GeneralPage(settingsFile, lines)),
      record(new RecordPage(settingsFile, dataFolder)),
      hold(new HoldPage(settingsFile, dataFolder)) {
    setWindowTitle(QStringLiteral("Settings"));
    for (LDialog* page : {static_cast<LDialog*>(general), static_cast<LDialog*>(record),
                          static_cast<LDialog*>(hold)}) {
        page->setWindowFlags(Qt::Widget);  // a page lives inside the sheet, not as a window
    }
    tabs->addTab(general, QStringLiteral("General"));
    tabs->addTab(record, QStringLiteral("Record"));
    tabs->addTab(hold, QStringLiteral("Hold"));

    auto* buttons = new QDialogButtonBox(this);
    Bind(kIdOK, buttons->addButton(QDialogButtonBox::Ok))->setDefault(true);
    Bind(kIdCancel, buttons->addButton(QDialogButtonBox::Cancel));
    Bind(kIdHelp, buttons->addButton(QDialogButtonBox::Help));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

void SettingsSheet::OnInit() {
    // Every page loads its controls when the sheet opens.
    general->Initialize();
    record->Initialize();
    hold->Initialize();
    tabs->setCurrentWidget(general);
}

bool SettingsSheet::OnOK() {
    for (LDialog* page : {static_cast<LDialog*>(general), static_cast<LDialog*>(record),
                          static_cast<LDialog*>(hold)}) {
        if (!page->OnOK()) {
            ShowPage(page);
            return false;
        }
    }
    return true;
}

void SettingsSheet::OnHelp() {
    if (LDialog* page = CurrentPage()) {
        page->OnHelp();
    }
}

void SettingsSheet::OnDestroy() {
    // The pages go with the sheet: their previews stop.
    general->done(kResultCancel);
    record->done(kResultCancel);
    hold->done(kResultCancel);
}

LDialog* SettingsSheet::CurrentPage() const {
    return qobject_cast<LDialog*>(tabs->currentWidget());
}

void SettingsSheet::ShowPage(LDialog* page) {
    tabs->setCurrentWidget(page);
}
