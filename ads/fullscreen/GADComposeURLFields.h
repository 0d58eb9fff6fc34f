#pragma once

// The fields a page's mailto: or sms: link asks a composer to show. Links come from ad pages,
// so they are read leniently: whatever follows the first ":" is the link's content (a link
// with "//" or without one reads the same), recipients are percent-decoded, and the options
// after the first "?" are the page-message query rule with lower-cased keys (Subject= and
// subject= are one option). Empty recipients are left out.
//
//   mailto: the one recipient before "?" (never split: an address may hold a quoted ","),
//           "cc" and "bcc" cut at ",", "subject", "body" (plain text).
//   sms:    the recipients before "?" cut at ",", "body".
//
// Pure functions; any thread.

#include <string_view>

#include "platform/services/ComposeUrl.h"

namespace ads {

platform::services::MailFields gad_mailFieldsFromURLString(std::string_view url);
platform::services::TextMessageFields gad_textMessageFieldsFromURLString(std::string_view url);

}  // namespace ads
