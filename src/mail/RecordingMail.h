// The e-mail that carries recordings: its fixed texts, and the message itself built with GMime.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mail/MailResult.h"

inline constexpr char kRecordingMailSubject[] = "Quillon Recorded Telephone Calls";
// The body, with the user's message in place of %s.
inline constexpr char kRecordingMailBody[] =
    "Attached is the recording of telephone calls made by the Quillon Recorder.\r\n\r\n%s\r\n\r\n"
    "Quillon Personal Telephone Recorder\r\n";
// The maker's web pages, by name, after the body.
inline constexpr char kRecordingMailPages[] =
    "Ostrel on the web: the Quillon Recorder Home Page\r\n"
    "Help with Quillon: the Quillon Support page at Ostrel\r\n";

struct RecordingMail {
    std::string address;                  // one that CleanMailAddress passed
    std::string message;                  // the user's, body text whatever it holds
    std::vector<std::string> recordings;  // paths, attached in this order
};

// The text/plain body of `mail`, line breaks as CR LF.
std::string RecordingMailBody(std::string_view message);

// Writes `mail` to `fd` as the sendmail interface takes it: a multipart/mixed message, lines
// ending in LF, without From (the mail program sets the sender). Each recording is attached as
// audio/wav in base64 under its file name, read while the message is written rather than held
// in memory.
MailResult WriteRecordingMail(const RecordingMail& mail, int fd);
