#pragma once

// A GET whose answer counts only by its status: pings, crash reports and performance reports.
// Their bodies mean nothing to us, so after kMaxBodyBytes the transfer stops and the status
// that came decides; a transport error fails whatever the status.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/base/Error.h"
#include "platform/net/Connection.h"
#include "platform/net/UrlRequest.h"
#include "platform/net/UrlResponse.h"

namespace ads {

class GADPingRequest {
  public:
    static constexpr std::int64_t kMaxBodyBytes = 64 * 1024;

    // The response (when one came) and the transport error (when there was one); a body cut
    // at the limit is no error.
    using Completion = platform::Connection::HeadCompletion;

    // Sends the request; the completion comes on the given queue (the main loop without one).
    // The load keeps itself alive until then; cancelling the answer drops the completion.
    static std::shared_ptr<platform::Connection> send(platform::UrlRequest request,
                                                      Completion completion,
                                                      platform::Connection::Poster queue = nullptr);

    // An HTTP status from 200 to 299 without a transport error.
    static bool succeeded(const std::optional<platform::UrlResponse>& response,
                          const std::optional<platform::Error>& error);
};

}  // namespace ads
