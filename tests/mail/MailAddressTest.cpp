// The typed address: prefixes the sendmail interface does not take, and what is refused.
#include "mail/MailAddress.h"

#include <gtest/gtest.h>

namespace {

TEST(MailAddressTest, OnlyALeadingSmtpOrMailtoGoesAndEmptyOrControlCharactersAreRefused) {
    struct Row {
        std::string typed;
        const char* address;  // nullptr: refused
    } rows[] = {
        {"alice@example.org", "alice@example.org"},
        {"SMTP:alice@example.org", "alice@example.org"},
        {"smtp:alice@example.org", "alice@example.org"},
        {"MailTo:alice@example.org", "alice@example.org"},
        {"SMTP:mailto:alice@example.org", "mailto:alice@example.org"},  // one prefix only
        {"Alice <alice@example.org>", "Alice <alice@example.org>"},
        {"x:y", "x:y"},
        {"alice@example.org\r\nBcc: eve@example.org", nullptr},
        {"alice@example.org\n", nullptr},
        {"alice\t@example.org", nullptr},
        {std::string("alice\0@example.org", 18), nullptr},
        {"alice\x7f@example.org", nullptr},
        {"", nullptr},
        {"SMTP:", nullptr},
        {"   ", nullptr},
    };
    for (const Row& row : rows) {
        std::string address = "before";
        MailResult result = CleanMailAddress(row.typed, address);
        EXPECT_EQ(result.ok, row.address != nullptr) << row.typed;
        EXPECT_EQ(address, row.address ? row.address : "before") << row.typed;
        EXPECT_EQ(result.error.empty(), result.ok) << row.typed;
    }
}

}  // namespace
