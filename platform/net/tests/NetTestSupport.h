#pragma once

// URL shorthands for tests, whose URLs are known to be good.

#include <string>

#include "platform/base/Url.h"
#include "platform/net/UrlRequest.h"

namespace nettest {

inline platform::Url urlOf(const std::string& text) {
    return platform::Url::parse(text).value();
}

inline platform::UrlRequest requestTo(const std::string& text) {
    return platform::UrlRequest(urlOf(text));
}

}  // namespace nettest
