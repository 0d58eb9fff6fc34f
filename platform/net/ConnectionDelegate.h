#pragma once

// What a Connection tells the object that started it. Every call comes on the main loop, in
// this order: willSendRequest (before the first request and before each redirect is
// followed), then didReceiveResponse, didReceiveData any number of times, and finally exactly
// one of didFinishLoading or didFailWithError - unless the connection is cancelled, after
// which nothing comes at all. All methods are optional.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/base/Error.h"
#include "platform/net/UrlRequest.h"
#include "platform/net/UrlResponse.h"

namespace platform {

class Connection;

class ConnectionDelegate {
  public:
    virtual ~ConnectionDelegate() = default;

    // `redirectResponse` is null before the first request. Answer the request to send (the
    // given one, or a changed copy), or nothing: before the first request that cancels the
    // connection; for a redirect it refuses the redirect, and the redirect response itself is
    // delivered as the final response. Calling cancel() in here stops everything.
    virtual std::optional<UrlRequest> connectionWillSendRequest(
        Connection&, const UrlRequest& request, const UrlResponse* redirectResponse) {
        (void)redirectResponse;
        return request;
    }
    virtual void connectionDidReceiveResponse(Connection&, const UrlResponse&) {}
    virtual void connectionDidReceiveData(Connection&, const std::vector<std::uint8_t>&) {}
    virtual void connectionDidFinishLoading(Connection&) {}
    // The error is in kUrlErrorDomain and carries the failing URL (Error::kUrlKey).
    virtual void connectionDidFailWithError(Connection&, const Error&) {}
};

}  // namespace platform
