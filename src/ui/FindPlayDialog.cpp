// Find and Play.
#include "ui/FindPlayDialog.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QStringDecoder>
#include <QVBoxLayout>

#include "base/AtomicFile.h"
#include "base/PosixFile.h"
#include "base/Trash.h"
#include "controls/LPlayDlg.h"
#include "controls/LProgressDialog.h"
#include "mail/SendRecordings.h"
#include "recorder/RecordingFiles.h"
#include "settings/SettingsKeys.h"
#include "ui/Help.h"
#include "ui/MessageTexts.h"
#include "ui/PlaybackDevice.h"
#include "ui/SendMailDialog.h"

namespace {

constexpr int kFileNameRole = Qt::UserRole;  // the file's name as on the disk, byte for byte

// A name shown readably: as UTF-8, or, when it is not, byte for byte as Latin-1, the older
// encoding such names mostly come from.
QString ReadableName(const std::string& name) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
    return utf8.hasError() ? QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()))
                           : text;
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The folder of a chosen file, as "saveaspath" keeps it.
QString FolderOf(const QString& path) {
    return QString::fromStdString(ParentFolder(LocalPath(path)));
}

QString AskSaveFile(QWidget* owner, const QString& proposed) {
    QFileDialog dialog(owner, QStringLiteral("Save Recording As.."), FolderOf(proposed),
                       QStringLiteral("Wave Files (*.WAV *.wav)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("WAV"));
    dialog.selectFile(proposed);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().first()
               : QString();
}

QString AskFolder(QWidget* owner, const QString& start) {
    return QFileDialog::getExistingDirectory(owner, QStringLiteral("Folder to save files into"),
                                             start);
}

bool AskMailDetails(QString& address, QString& message, QWidget* owner) {
    SendMailDialog dialog(address, owner);
    if (dialog.exec() != kResultOK) {
        return false;
    }
    address = dialog.address;
    message = dialog.message;
    return true;
}

// Moves a recording to the trash, where the desktop has one for it; deletes it otherwise.
void DeleteRecording(const std::string& path) {
    if (MoveToHomeTrash(path)) {
        return;
    }
    // On another file system the desktop keeps a trash at its top, which Qt finds; only a name
    // that survives the round trip through text can be handed to it.
    QString name = QFile::decodeName(QByteArray::fromStdString(path));
    if (QFile::encodeName(name).toStdString() == path && QFile::moveToTrash(name)) {
        return;
    }
    ::unlink(path.c_str());
}

}  // namespace

FindPlayDialog::FindPlayDialog(std::string recordingsFolder, std::string settingsFile,
                               QWidget* parent)
    : LDialog(parent),
      runPlayer([](LPlayParams& params, QWidget* owner) {
          LPlayDlg dialog(params);
          RunModelessDialog(dialog, owner);
      }),
      chooseSaveFile(AskSaveFile),
      chooseFolder(AskFolder),
      askMail(AskMailDetails),
      sendMail([](const std::string& settings, const std::string& address,
                  const std::string& message, const std::vector<std::string>& recordings) {
          return SendRecordings(settings, address, message, recordings);
      }),
      recordingsFolder(std::move(recordingsFolder)),
      settingsFile(std::move(settingsFile)) {
    setWindowTitle(QStringLiteral("Find and Play"));
    auto* filter = Bind(kIdFilter, new QLineEdit(this));
    filter->setPlaceholderText(QStringLiteral("Filter by date, number or name"));
    filter->setClearButtonEnabled(true);
    auto* label = new QLabel(QStringLiteral("Recordings &List"), this);
    auto* list = Bind(kIdList, new QListWidget(this));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setUniformItemSizes(true);
    list->setMinimumSize(DialogUnits(fontMetrics(), 200, 140));
    label->setBuddy(list);
    auto* count = Bind(kIdCount, new QLabel(this));

    auto* buttons = new QVBoxLayout;
    auto* play = Bind(kIdPlay, new QPushButton(QStringLiteral("&Play"), this));
    play->setCheckable(true);
    buttons->addWidget(play);
    for (auto [id, text] : {std::pair{kIdPlayAdvanced, "Play &Advanced"},
                            {kIdEmail, "&Email..."},
                            {kIdSaveAs, "&Save as..."},
                            {kIdDelete, "&Delete"}}) {
        buttons->addWidget(Bind(id, new QPushButton(QString::fromLatin1(text), this)));
    }
    buttons->addStretch(1);
    auto* ok = Bind(kIdOK, new QPushButton(QStringLiteral("OK"), this));
    ok->setDefault(true);
    buttons->addWidget(ok);
    buttons->addWidget(Bind(kIdHelp, new QPushButton(QStringLiteral("Help"), this)));

    auto* layout = new QGridLayout(this);
    layout->addWidget(filter, 0, 0);
    layout->addWidget(label, 1, 0);
    layout->addWidget(list, 2, 0);
    layout->addWidget(count, 3, 0);
    layout->addLayout(buttons, 0, 1, 4, 1);

    player.target = this;
}

FindPlayDialog::~FindPlayDialog() {
    player.target = nullptr;
    player.Stop();
}

void FindPlayDialog::OnInit() {
    auto* list = ItemAs<QListWidget>(kIdList);
    list->setUpdatesEnabled(false);
    list->clear();
    for (const std::string& name : ListRecordings(recordingsFolder)) {
        auto* item = new QListWidgetItem(ReadableName(name.substr(0, name.size() - 4)), list);
        item->setData(kFileNameRole, QByteArray::fromStdString(name));
    }
    ApplyFilter();
    list->setUpdatesEnabled(true);
}

void FindPlayDialog::ApplyFilter() {
    auto* list = ItemAs<QListWidget>(kIdList);
    const QString filter = ItemAs<QLineEdit>(kIdFilter)->text().trimmed();
    QListWidgetItem* first = nullptr;
    int shown = 0;
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        bool show = item->text().contains(filter, Qt::CaseInsensitive);
        item->setHidden(!show);
        if (show) {
            first = first ? first : item;
            ++shown;
        }
    }
    list->clearSelection();
    if (first) {
        list->setCurrentItem(first);
    }
    QLocale numbers(QLocale::English);
    QString total =
        numbers.toString(list->count()) +
        (list->count() == 1 ? QStringLiteral(" recording") : QStringLiteral(" recordings"));
    ItemAs<QLabel>(kIdCount)->setText(
        shown == list->count() ? total : numbers.toString(shown) + QStringLiteral(" of ") + total);
}

