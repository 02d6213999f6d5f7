// Message boxes.
#include "ui/MessageBox.h"

#include <QMessageBox>
#include <string>

namespace {

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}

int ShowMessage(QWidget* owner, const MessageRequest& request) {
    if (Hook()) {
        return Hook()(request);
    }
    QMessageBox box(
        request.icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Information,
        QString::fromUtf8(request.caption), QString::fromUtf8(request.text), QMessageBox::NoButton,
        owner);
    if (request.buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return kAnswerOk;
}

int ShowMessage(QWidget* owner, const MessageRequest& request,
                std::initializer_list<std::string_view> fill) {
    std::string text;
    std::string_view rest = request.text;
    for (std::string_view part : fill) {
        std::size_t at = rest.find("%s");
        if (at == std::string_view::npos) {
            break;
        }
        text.append(rest.substr(0, at)).append(part);
        rest.remove_prefix(at + 2);
    }
    text.append(rest);
    MessageRequest filled = request;
    filled.text = text;
    return ShowMessage(owner, filled);
}
