#pragma once

// What a GADAdFetcher tells the object that started it: exactly one of the two, once, on the
// main loop and never from inside the fetch call that started it.

#include <cstdint>
#include <memory>

#include "ads/foundation/GADRequestError.h"

namespace ads {

class GADAd;
class GADAdFetcher;

class GADAdFetcherDelegate {
  public:
    virtual ~GADAdFetcherDelegate() = default;

    // The ad has a response type and HTML (or, for mediation, its configuration text).
    virtual void adFetcherDidFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad) = 0;
    // `responseCode` is the HTTP status of the failed answer, -1 when none came, 0 when the
    // failure was not the network's (an answer without an ad, a broken mediation answer).
    virtual void adFetcherDidFailToFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad,
                                           const GADRequestError& error,
                                           std::int64_t responseCode) = 0;
};

}  // namespace ads
