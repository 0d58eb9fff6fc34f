#include "ads/foundation/GADPingRequest.h"

namespace ads {

std::shared_ptr<platform::Connection> GADPingRequest::send(platform::UrlRequest request,
                                                           Completion completion,
                                                           platform::Connection::Poster queue) {
    return platform::Connection::sendAsynchronousRequestDiscardingBody(
        std::move(request), std::move(completion), kMaxBodyBytes, std::move(queue));
}

bool GADPingRequest::succeeded(const std::optional<platform::UrlResponse>& response,
                               const std::optional<platform::Error>& error) {
    return !error && response && response->statusCode >= 200 && response->statusCode <= 299;
}

}  // namespace ads
