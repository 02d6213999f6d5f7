// The recipient's address as the user typed it, made safe for the To header.
#pragma once

#include <string>
#include <string_view>

#include "mail/MailResult.h"

// Sets `address` to `typed` without a leading "SMTP:" or "mailto:" (in any letter case), which
// the sendmail interface does not take. An empty address, or one holding a line break or any
// other control character, is refused: it could add header lines of its own.
MailResult CleanMailAddress(std::string_view typed, std::string& address);
