// The caller log viewer: lists the daily caller log files and opens, prints or deletes one.
#pragma once

#include <functional>
#include <string>

#include "controls/LDialog.h"

class CallLogViewer : public LDialog {
    Q_OBJECT

public:
    static constexpr int kIdList = 101;
    static constexpr int kIdView = 102;
    static constexpr int kIdPrint = 103;
    static constexpr int kIdDelete = 104;

    // How a file is shown (in the help window) and printed; tests put fakes here.
    using FileAction = std::function<bool(const std::string& path, QWidget* owner)>;

    explicit CallLogViewer(std::string logsFolder, QWidget* parent = nullptr);

    void OnInit() override;
    void Update() override;
    void OnCommand(int id, int code) override;

    // The file of the selected item; empty with no selection.
    std::string SelectedFile() const;

    FileAction view;
    FileAction print;

private:
    std::string logsFolder;
};
