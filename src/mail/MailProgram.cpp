// Finding the sendmail program.
#include "mail/MailProgram.h"

#include <sys/stat.h>
#include <unistd.h>

#include "settings/SettingsKeys.h"

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::vector<std::string> DefaultMailPrograms() {
    return {"/usr/sbin/sendmail", "/usr/lib/sendmail"};
}

MailResult FindMailProgram(const std::string& settingsFile,
                           const std::vector<std::string>& candidates, std::string& program) {
    std::vector<std::string> paths;
    if (std::string chosen = ReadSetting(settingsFile, settings::kSendMailPath); !chosen.empty()) {
        paths.push_back(chosen);
    }
    paths.insert(paths.end(), candidates.begin(), candidates.end());
    std::string tried;
    for (const std::string& path : paths) {
        if (IsExecutableFile(path)) {
            program = path;
            return {};
        }
        tried += (tried.empty() ? "" : ", ") + path;
    }
    return MailResult::Failure("No mail program was found (tried: " + tried +
                               "). Install one that offers the sendmail interface, such as "
                               "msmtp-mta, or name it in the \"sendmailpath\" setting.");
}
