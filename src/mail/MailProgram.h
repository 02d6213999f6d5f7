// Which program takes the mail: one that offers the sendmail interface.
#pragma once

#include <string>
#include <vector>

#include "mail/MailResult.h"

// Where the mail transfer agents put their sendmail program (msmtp-mta, Postfix, Exim).
std::vector<std::string> DefaultMailPrograms();

// Sets `program` to the first executable file of: the "sendmailpath" setting of `settingsFile`
// when it is set, then `candidates`. When there is none, says which paths were tried and how to
// get a mail program.
MailResult FindMailProgram(const std::string& settingsFile,
                           const std::vector<std::string>& candidates, std::string& program);
