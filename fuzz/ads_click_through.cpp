// Click-throughs a page asks for: the fields of its mailto: and sms: links, which our
// composers show and hand to the desktop's own programs, and the parameters of its "open"
// messages. Pages are untrusted: every field must come out without empty recipients or stray
// separators (a cc or bcc option is cut after decoding), and the URL the composer then hands on
// must be plain, printable ASCII, since it travels as a program argument.

#include <string>

#include "FuzzSupport.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/fullscreen/GADComposeURLFields.h"
#include "ads/fullscreen/GADOpenerGMSGHandler.h"
#include "platform/services/ComposeUrl.h"

namespace {

void checkHandedOn(const std::string& url, const char* scheme) {
    FUZZ_CHECK(url.rfind(scheme, 0) == 0);
    for (char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        FUZZ_CHECK(byte > 0x20 && byte < 0x7f);
    }
}

void checkRecipients(const std::vector<std::string>& recipients, bool commasAllowed) {
    for (const auto& recipient : recipients) {
        FUZZ_CHECK(!recipient.empty());
        FUZZ_CHECK(commasAllowed || recipient.find(',') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);

    const auto mail = ads::gad_mailFieldsFromURLString(text);
    FUZZ_CHECK(mail.to.size() <= 1);
    checkRecipients(mail.to, true);
    checkRecipients(mail.cc, false);
    checkRecipients(mail.bcc, false);
    checkHandedOn(platform::services::mailtoUrl(mail), "mailto:");

    // A recipient's own escaped "," (%2C) is part of it: recipients are cut before decoding.
    const auto message = ads::gad_textMessageFieldsFromURLString(text);
    checkRecipients(message.recipients, true);
    checkHandedOn(platform::services::smsUrl(message), "sms:");

    const auto params = ads::gad_dictionaryFromQueryParameters(text, false);
    const unsigned orientations = ads::GADOpenerGMSGHandler::orientationFromParams(params);
    FUZZ_CHECK(orientations == 6 || orientations == 24 || orientations == 30);
    (void)ads::GADOpenerGMSGHandler::shouldUseCustomClose(params);
    (void)ads::GADOpenerGMSGHandler::URLFromParams(params);
    for (const auto& format : ads::GADOpenerGMSGHandler::reportingURLStringFormats(params)) {
        FUZZ_CHECK(!format.empty());
        FUZZ_CHECK(format.find_first_of(" \t\n\r\v\f") == std::string::npos);
    }
    return 0;
}