void FindPlayDialog::Update() {
    qsizetype selected = SelectedItems().size();
    EnableItem(kIdPlay, selected == 1);
    EnableItem(kIdPlayAdvanced, selected == 1);
    for (int id : {kIdEmail, kIdSaveAs, kIdDelete}) {
        EnableItem(id, selected >= 1);
    }
    SetChecked(kIdPlay, player.IsActive());
}

void FindPlayDialog::OnCommand(int id, int /*code*/) {
    switch (id) {
        case kIdPlay:
            Play();
            break;
        case kIdPlayAdvanced:
            PlayAdvanced();
            break;
        case kIdEmail:
            Email();
            break;
        case kIdSaveAs:
            SaveAs();
            break;
        case kIdDelete:
            Delete();
            break;
        case kIdFilter:
            ApplyFilter();
            break;
        default:
            break;
    }
}

void FindPlayDialog::OnHelp() {
    ShowHelp(kHelpFindAndPlay);
}

void FindPlayDialog::OnDestroy() {
    player.Stop();
}

void FindPlayDialog::OnPlayerPlaying(std::uint32_t) {
    Update();
}

void FindPlayDialog::OnPlayerStopped(std::uint32_t) {
    Update();
}

QList<QListWidgetItem*> FindPlayDialog::SelectedItems() const {
    QList<QListWidgetItem*> selected;
    auto* list = ItemAs<QListWidget>(kIdList);
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->isSelected() && !list->item(row)->isHidden()) {
            selected.append(list->item(row));
        }
    }
    return selected;
}

std::vector<std::string> FindPlayDialog::SelectedFiles() const {
    std::vector<std::string> files;
    for (const QListWidgetItem* item : SelectedItems()) {
        files.push_back(PathOf(item));
    }
    return files;
}

std::string FindPlayDialog::PathOf(const QListWidgetItem* item) const {
    return recordingsFolder + item->data(kFileNameRole).toByteArray().toStdString();
}

