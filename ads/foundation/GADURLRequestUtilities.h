#pragma once

// The requests the SDK sends for ads and for its pages' own HTTP calls.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Url.h"
#include "platform/net/HttpHeaders.h"
#include "platform/net/UrlRequest.h"

namespace ads {

// Nothing without a URL. Otherwise a request with the platform's default cache policy and
// time-out whose header fields are exactly `headers`, then "User-Agent" set to the device's
// web-view agent when there is one. With both a body and a content type it is a POST carrying
// the body, "Content-Length" (decimal) and "Content-Type"; a body without a type is left out,
// and the request stays a GET.
std::optional<platform::UrlRequest> gad_requestForURL(
    const std::optional<platform::Url>& url,
    const std::optional<std::vector<std::uint8_t>>& data = std::nullopt,
    const platform::HttpHeaders& headers = {},
    const std::optional<std::string>& type = std::nullopt);

// The same with the agent given (empty: none).
std::optional<platform::UrlRequest> gad_requestForURL(
    const std::optional<platform::Url>& url, const std::optional<std::vector<std::uint8_t>>& data,
    const platform::HttpHeaders& headers, const std::optional<std::string>& type,
    const std::string& userAgent);

}  // namespace ads
