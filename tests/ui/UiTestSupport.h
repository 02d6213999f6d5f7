// What the dialog tests catch instead of showing: message boxes and pages for the desktop.
#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QUrl>
#include <string>
#include <vector>

#include "support/QtWidgetsTestApp.h"
#include "ui/MessageBox.h"

// A message box as it was asked for, its texts kept: some are made for the one box.
struct RecordedMessage {
    std::string text;
    std::string caption;
    MessageIcon icon;
    MessageButtons buttons;
};

// Answers every message box with `answer` and keeps what was asked.
class MessageRecorder {
public:
    MessageRecorder() {
        SetMessageBoxHook([this](const MessageRequest& request) {
            requests.push_back({std::string(request.text), std::string(request.caption),
                                request.icon, request.buttons});
            return answer;
        });
    }
    ~MessageRecorder() { SetMessageBoxHook({}); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<RecordedMessage> requests;
    int answer = kAnswerOk;
};

// Takes every file and web address the program opens with the desktop.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    UrlRecorder() {
        for (const char* scheme : kSchemes) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
        }
    }
    ~UrlRecorder() override {
        for (const char* scheme : kSchemes) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }

    std::vector<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls.push_back(url); }

private:
    static constexpr const char* kSchemes[] = {"file", "http", "https"};
};
