// Find and Play.
#include "ui/FindPlayDialog.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStringDecoder>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "audio/files/RecordingInfo.h"
#include "audio/files/WaveReaders.h"
#include "base/AtomicFile.h"
#include "base/PosixFile.h"
#include "base/Trash.h"
#include "controls/LPlayDlg.h"
#include "controls/LProgressDialog.h"
#include "mail/SendRecordings.h"
#include "recorder/RecordingFiles.h"
#include "settings/SettingsKeys.h"
#include "settings/TimeText.h"
#include "ui/Help.h"
#include "ui/MessageTexts.h"
#include "ui/PlaybackDevice.h"
#include "ui/SendMailDialog.h"

namespace {

constexpr int kFileNameRole = Qt::UserRole;  // the file's name as on the disk, byte for byte
constexpr int kNoteRole = Qt::UserRole + 1;  // the note as the file holds it

// The columns' titles, and texts as long as they usually hold, which size them.
constexpr const char* kColumnTitles[] = {"Recording", "Caller", "Date", "Duration", "Note"};
constexpr const char* kColumnSamples[] = {"2026-12-05 14-03-22 5550123 JOHN SMITH",
                                          "5550123 JOHN SMITH", "2026-12-05 14:03:22", "1:02:03",
                                          "Call back on Monday about"};

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

// The length of the recording's audio, from its header's data size; empty when it is no WAV
// file.
QString DurationOf(const std::string& path) {
    LSoundSourcePtr source = OpenWaveFile(path);
    if (!source || source->sampleRate < 1) {
        return {};
    }
    return QString::fromStdString(FormatClock(
        std::int64_t{source->GetLength()} * kTimeUnitsPerSecond / source->sampleRate, false));
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
    filter->setPlaceholderText(QStringLiteral("Filter by date, number, name or note"));
    filter->setClearButtonEnabled(true);
    auto* label = new QLabel(QStringLiteral("Recordings &List"), this);
    auto* list = Bind(kIdList, new QTreeWidget(this));
    QStringList titles;
    for (const char* title : kColumnTitles) {
        titles.append(QString::fromLatin1(title));
    }
    list->setHeaderLabels(titles);
    list->headerItem()->setTextAlignment(kColumnDuration, Qt::AlignRight | Qt::AlignVCenter);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Only the note is edited, by a double-click on it or F2.
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* editKey = new QShortcut(QKeySequence(Qt::Key_F2), list, nullptr, nullptr,
                                  Qt::WidgetWithChildrenShortcut);
    connect(editKey, &QShortcut::activated, this, [this] { EditNote(List()->currentItem()); });
    connect(list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == kColumnNote) {
            SaveNote(item);
        }
    });
    // Each column as wide as its sample or title; the note, last, takes what is left.
    const int margin = 3 * fontMetrics().averageCharWidth();
    int listWidth = 2 * list->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int column = 0; column <= kColumnNote; ++column) {
        const int width =
            std::max(fontMetrics().horizontalAdvance(QString::fromLatin1(kColumnSamples[column])),
                     fontMetrics().horizontalAdvance(titles[column])) +
            margin;
        list->setColumnWidth(column, width);
        listWidth += width;
    }
    list->setMinimumSize(listWidth, DialogUnits(fontMetrics(), 0, 140).height());
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

    columnFiller.setInterval(0);
    connect(&columnFiller, &QTimer::timeout, this, [this] { FillColumns(kColumnBatch); });
    player.target = this;
}

FindPlayDialog::~FindPlayDialog() {
    player.target = nullptr;
    player.Stop();
}

QTreeWidget* FindPlayDialog::List() const {
    return ItemAs<QTreeWidget>(kIdList);
}

