#pragma once

// The parameters one slot's ad request hands the SDK core page: the request's own parameters
// completed with everything that belongs to the placement (quality signals, ad unit, format and
// sizes, frame and position, flags, content fingerprint, signed-in token, view hierarchy,
// experiment ids). A pure function of its inputs, so that every key can be checked without a
// slot, a page or a main loop: GADSlot takes the inputs of views, windows and itself on the
// main thread (GADSlotRequestSnapshot), and the SDK core's request queue completes the rest
// and calls it there.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADAdType.h"
#include "platform/base/Geometry.h"
#include "platform/base/Value.h"

namespace ads {

struct GADSlotRequestInputs {
    // GADRequest::parameters of the slot's request.
    platform::Value::Dictionary requestParameters;
    // The correlator's id; 0 is none.
    std::uint32_t correlationID = 0;
    // The three parts of "quality_signals"; each is left out when empty.
    platform::Value applicationStatistics;
    std::optional<platform::Value::Dictionary> privateMediationExtras;
    platform::Value::Array adStatistics;

    std::string adUnitID;
    GADAdType adType = GADAdType::interstitialAdType();
    // GADMultipleAdSizeParameterFromSizes of the owner's valid sizes, when it has a list of
    // them (resolving a full-width size reads the screen, so this is done on the main thread).
    std::optional<std::string> multipleAdSizes;
    // The owner's frame and bounds, or the ad view's when the owner has none.
    platform::Rect frame;
    platform::Rect bounds;
    std::optional<platform::Value> adPosition;
    std::optional<std::string> requestID;

    bool calledLoadAndDisplayRequest = false;
    bool manualImpressionsEnabled = false;
    bool hasInAppPurchaseDelegate = false;
    // "/zivivu/ads/use_https" when stored.
    std::optional<bool> useHttps;
    // The content fingerprint, fresh or stored.
    std::optional<std::string> contentFingerprint;
    std::optional<std::string> signedInToken;
    std::optional<platform::Value> viewHierarchy;
    std::optional<std::string> prefetchExperimentID;
    bool prefetchEnabled = false;
};

platform::Value::Dictionary GADSlotRequestParameters(const GADSlotRequestInputs& inputs);

// "sz": each box of an ad size other than kGADAdSizeInvalid as "<width>x<height>" (whole
// numbers, signs dropped), joined by "|"; boxes of other types count as invalid. Main thread.
std::string GADMultipleAdSizeParameterFromSizes(const std::vector<GADBoxedValue>& sizes);

}  // namespace ads
