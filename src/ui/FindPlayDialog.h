// Find and Play: the recordings in the recordings folder, to play on the computer, open in the
// play control dialog one after another, e-mail, save elsewhere or delete.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "audio/devices/LSoundPlayer.h"
#include "controls/LDialog.h"
#include "controls/LPlayDlgBase.h"
#include "mail/MailResult.h"

class QListWidgetItem;

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

    // Lists the recordings again (the filter stays) and selects the first shown.
    void OnInit() override;
    void Update() override;
    void OnCommand(int id, int code) override;
    void OnHelp() override;
    void OnDestroy() override;

    // The full paths of the selected recordings, in list order.
    std::vector<std::string> SelectedFiles() const;

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
    // Shows only the items that hold the filter's text, and the count.
    void ApplyFilter();
    // Copies recordings (from, to) under the wait cursor, overwriting; a failure stops the copying
    // and is shown to the user; false then.
    bool SaveCopies(const std::vector<std::pair<std::string, QString>>& copies);
    std::string PathOf(const QListWidgetItem* item) const;
    QList<QListWidgetItem*> SelectedItems() const;
    // The row of the shown item before or after `row` (step -1 or +1); -1 when there is none.
    int ShownNeighbour(int row, int step) const;

    std::string recordingsFolder;
    std::string settingsFile;
    LSoundPlayer player;
};
