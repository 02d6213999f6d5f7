// The steps of sending recordings: the address, the mail program, the message in a temporary
// file (recordings can be tens of megabytes), and the program run on it.
#include "mail/SendRecordings.h"

#include <unistd.h>

#include <cstring>

#include "base/TempFiles.h"
#include "mail/MailAddress.h"
#include "mail/RecordingMail.h"
#include "mail/SendMail.h"

MailResult SendRecordings(const std::string& settingsFile, std::string_view address,
                          std::string_view message, const std::vector<std::string>& recordings,
                          const std::vector<std::string>& candidates) {
    RecordingMail mail{"", std::string(message), recordings};
    std::string program;
    MailResult result = CleanMailAddress(address, mail.address);
    if (result.ok) {
        result = FindMailProgram(settingsFile, candidates, program);
    }
    if (!result.ok) {
        return result;
    }
    UniqueFile file = CreateUniqueFile(TemporaryFolder(), "mail");
    if (!file.fd) {
        return MailResult::Failure(std::string("No temporary file for the message: ") +
                                   std::strerror(errno) + ".");
    }
    // Gone from the folder at once; the descriptor keeps the content until the program has read it.
    ::unlink(file.name.c_str());
    result = WriteRecordingMail(mail, file.fd.Get());
    if (!result.ok) {
        return result;
    }
    ::lseek(file.fd.Get(), 0, SEEK_SET);
    return SendMail(program, file.fd.Get());
}