int FindPlayDialog::ShownNeighbour(int row, int step) const {
    auto* list = ItemAs<QListWidget>(kIdList);
    for (row += step; row >= 0 && row < list->count(); row += step) {
        if (!list->item(row)->isHidden()) {
            return row;
        }
    }
    return -1;
}

void FindPlayDialog::Play() {
    if (player.IsActive()) {
        player.Stop();
        return;
    }
    std::vector<std::string> files = SelectedFiles();
    if (!files.empty()) {
        PlayOnPlaybackDevice(player, settingsFile, files.front());
    }
}

void FindPlayDialog::PlayAdvanced() {
    player.Stop();
    QList<QListWidgetItem*> selected = SelectedItems();
    if (selected.isEmpty()) {
        return;
    }
    auto* list = ItemAs<QListWidget>(kIdList);
    int row = list->row(selected.first());
    for (;;) {
        int previous = ShownNeighbour(row, -1);
        int next = ShownNeighbour(row, +1);
        LPlayParams params;
        params.Load(settingsFile);
        params.flags = kAdvancedFlags | (previous >= 0 ? kAdvancedPrevious : 0);
        params.path = PathOf(list->item(row));
        params.name = list->item(row)->text();
        runPlayer(params, this);
        params.Save(settingsFile);
        if (params.result == LPlayParams::kResultPreviousTrack && previous >= 0) {
            row = previous;
        } else if (params.result == LPlayParams::kResultNextTrack && next >= 0) {
            row = next;
        } else {
            return;
        }
        list->clearSelection();
        list->setCurrentRow(row);
    }
}

void FindPlayDialog::Email() {
    std::vector<std::string> files = SelectedFiles();
    if (files.empty()) {
        return;
    }
    QString address = QString::fromStdString(ReadSetting(settingsFile, settings::kSendEmail));
    QString message;
    if (!askMail(address, message, this)) {
        return;
    }
    WriteSetting(settingsFile, settings::kSendEmail, address.toStdString());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    MailResult sent = sendMail(settingsFile, address.toStdString(), message.toStdString(), files);
    QApplication::restoreOverrideCursor();
    if (!sent.ok) {
        ShowMessage(this, messages::kMailNotSent, {sent.error});
    }
}

bool FindPlayDialog::SaveCopies(const std::vector<std::pair<std::string, QString>>& copies) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::string error;
    QString failed;
    for (const auto& [from, to] : copies) {
        error = CopyFileReplacing(from, LocalPath(to));
        if (!error.empty()) {
            failed = to;
            break;
        }
    }
    QApplication::restoreOverrideCursor();
    if (!error.empty()) {
        ShowMessage(this, messages::kSaveFailed, {failed.toStdString(), error});
    }
    return error.empty();
}

void FindPlayDialog::SaveAs() {
    QList<QListWidgetItem*> selected = SelectedItems();
    if (selected.isEmpty()) {
        return;
    }
    QString saveAsPath = QString::fromStdString(ReadSetting(settingsFile, settings::kSaveAsPath));
    if (saveAsPath.isEmpty()) {
        saveAsPath = QDir::homePath();
    }
    auto target = [](const QString& folder, const QListWidgetItem* item) {
        return folder + QLatin1Char('/') + item->text() + QStringLiteral(".wav");
    };
    if (selected.size() == 1) {
        QString chosen = chooseSaveFile(this, target(saveAsPath, selected.first()));
        if (!chosen.isEmpty() && SaveCopies({{PathOf(selected.first()), chosen}})) {
            WriteSetting(settingsFile, settings::kSaveAsPath, FolderOf(chosen).toStdString());
        }
        return;
    }
    QString folder = chooseFolder(this, saveAsPath);
    if (folder.isEmpty()) {
        return;
    }
    WriteSetting(settingsFile, settings::kSaveAsPath, folder.toStdString());
    std::vector<std::pair<std::string, QString>> copies;
    for (const QListWidgetItem* item : selected) {
        copies.emplace_back(PathOf(item), target(folder, item));
    }
    SaveCopies(copies);
}

void FindPlayDialog::Delete() {
    player.Stop();
    for (const std::string& file : SelectedFiles()) {
        DeleteRecording(file);
    }
    OnInit();
}
