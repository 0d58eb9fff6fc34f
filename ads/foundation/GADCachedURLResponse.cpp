#include "ads/foundation/GADCachedURLResponse.h"

namespace ads {

std::shared_ptr<const GADCachedURLResponse> GADCachedURLResponse::create(
    std::optional<platform::UrlResponse> response, std::optional<Bytes> data,
    std::optional<platform::Date> expirationDate, std::optional<platform::Url> destinationURL) {
    if (!response || !data || !expirationDate) return nullptr;
    return std::make_shared<const GADCachedURLResponse>(Private{}, std::move(*response),
                                                        std::move(*data), *expirationDate,
                                                        std::move(destinationURL));
}

GADCachedURLResponse::GADCachedURLResponse(Private, platform::UrlResponse response, Bytes data,
                                           platform::Date expirationDate,
                                           std::optional<platform::Url> destinationURL)
    : response_(std::move(response)),
      data_(std::move(data)),
      expirationDate_(expirationDate),
      destinationURL_(std::move(destinationURL)) {}

}  // namespace ads
