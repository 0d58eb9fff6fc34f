#pragma once

// The head of an HTTP response: where it finally came from, its status, its header fields
// and what it announced about its body.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/Url.h"
#include "platform/net/HttpHeaders.h"

namespace platform {

struct UrlResponse {
    Url url;  // the URL that answered, after any redirects
    long statusCode = 0;
    HttpHeaders headers;
    // From "Content-Length"; -1 when the server did not say (chunked, or closing the
    // connection at the end).
    std::int64_t expectedContentLength = -1;
    std::string mimeType;          // "text/html" of "text/html; charset=utf-8", lower case
    std::string textEncodingName;  // "utf-8" of the same, lower case; empty when absent

    const HttpHeaders& allHeaderFields() const { return headers; }

    bool isRedirect() const;
    // The name the server suggests for saving the body: the "filename*" (UTF-8 or Latin-1,
    // percent-encoded) or "filename" parameter of "Content-Disposition", else the URL's last
    // path component, else "Unknown". It comes from the server as it is: callers that make a
    // file of it must make it safe first (it may hold "/", "..", control characters, anything).
    std::string suggestedFilename() const;
    // Fills mimeType, textEncodingName and expectedContentLength from the header fields.
    void deriveFromHeaders();
};

}  // namespace platform
