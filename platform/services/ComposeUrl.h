#pragma once

// The URLs the composers hand to the desktop: a mailto: URL of a mail's fields (RFC 6068) and
// an sms: URL of a text message's (RFC 5724). Every field is escaped, so what the user's mail
// or messaging program receives is exactly what the composer showed; empty fields are left out.

#include <string>
#include <vector>

namespace platform::services {

struct MailFields {
    std::vector<std::string> to;
    std::vector<std::string> cc;
    std::vector<std::string> bcc;
    std::string subject;
    std::string body;
};

struct TextMessageFields {
    std::vector<std::string> recipients;
    std::string body;
};

std::string mailtoUrl(const MailFields& mail);
std::string smsUrl(const TextMessageFields& message);

}  // namespace platform::services
