// Running the mail program on a written message, through the sendmail interface.
#pragma once

#include <chrono>
#include <string>

#include "mail/MailResult.h"

// How long the mail program may take before it is stopped: a hung program must not hold the
// caller for ever, and a program that delivers through a slow server still has time.
inline constexpr std::chrono::milliseconds kMailProgramTimeout = std::chrono::seconds(60);
// How much of what the program printed goes into an error.
inline constexpr std::size_t kMailErrorTextLimit = 400;

// Runs `program` as "program -t -oi" (recipients from the headers; a line of a lone dot does not
// end the message) with the file `messageFd` from its current position as its input, and waits
// for it within `timeout`. Succeeds only when it exits with status 0; otherwise the error tells
// why: it could not be started, exited with a status (with what it printed, trimmed and
// limited), was ended by a signal, or took too long and was stopped.
MailResult SendMail(const std::string& program, int messageFd,
                    std::chrono::milliseconds timeout = kMailProgramTimeout);
