#include "ads/mediation/GADMediatedAd.h"

namespace ads {

void GADMediatedAd::addClickHandler(std::function<void()> handler) {
    if (handler) clickHandlers_.push_back(std::move(handler));
}

void GADMediatedAd::addImpressionHandler(std::function<void()> handler) {
    if (handler) impressionHandlers_.push_back(std::move(handler));
}

void GADMediatedAd::reportClick() {
    // A copy: a handler may add another.
    const auto handlers = clickHandlers_;
    for (const auto& handler : handlers) handler();
}

void GADMediatedAd::reportImpression() {
    const auto handlers = impressionHandlers_;
    for (const auto& handler : handlers) handler();
}

}  // namespace ads
