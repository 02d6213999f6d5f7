// Message boxes: the program's warnings and questions, with the exact texts and captions its
// dialogs give. A test replaces the box with a function that records what would be asked.
#pragma once

#include <functional>
#include <string>

class QWidget;

enum class MessageIcon { Information, Warning };
enum class MessageButtons { Ok, YesNo };

// What the user answered.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

struct MessageRequest {
    std::string text;  // "\r\n" line breaks as the program writes them
    std::string caption;
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
};

// Shows the message modally over `owner` and returns the answer.
int ShowMessage(QWidget* owner, const MessageRequest& request);

// Replaces every message box with `hook` until it is reset with an empty function.
using MessageBoxHook = std::function<int(const MessageRequest&)>;
void SetMessageBoxHook(MessageBoxHook hook);
