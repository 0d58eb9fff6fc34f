#pragma once

// How a request changes when its answer redirects it, shared by the synchronous and the
// asynchronous loaders (both follow redirects themselves so that every step can be seen and
// refused).

#include <optional>

#include "platform/net/UrlRequest.h"
#include "platform/net/UrlResponse.h"

namespace platform {

// Beyond this many redirects in a row a load fails with kUrlErrorHTTPTooManyRedirects.
inline constexpr int kMaxHttpRedirects = 16;

// The request to send next, or nothing when `response` is not a redirect (301, 302, 303,
// 307, 308 with a "Location") or its location is not a URL. The location is resolved
// against the previous URL. As browsers do, 303 turns every method but HEAD into a GET, and
// 301/302 turn a POST into a GET; the body and its content fields go with it. Credentials
// set by the caller ("Authorization", "Cookie") are not carried to another host, nor from
// https to plain http.
std::optional<UrlRequest> redirectRequestFor(const UrlRequest& previous,
                                             const UrlResponse& response);

}  // namespace platform
