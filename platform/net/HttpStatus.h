#pragma once

// Short texts for HTTP status codes, in the wording of the "HTTP status %ld: %@" messages the level
// download shows and logs (lower case, its own phrasing).

#include <string>

namespace platform {

// A known code's phrase; an unknown code gets the phrase of its class ("informational",
// "success", "redirected", "client error", "server error").
std::string localizedStringForStatusCode(long statusCode);

}  // namespace platform
