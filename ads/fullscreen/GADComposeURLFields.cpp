#include "ads/fullscreen/GADComposeURLFields.h"

#include <string>
#include <vector>

#include "ads/foundation/GADURLUtilities.h"
#include "platform/base/PercentEncoding.h"

namespace ads {

namespace {

struct Parts {
    std::string_view recipients;
    platform::Value::Dictionary options;
};

Parts split(std::string_view url) {
    Parts parts;
    const auto colon = url.find(':');
    std::string_view rest =
        colon == std::string_view::npos ? std::string_view{} : url.substr(colon + 1);
    // A fragment is no part of the message.
    rest = rest.substr(0, rest.find('#'));
    if (rest.substr(0, 2) == "//") rest.remove_prefix(2);
    const auto question = rest.find('?');
    parts.recipients = rest.substr(0, question);
    if (question != std::string_view::npos) {
        parts.options = gad_dictionaryFromQueryParameters(rest.substr(question + 1), true);
    }
    return parts;
}

// A recipient that does not decode is kept as the page wrote it rather than lost.
std::string decoded(std::string_view text) {
    return platform::percentDecode(text).value_or(std::string(text));
}

std::string option(const platform::Value::Dictionary& options, const char* key) {
    const auto found = options.find(key);
    return found != options.end() && found->second.isString() ? found->second.stringRef()
                                                              : std::string();
}

// `decode` for text still percent-encoded (the part before "?"); options come decoded.
std::vector<std::string> cutAtCommas(std::string_view text, bool decode) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find(',', start);
        if (end == std::string_view::npos) end = text.size();
        const auto piece = text.substr(start, end - start);
        std::string value = decode ? decoded(piece) : std::string(piece);
        if (!value.empty()) pieces.push_back(std::move(value));
        start = end + 1;
    }
    return pieces;
}

}  // namespace

platform::services::MailFields gad_mailFieldsFromURLString(std::string_view url) {
    const Parts parts = split(url);
    platform::services::MailFields fields;
    std::string to = decoded(parts.recipients);
    if (!to.empty()) fields.to.push_back(std::move(to));
    fields.cc = cutAtCommas(option(parts.options, "cc"), false);
    fields.bcc = cutAtCommas(option(parts.options, "bcc"), false);
    fields.subject = option(parts.options, "subject");
    fields.body = option(parts.options, "body");
    return fields;
}

platform::services::TextMessageFields gad_textMessageFieldsFromURLString(std::string_view url) {
    const Parts parts = split(url);
    platform::services::TextMessageFields fields;
    fields.recipients = cutAtCommas(parts.recipients, true);
    fields.body = option(parts.options, "body");
    return fields;
}

}  // namespace ads
