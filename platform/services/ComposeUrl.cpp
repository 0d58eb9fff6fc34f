#include "platform/services/ComposeUrl.h"

#include "platform/base/PercentEncoding.h"

namespace platform::services {

namespace {

// Mail programs read a bare "\n" in a mailto: body in different ways; the RFC asks for CRLF.
std::string withCrlf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

// Addresses keep their "@" readable; "," separates them, so it (like everything else outside
// the unreserved set) is escaped inside one.
std::string joined(const std::vector<std::string>& items, const UrlCharacterSet& allowed) {
    std::string out;
    for (const auto& item : items) {
        if (item.empty()) continue;
        if (!out.empty()) out += ',';
        out += percentEncode(item, allowed);
    }
    return out;
}

// `escaped` is already fit for a query value.
void addField(std::string& query, const char* name, const std::string& escaped) {
    if (escaped.empty()) return;
    query += query.empty() ? '?' : '&';
    query += name;
    query += '=';
    query += escaped;
}

}  // namespace

std::string mailtoUrl(const MailFields& mail) {
    static const UrlCharacterSet address = UrlCharacterSet::unreserved().with("@");
    std::string query;
    addField(query, "cc", joined(mail.cc, address));
    addField(query, "bcc", joined(mail.bcc, address));
    addField(query, "subject", percentEncodeComponent(mail.subject));
    addField(query, "body", percentEncodeComponent(withCrlf(mail.body)));
    return "mailto:" + joined(mail.to, address) + query;
}

std::string smsUrl(const TextMessageFields& message) {
    // A leading "+" marks an international number and stays as it is.
    static const UrlCharacterSet number = UrlCharacterSet::unreserved().with("+");
    std::string query;
    addField(query, "body", percentEncodeComponent(message.body));
    return "sms:" + joined(message.recipients, number) + query;
}

}  // namespace platform::services
