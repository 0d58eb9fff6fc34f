#pragma once

// Small pieces shared by the code that talks to libcurl. Not for use outside platform/net.

#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Error.h"

namespace platform {

// Initialises the transfer library once per process, from any thread.
void ensureCurlReady();

// `reference` (absolute, or relative to `base`, as a Location field may be) made absolute.
// Schemes the library does not fetch are accepted, so a caller can see where a redirect
// wanted to go; nothing when the result is not a URL.
std::optional<std::string> resolveUrl(std::string_view base, std::string_view reference);

// The URL-loading error for a failed transfer: kUrlErrorDomain with the matching code, the
// failing URL, and the library's own code and message as the underlying error.
Error errorForCurlCode(int curlCode, std::string_view failingUrl, std::string_view detail);

}  // namespace platform
