// Find and Play: the recordings in the recordings folder with the caller, date, duration and
// note each keeps, to play on the computer, open in the play control dialog one after another,
// e-mail, save elsewhere, delete or give a note.
#pragma once

#include <QString>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "audio/devices/LSoundPlayer.h"
#include "controls/LDialog.h"
#include "controls/LPlayDlgBase.h"
#include "mail/MailResult.h"

class QTreeWidget;
class QTreeWidgetItem;

class FindPlayDialog : public LDialog, private LSoundPlayerNotify {
    Q_OBJECT

public:
    static constexpr int kIdList = 101;
    static constexpr int kIdPlay = 102;
    static constexpr int kIdPlayAdvanced = 104;
    static constexpr int kIdEmail = 105;
    static constexpr int kIdSaveAs = 106;
    static constexpr int kIdDelete = 107;
    static constexpr int kIdFilter = 108;
    static constexpr int kIdCount = 109;
    // The list's columns: the item text (the file's name), then what the file keeps.
    static constexpr int kColumnName = 0;
    static constexpr int kColumnCaller = 1;
    static constexpr int kColumnDate = 2;
    static constexpr int kColumnDuration = 3;
    static constexpr int kColumnNote = 4;
    // Items whose columns are filled at a time while the dialog is idle.
    static constexpr int kColumnBatch = 100;
    // The play control dialog's options: name fixed, closing by itself, next track offered;
    // previous track as well for any but the first recording.
    static constexpr std::uint16_t kAdvancedFlags = 0x51;
    static constexpr std::uint16_t kAdvancedPrevious = 0x20;

    // What the dialog asks of the desktop; tests put fakes here.
    // Runs the play control dialog modally with `params`.
    using PlayerRun = std::function<void(LPlayParams& params, QWidget* owner)>;
    // Asks for a file to save to (empty: cancelled) or a folder to save into.
    using PathChooser = std::function<QString(QWidget* owner, const QString& proposed)>;
    // Asks for the address and the message; false when cancelled.
    using MailAsk = std::function<bool(QString& address, QString& message, QWidget* owner)>;
    using MailSend = std::function<MailResult(
        const std::string& settingsFile, const std::string& address, const std::string& message,
        const std::vector<std::string>& recordings)>;

    FindPlayDialog(std::string recordingsFolder, std::string settingsFile,
                   QWidget* parent = nullptr);
    ~FindPlayDialog() override;

    // Lists the recordings again (the filter stays) and selects the first shown; their other
    // columns are filled in batches while the dialog is idle.
    void OnInit() override;
    void Update() override;
    void OnCommand(int id, int code) override;
    void OnHelp() override;
    void OnDestroy() override;

    // The full paths of the selected recordings, in list order.
    std::vector<std::string> SelectedFiles() const;
    // Fills the other columns of the next `count` items from their files; the idle-time batches
    // call it. Under a filter, the items filled are shown or hidden by what they now hold.
    void FillColumns(int count);
    bool ColumnsFilled() const { return !columnFiller.isActive(); }

    PlayerRun runPlayer;
    PathChooser chooseSaveFile;
    PathChooser chooseFolder;
    MailAsk askMail;
    MailSend sendMail;

private:
    void OnPlayerPlaying(std::uint32_t cookie) override;
    void OnPlayerStopped(std::uint32_t cookie) override;

    void Play();
    void PlayAdvanced();
    void Email();
    void SaveAs();
    void Delete();
    // Shows only the items whose name, caller or note holds the filter's text, and the count.
    void ApplyFilter();
    bool Matches(const QTreeWidgetItem* item, const QString& filter) const;
    void SetShownCount(int count);
    // Reads the item's caller, date, duration and note from its file.
    void FillItem(QTreeWidgetItem* item) const;
    // Opens the note of the item for editing in place, freshly read from its file.
    void EditNote(QTreeWidgetItem* item);
    // Writes an edited note into the file; when it cannot, says why and shows the old one again.
    void SaveNote(QTreeWidgetItem* item);
    // Copies recordings (from, to) under the wait cursor, overwriting; a failure stops the copying
    // and is shown to the user; false then.
    bool SaveCopies(const std::vector<std::pair<std::string, QString>>& copies);
    std::string PathOf(const QTreeWidgetItem* item) const;
    QList<QTreeWidgetItem*> SelectedItems() const;
    QTreeWidget* List() const;
    // The row of the shown item before or after `row` (step -1 or +1); -1 when there is none.
    int ShownNeighbour(int row, int step) const;

    std::string recordingsFolder;
    std::string settingsFile;
    LSoundPlayer player;
    QTimer columnFiller;
    int filledRows = 0;  // items from the top whose columns are filled
    int shownCount = 0;  // items the filter shows
};
