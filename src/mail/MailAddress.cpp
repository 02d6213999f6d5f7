// Cleaning of the typed recipient address.
#include "mail/MailAddress.h"

#include <algorithm>

#include "base/AsciiText.h"

namespace {

constexpr std::string_view kTypedPrefixes[] = {"SMTP:", "mailto:"};

}  // namespace

MailResult CleanMailAddress(std::string_view typed, std::string& address) {
    for (std::string_view prefix : kTypedPrefixes) {
        if (StartsWithNoCase(typed, prefix)) {
            typed.remove_prefix(prefix.size());
            break;
        }
    }
    if (TrimSpace(typed).empty()) {
        return MailResult::Failure("No e-mail address was given.");
    }
    if (std::any_of(typed.begin(), typed.end(), IsAsciiControl)) {
        return MailResult::Failure(
            "The e-mail address holds a line break or another control character.");
    }
    address = typed;
    return {};
}
