// The slot as the SDK core's requester: the parameters of its request and what becomes of the
// page's answers.

#include <cctype>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/slot/GADCorrelator.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotRequestSnapshot.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADWebRoom.h"
#include "platform/base/Url.h"
#include "platform/ui/Screen.h"

namespace ads {

using platform::Value;

GADSDKCoreControllerDelegate::RequestParametersBuilder GADSlot::requestParametersWithRequestID(
    const std::string& requestID) {
    GADSlotRequestSnapshot snapshot;
    // A copy of its own: the request step reads it on the core's queue while the slot may
    // already be on its next request.
    snapshot.request = request_ ? request_->copy() : nullptr;
    snapshot.facts = GADRequest::collectMainThreadFacts();
    GADSlotRequestInputs& in = snapshot.inputs;
    requestID_ = requestID;
    in.requestID = requestID;
    in.correlationID = correlator_ ? correlator_->correlationID() : 0;
    in.applicationStatistics = applicationStatistics_;
    in.adUnitID = adUnitID_;
    in.adType = adType_;

    auto owner = slotDelegate();
    if (!adType_.isInterstitial()) {
        if (owner) {
            if (auto sizes = owner->validAdSizes()) {
                in.multipleAdSizes = GADMultipleAdSizeParameterFromSizes(*sizes);
            }
        }
        std::optional<platform::Rect> frame = owner ? owner->frame() : std::nullopt;
        std::optional<platform::Rect> bounds = owner ? owner->bounds() : std::nullopt;
        in.frame = frame ? *frame : adView_->frame();
        in.bounds = bounds ? *bounds : adView_->bounds();
    }
    if (owner) {
        in.adPosition = owner->coordinatesOfContentInScreen(platform::ui::Screen::mainScreen());
        in.hasInAppPurchaseDelegate = owner->hasInAppPurchaseDelegate();
    }
    // Sent with one request only.
    in.calledLoadAndDisplayRequest = calledLoadAndDisplayRequest_;
    calledLoadAndDisplayRequest_ = false;
    in.manualImpressionsEnabled = manualImpressionsEnabled_;
    if (auto keyDelegate = adKeyDelegate()) {
        in.viewHierarchy = keyDelegate->viewHierarchyInformationForSlot(*this);
    }
    // The ads' statistics waiting to be sent go with this request; the slot keeps them to hand
    // back if the request fails.
    if (snapshot.request) {
        pendingAdStatistics_ = GADApplication::sharedInstance()->pendingAdStatistics();
        for (const auto& statistics : pendingAdStatistics_) {
            in.adStatistics.push_back(statistics->dictionary());
        }
    }
    return
        [snapshot = std::move(snapshot)] { return GADSlotRequestParametersFromSnapshot(snapshot); };
}

GADRequestedAdType GADSlot::requestedAdType() {
    auto owner = slotDelegate();
    return owner ? owner->slotOwnerAdType() : GADRequestedAdType::Generic;
}

bool GADSlot::isWaitingForSDKCore() const {
    return state_ == GADSlotState::RequestingAdURL;
}

void GADSlot::requestAdURLFromSDKCore() {
    // The constants the core page loads switch the MRAID interceptor.
    GADWebRoom::hookSharedSDKCore();
    GADSDKCoreController::sharedInstance()->buildAdURL(shared_from_this());
}

void GADSlot::loadAdURLWithParameters(const Value::Dictionary& parameters) {
    // A late answer of a request already over (or of a slot in its final state) does nothing.
    if (!isWaitingForSDKCore()) return;
    didReceiveAdURL();
    if (parameters.count("errors")) {
        didFailToReceiveAdWithError(
            GADRequestError::errorWithCodeRequest(kGADErrorInvalidRequest, request_), false);
        return;
    }

    auto found = parameters.find("request_scenario");
    const std::string scenario =
        found != parameters.end() && found->second.isString() ? found->second.stringRef() : "";
    const auto& statistics = GADApplication::sharedInstance()->statistics();
    if (scenario == "offline_empty") {
        statistics->addNumber(1, "oar", false);
    } else if (scenario == "offline_buffer") {
        statistics->addNumber(1, "bas_off", false);
        statistics->addNumber(1, "oar", false);
    } else if (scenario == "online_buffer") {
        statistics->addNumber(1, "bas_on", false);
    }
    if (scenario == "offline_empty" || scenario == "offline_buffer") {
        if (auto sequence = statistics->objectForKey(GADApplication::kSequenceNumberKey)) {
            statistics->setObject(*sequence, "losn", false);
        }
    }

    auto protection = parameters.find("enable_auto_click_protection");
    if (protection != parameters.end() && protection->second.stringValue() == "1") {
        opener_->setAutoClickProtected(true);
    }

    // An answer without an ad URL leaves nothing to fetch: the request failed.
    auto url = parameters.find("url");
    std::optional<platform::Url> adURL;
    if (url != parameters.end() && url->second.isString()) {
        adURL = platform::Url::parse(url->second.stringRef());
    }
    if (!adURL || !gad_isWebURL(*adURL)) {
        didFailToReceiveAdWithError(
            GADRequestError::errorWithCodeRequest(kGADErrorInvalidRequest, request_), false);
        return;
    }
    auto ad = GADAd::create();
    ad->setAdURL(std::move(adURL));
    loadAd(ad, std::nullopt);
}

void GADSlot::invalidJavaScriptRequest() {
    if (!isWaitingForSDKCore()) return;
    didFailToReceiveAdWithError(
        GADRequestError::errorWithCodeRequest(kGADErrorInvalidRequest, request_), false);
}

void GADSlot::failedJavaScriptFile() {
    if (!isWaitingForSDKCore()) return;
    didFailToRetrieveSDKCoreWithError(GADRequestError::errorWithCode(kGADErrorNetworkError));
}

void GADSlot::SDKCoreRequestDidTimeOut() {
    if (!isWaitingForSDKCore()) return;
    didFailToReceiveAdWithError(GADRequestError::errorWithCode(kGADErrorTimeout), false);
}

}  // namespace ads
