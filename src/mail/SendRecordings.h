// Sending recordings by e-mail in one call: what the send dialog and quillon-tool mail use.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mail/MailProgram.h"
#include "mail/MailResult.h"

// Sends `recordings` (paths, in this order) to the typed `address` with the user's `message` in
// the body, through the mail program that FindMailProgram finds from `settingsFile` and
// `candidates`. Nothing is sent when the address is refused, no mail program is found or a
// recording cannot be read; the error says which, or why the mail program failed.
MailResult SendRecordings(const std::string& settingsFile, std::string_view address,
                          std::string_view message, const std::vector<std::string>& recordings,
                          const std::vector<std::string>& candidates = DefaultMailPrograms());
