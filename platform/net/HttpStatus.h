#pragma once

// Short texts for HTTP status codes, in the wording the original platform used for its
// "HTTP status %ld: %@" messages (lower case, its own phrasing), so logs and error texts
// read the same as before.

#include <string>

namespace platform {

// A known code's phrase; an unknown code gets the phrase of its class ("informational",
// "success", "redirected", "client error", "server error").
std::string localizedStringForStatusCode(long statusCode);

}  // namespace platform
