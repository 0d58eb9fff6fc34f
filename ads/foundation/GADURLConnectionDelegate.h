#pragma once

// What a GADURLConnection tells the object that started it, always on the main loop and never
// from inside startWithRequestURL. For a request that goes to the network the order is:
// for each redirect connectionShouldRedirectToURL and then (when followed)
// connectionLoadDidReceiveRedirectResponse; connectionLoadShouldUseCachedResponse for the
// response; then exactly one of connectionLoadDidFinish and connectionLoadDidFail. A cached
// answer is connectionLoadDidReceiveCachedResponse followed by connectionLoadDidFinish.
// Nothing comes after cancel().

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/Error.h"
#include "platform/base/Url.h"
#include "platform/net/UrlResponse.h"

namespace ads {

class GADURLConnection;

class GADURLConnectionDelegate {
  public:
    virtual ~GADURLConnectionDelegate() = default;

    // An error stops the load (connectionLoadDidFail hears it with status -1); nothing
    // follows the redirect.
    virtual std::optional<platform::Error> connectionShouldRedirectToURL(
        GADURLConnection& connection, const platform::Url& url) = 0;
    virtual void connectionLoadDidReceiveRedirectResponse(
        GADURLConnection& connection, const platform::UrlResponse& response) = 0;
    // Asked for every response head; true lets a successful answer enter the response cache
    // and lets a fresh cached answer stand in for it.
    virtual bool connectionLoadShouldUseCachedResponse(GADURLConnection& connection,
                                                       const platform::UrlResponse& response) = 0;
    virtual void connectionLoadDidReceiveCachedResponse(GADURLConnection& connection,
                                                        const platform::UrlResponse& response) = 0;
    // A 2xx answer: its body as text (nothing when it is not UTF-8) and the URL it finally
    // came from.
    virtual void connectionLoadDidFinish(GADURLConnection& connection,
                                         const std::optional<std::string>& body,
                                         const std::optional<platform::Url>& baseURL) = 0;
    // `error` is the transfer's error or a refused redirect's; none for an answer that is
    // not 2xx and for a request that could not be made. `statusCode` is the last HTTP status
    // seen, or -1 when there was none (0 for a body refused for its announced length).
    virtual void connectionLoadDidFail(GADURLConnection& connection,
                                       const std::optional<platform::Error>& error,
                                       std::int64_t statusCode) = 0;
};

}  // namespace ads
