// The outcome of each step of sending mail: success, or a reason the user can read.
#pragma once

#include <string>

struct MailResult {
    bool ok = true;
    std::string error;  // empty when ok

    static MailResult Failure(std::string reason) { return {false, std::move(reason)}; }
};
