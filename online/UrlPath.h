#pragma once

#include <string>

namespace online {

// The path of an absolute URL as the phone's URL class answered it: what follows the host
// ("scheme://host/a/b/?q#f" gives "/a/b"), percent escapes decoded, a trailing slash dropped
// (but "/" stays); empty when there is none or the text is not an absolute URL. Used to route
// the app's own URLs.
std::string UrlPathOf(const std::string& url);

}  // namespace online
