// Message boxes: the program's warnings and questions, whose texts and captions are kept in
// MessageTexts.h. A test replaces the box with a function that records what would be asked.
#pragma once

#include <functional>
#include <initializer_list>
#include <string_view>

class QWidget;

enum class MessageIcon { Information, Warning };
enum class MessageButtons { Ok, YesNo };

// What the user answered.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// One message box. The texts live as long as the program (they are constants).
struct MessageRequest {
    std::string_view text;  // "\n" breaks a line
    std::string_view caption;
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
};

// Shows the message modally over `owner` and returns the answer.
int ShowMessage(QWidget* owner, const MessageRequest& request);
// The same for a text with "%s" places, filled in turn from `fill`: what went wrong, file names.
// The filled text lives only while the box is shown.
int ShowMessage(QWidget* owner, const MessageRequest& request,
                std::initializer_list<std::string_view> fill);

// Replaces every message box with `hook` until it is reset with an empty function.
using MessageBoxHook = std::function<int(const MessageRequest&)>;
void SetMessageBoxHook(MessageBoxHook hook);
