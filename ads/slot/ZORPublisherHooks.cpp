#include "ads/slot/ZORPublisherHooks.h"

#include <cstdio>

#include "ads/foundation/GADAd.h"
#include "ads/slot/GADCorrelator.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/ZORCustomRenderedAd.h"

namespace ads {

void ZORPublisherHooks::willLoadAdWithRequest(const GADSlot& slot) {
    const auto& correlator = slot.correlator();
    previousCorrelationID_ = correlator ? correlator->correlationID() : 0;
}

bool ZORPublisherHooks::shouldPreemptInProgressRequest(const GADSlot& slot) const {
    const auto& correlator = slot.correlator();
    return previousCorrelationID_ != 0 && correlator &&
           correlator->correlationID() != previousCorrelationID_;
}

std::optional<platform::Url> ZORPublisherHooks::rootOfURL(const std::optional<platform::Url>& url) {
    if (!url) return std::nullopt;
    return platform::Url::parse("/", *url);
}

std::shared_ptr<ZORCustomRenderedAd> ZORPublisherHooks::startCustomRendering(
    GADSlot& slot, const std::shared_ptr<GADAd>& ad,
    std::weak_ptr<ZORCustomRenderedAdDelegate> delegate) {
    auto custom = ZORCustomRenderedAd::create(ad ? ad->adHTML().value_or("") : std::string(),
                                              rootOfURL(ad ? ad->adBaseURL() : std::nullopt));
    custom->setDelegate(std::move(delegate));
    custom->ad_ = ad;
    slot.willRenderCustomAd();
    return custom;
}

GADRequestError ZORPublisherHooks::notConformingError(const std::string& protocol,
                                                      const std::string& ownerLabel,
                                                      const std::string& owner,
                                                      const std::string& delegate) {
    return GADRequestError::errorWithCode(
        kGADErrorInvalidArgument, "Ignoring delegate callback. Delegate does not conform to " +
                                      protocol + ".\n" + ownerLabel + ": " + owner +
                                      "\nDelegate: " + delegate);
}

std::string ZORPublisherHooks::describe(const char* className, const void* object) {
    if (!object) return "(null)";
    char address[32];
    std::snprintf(address, sizeof address, "%p", object);
    return std::string("<") + className + ": " + address + ">";
}

bool ZORPublisherHooks::isCurrent(GADSlot* slot, const ZORCustomRenderedAd& ad) {
    const auto bound = ad.ad_.lock();
    return slot && bound && slot->ad() == bound;
}

void ZORPublisherHooks::recordClick(GADSlot* slot, ZORCustomRenderedAd& ad) {
    if (!isCurrent(slot, ad)) return;
    // The publisher's drawing stands for the ad's page: it reports through the page's face.
    static_cast<GADPageSlot*>(slot)->pingClickURLs();
}

void ZORPublisherHooks::recordImpression(GADSlot* slot, ZORCustomRenderedAd& ad) {
    if (!isCurrent(slot, ad) || ad.impressionRecorded_) return;
    ad.impressionRecorded_ = true;
    slot->didMakeAdImpression();
}

void ZORPublisherHooks::finishedRendering(GADSlot* slot, ZORCustomRenderedAd& ad) {
    if (!isCurrent(slot, ad) || ad.finishedRendering_) return;
    if (slot->state() != GADSlotState::Rendering) return;
    ad.finishedRendering_ = true;
    GADPageSlot* page = slot;
    page->didReceiveValidAd();
    // The state alone tells the owner nothing.
    page->adFinishedLoadingContent();
}

}  // namespace ads
