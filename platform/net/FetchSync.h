#pragma once

// Blocking URL loading for worker threads (announcement checks and the like): sends the
// request, follows redirects, and answers everything at once. Never call it on the main
// thread; use Connection there.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Error.h"
#include "platform/net/HttpRedirect.h"
#include "platform/net/UrlRequest.h"
#include "platform/net/UrlResponse.h"

namespace platform {

struct FetchOptions {
    // Body bytes beyond which the load fails with kUrlErrorDataLengthExceedsMaximum; < 0: none.
    std::int64_t maxBytes = -1;
    // When false the first answer is final, redirect or not.
    bool followRedirects = true;
    int maxRedirects = kMaxHttpRedirects;
    // Set from any thread to abandon the load (it then fails with kUrlErrorCancelled within a
    // tenth of a second), so a thread shutting down need not wait out a time-out.
    std::shared_ptr<std::atomic<bool>> cancelled;
};

struct FetchResult {
    // The final response (after redirects); also present with an error that came after the
    // head had arrived (a body cut short).
    std::optional<UrlResponse> response;
    UrlRequest::Bytes body;
    std::optional<Error> error;

    bool ok() const { return !error.has_value(); }
    long statusCode() const { return response ? response->statusCode : 0; }
    // The final URL after redirects; empty when nothing answered.
    Url finalUrl() const { return response ? response->url : Url(); }
    std::int64_t expectedContentLength() const {
        return response ? response->expectedContentLength : -1;
    }
    std::string bodyText() const { return std::string(body.begin(), body.end()); }
    std::string errorText() const { return error ? error->localizedDescription() : std::string(); }
};

// A non-2xx status is a response, not an error: only failures to get an answer are errors.
FetchResult fetchSync(const UrlRequest& request, const FetchOptions& options = {});

}  // namespace platform