void FindPlayDialog::OnInit() {
    QTreeWidget* list = List();
    list->setUpdatesEnabled(false);
    list->clear();
    QList<QTreeWidgetItem*> items;
    for (const std::string& name : ListRecordings(recordingsFolder)) {
        auto* item = new QTreeWidgetItem({ReadableName(name.substr(0, name.size() - 4))});
        item->setData(kColumnName, kFileNameRole, QByteArray::fromStdString(name));
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        item->setTextAlignment(kColumnDuration, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    list->addTopLevelItems(items);
    filledRows = 0;
    ApplyFilter();
    list->setUpdatesEnabled(true);
    columnFiller.start();
}

void FindPlayDialog::FillItem(QTreeWidgetItem* item) const {
    // Not an edit of the user's: no note is written back.
    const QSignalBlocker quiet(List());
    const std::string path = PathOf(item);
    const RecordingInfo info = ReadRecordingInfo(path).value_or(RecordingInfo{});
    const QString note = QString::fromStdString(info.note);
    item->setText(kColumnCaller, QString::fromStdString(info.caller));
    item->setText(kColumnDate, QString::fromStdString(info.date));
    item->setText(kColumnDuration, DurationOf(path));
    item->setText(kColumnNote, note);
    item->setData(kColumnNote, kNoteRole, note);
}

void FindPlayDialog::FillColumns(int count) {
    QTreeWidget* list = List();
    const QString filter = ItemAs<QLineEdit>(kIdFilter)->text().trimmed();
    const int end = std::min(filledRows + std::max(count, 0), list->topLevelItemCount());
    int shown = shownCount;
    for (; filledRows < end; ++filledRows) {
        QTreeWidgetItem* item = list->topLevelItem(filledRows);
        FillItem(item);
        const bool show = Matches(item, filter);
        if (show == item->isHidden()) {
            item->setHidden(!show);
            shown += show ? 1 : -1;
        }
    }
    SetShownCount(shown);
    if (filledRows >= list->topLevelItemCount()) {
        columnFiller.stop();
    }
}

bool FindPlayDialog::Matches(const QTreeWidgetItem* item, const QString& filter) const {
    for (int column : {kColumnName, kColumnCaller, kColumnNote}) {
        if (item->text(column).contains(filter, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

void FindPlayDialog::ApplyFilter() {
    QTreeWidget* list = List();
    const QString filter = ItemAs<QLineEdit>(kIdFilter)->text().trimmed();
    QTreeWidgetItem* first = nullptr;
    int shown = 0;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = list->topLevelItem(row);
        bool show = Matches(item, filter);
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
    SetShownCount(shown);
}

void FindPlayDialog::SetShownCount(int count) {
    shownCount = count;
    const int total = List()->topLevelItemCount();
    QLocale numbers(QLocale::English);
    QString all = numbers.toString(total) +
                  (total == 1 ? QStringLiteral(" recording") : QStringLiteral(" recordings"));
    ItemAs<QLabel>(kIdCount)->setText(
        count == total ? all : numbers.toString(count) + QStringLiteral(" of ") + all);
}

void FindPlayDialog::EditNote(QTreeWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    FillItem(item);
    List()->editItem(item, kColumnNote);
}

void FindPlayDialog::SaveNote(QTreeWidgetItem* item) {
    const QString note = item->text(kColumnNote);
    const QString stored = item->data(kColumnNote, kNoteRole).toString();
    if (note == stored) {
        return;
    }
    const std::string error = WriteRecordingNote(PathOf(item), note.toStdString());
    const QSignalBlocker quiet(List());
    if (error.empty()) {
        item->setData(kColumnNote, kNoteRole, note);
        return;
    }
    item->setText(kColumnNote, stored);
    ShowMessage(this, messages::kNoteNotSaved, {item->text(kColumnName).toStdString(), error});
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

void FindPlayDialog::OnCommand(int id, int code) {
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
        case kIdList:
            if (code == kCodeDoubleClick && List()->currentColumn() == kColumnNote) {
                EditNote(List()->currentItem());
            }
            break;
        default:
            break;
    }
}

void FindPlayDialog::OnHelp() {
    ShowHelp(kHelpFindAndPlay);
}

void FindPlayDialog::OnDestroy() {
    columnFiller.stop();
    player.Stop();
}

void FindPlayDialog::OnPlayerPlaying(std::uint32_t) {
    Update();
}

void FindPlayDialog::OnPlayerStopped(std::uint32_t) {
    Update();
}

QList<QTreeWidgetItem*> FindPlayDialog::SelectedItems() const {
    QList<QTreeWidgetItem*> selected;
    QTreeWidget* list = List();
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = list->topLevelItem(row);
        if (item->isSelected() && !item->isHidden()) {
            selected.append(item);
        }
    }
    return selected;
}

std::vector<std::string> FindPlayDialog::SelectedFiles() const {
    std::vector<std::string> files;
    for (const QTreeWidgetItem* item : SelectedItems()) {
        files.push_back(PathOf(item));
    }
    return files;
}

std::string FindPlayDialog::PathOf(const QTreeWidgetItem* item) const {
    return recordingsFolder + item->data(kColumnName, kFileNameRole).toByteArray().toStdString();
}

int FindPlayDialog::ShownNeighbour(int row, int step) const {
    QTreeWidget* list = List();
    for (row += step; row >= 0 && row < list->topLevelItemCount(); row += step) {
        if (!list->topLevelItem(row)->isHidden()) {
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
    QList<QTreeWidgetItem*> selected = SelectedItems();
    if (selected.isEmpty()) {
        return;
    }
    QTreeWidget* list = List();
    int row = list->indexOfTopLevelItem(selected.first());
    for (;;) {
        int previous = ShownNeighbour(row, -1);
        int next = ShownNeighbour(row, +1);
        LPlayParams params;
        params.Load(settingsFile);
        params.flags = kAdvancedFlags | (previous >= 0 ? kAdvancedPrevious : 0);
        params.path = PathOf(list->topLevelItem(row));
        params.name = list->topLevelItem(row)->text(kColumnName);
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
        list->setCurrentItem(list->topLevelItem(row));
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
    QList<QTreeWidgetItem*> selected = SelectedItems();
    if (selected.isEmpty()) {
        return;
    }
    QString saveAsPath = QString::fromStdString(ReadSetting(settingsFile, settings::kSaveAsPath));
    if (saveAsPath.isEmpty()) {
        saveAsPath = QDir::homePath();
    }
    auto target = [](const QString& folder, const QTreeWidgetItem* item) {
        return folder + QLatin1Char('/') + item->text(kColumnName) + QStringLiteral(".wav");
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
    for (const QTreeWidgetItem* item : selected) {
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
