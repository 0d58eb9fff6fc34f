#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdFetcher.h"
#include "ads/slot/GADSlot.h"

namespace ads {

void GADSlot::startFetch(const std::shared_ptr<GADAd>& ad,
                         const std::optional<platform::Value::Dictionary>& headers) {
    adFetcher_ = GADAdFetcher::create();
    adFetcher_->setRequest(request_);
    platform::Error error;
    if (!adFetcher_->fetchRemainingContentForAd(ad, headers, weak_from_this(), &error)) {
        adFetcher_.reset();
        didFailToReceiveAdWithError(requestErrorFrom(error), false);
    }
}

void GADSlot::cancelFetch() {
    if (adFetcher_) adFetcher_->cancel();
    adFetcher_.reset();
}

void GADSlot::adFetcherDidFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad) {
    // Only the fetcher of the current request speaks for it.
    if (&fetcher != adFetcher_.get()) return;
    if (state_ == GADSlotState::Invalidated) return;
    didFetchAdContent();
    processAdResponse(ad);
}

void GADSlot::adFetcherDidFailToFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad,
                                        const GADRequestError& error, std::int64_t) {
    if (&fetcher != adFetcher_.get()) return;
    if (state_ == GADSlotState::Invalidated) return;
    // The failed ad's own period, floored as everywhere: a period under 1.0 s would reload
    // a failing slot many times a second.
    if (error.code != 13 && ad) reloadTimer_->setInterval(ad->reloadInterval());
    didFailToReceiveAdWithError(error, false);
}

}  // namespace ads
