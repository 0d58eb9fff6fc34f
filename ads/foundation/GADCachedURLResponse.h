#pragma once

// One entry of the ad response cache: the response head, its body bytes, the moment it stops
// being fresh and the URL it finally came from (after redirects), which becomes the base URL
// of its HTML when it is served again. Immutable, so any thread may read it.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/base/Url.h"
#include "platform/base/Value.h"
#include "platform/net/UrlResponse.h"

namespace ads {

class GADCachedURLResponse {
  public:
    using Bytes = std::vector<std::uint8_t>;

    // Nothing without a response, a body or an expiration date; the destination may be
    // missing.
    static std::shared_ptr<const GADCachedURLResponse> create(
        std::optional<platform::UrlResponse> response, std::optional<Bytes> data,
        std::optional<platform::Date> expirationDate, std::optional<platform::Url> destinationURL);
    GADCachedURLResponse(const GADCachedURLResponse&) = delete;
    GADCachedURLResponse& operator=(const GADCachedURLResponse&) = delete;

    const platform::UrlResponse& response() const { return response_; }
    const Bytes& data() const { return data_; }
    platform::Date expirationDate() const { return expirationDate_; }
    const std::optional<platform::Url>& destinationURL() const { return destinationURL_; }

  private:
    struct Private {};

  public:
    GADCachedURLResponse(Private, platform::UrlResponse response, Bytes data,
                         platform::Date expirationDate,
                         std::optional<platform::Url> destinationURL);

  private:
    const platform::UrlResponse response_;
    const Bytes data_;
    const platform::Date expirationDate_;
    const std::optional<platform::Url> destinationURL_;
};

}  // namespace ads
