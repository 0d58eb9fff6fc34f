#include "ads/slot/GADSlotRequestParameters.h"

#include <cmath>
#include <limits>

#include "ads/foundation/GADRectUtilities.h"

namespace ads {

using platform::Value;

namespace {

bool isEmpty(const Value& value) {
    if (value.isNull()) return true;
    if (value.isDictionary() || value.isArray()) return value.size() == 0;
    return false;
}

// A side of a size as the server reads it: a whole number without sign. A size that is not
// finite (or beyond any screen) would wrap around when truncated, so it is held at the ends.
unsigned long wholeSide(double side) {
    const double magnitude = std::fabs(side);
    if (std::isnan(magnitude)) return 0;
    if (magnitude >= static_cast<double>(std::numeric_limits<std::uint32_t>::max())) {
        return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<unsigned long>(magnitude);
}

}  // namespace

std::string GADMultipleAdSizeParameterFromSizes(const std::vector<GADBoxedValue>& sizes) {
    std::string joined;
    for (const auto& box : sizes) {
        const GADAdSize size = GADAdSizeFromNSValue(&box);
        if (GADAdSizeEqualToSize(size, kGADAdSizeInvalid)) continue;
        const platform::Size resolved = CGSizeFromGADAdSize(size);
        if (!joined.empty()) joined += '|';
        joined += std::to_string(wholeSide(resolved.width)) + "x" +
                  std::to_string(wholeSide(resolved.height));
    }
    return joined;
}

Value::Dictionary GADSlotRequestParameters(const GADSlotRequestInputs& in) {
    Value::Dictionary parameters = in.requestParameters;

    if (in.correlationID != 0) {
        parameters["correlation_id"] = Value(static_cast<std::int64_t>(in.correlationID));
    }

    Value::Dictionary signals;
    if (!isEmpty(in.applicationStatistics)) signals["app"] = in.applicationStatistics;
    if (in.privateMediationExtras && !in.privateMediationExtras->empty()) {
        signals["request"] = Value(*in.privateMediationExtras);
    }
    if (!in.adStatistics.empty()) signals["ads"] = Value(in.adStatistics);
    if (!signals.empty()) parameters["quality_signals"] = Value(std::move(signals));

    if (!in.adUnitID.empty()) parameters["slotname"] = Value(in.adUnitID);

    const GADAdSize& size = in.adType.adSize();
    if (in.adType.isInterstitial()) {
        parameters["format"] = Value("interstitial_mb");
    } else {
        if (GADAdSizeIsFluid(size)) {
            parameters["format"] = Value("320x50_mb");
            parameters["fluid"] = Value("height");
        } else if (in.multipleAdSizes && !in.multipleAdSizes->empty()) {
            parameters["sz"] = Value(*in.multipleAdSizes);
        }
        parameters["ad_frame"] = GADXYWHDictionaryFromCGRect(in.frame);
        parameters["ad_bounds"] = GADXYWHDictionaryFromCGRect(in.bounds);
    }
    // An interstitial's size is kGADAdSizeInvalid, which is never full width.
    if (GADAdSizeIsFullWidth(size)) {
        parameters["smart_w"] = Value("full");
        if (GADAdSizeIsAutoHeight(size)) parameters["smart_h"] = Value("auto");
    }

    if (in.requestID) parameters["request_id"] = Value(*in.requestID);
    if (in.adPosition && !in.adPosition->isNull()) parameters["ad_pos"] = *in.adPosition;
    if (in.calledLoadAndDisplayRequest) parameters["cladr"] = Value("1");
    if (in.manualImpressionsEnabled) parameters["d_imp_hdr"] = Value("1");
    if (in.hasInAppPurchaseDelegate) parameters["iap_set"] = Value("1");
    if (in.useHttps.value_or(true)) parameters["force_https"] = Value("1");
    if (in.contentFingerprint) {
        parameters["content_info"] =
            Value::dictionary({{"fingerprint", Value(*in.contentFingerprint)}, {"v", Value(1)}});
    }
    // A signed-in token must never travel in the clear, whatever the stored switch says.
    if (in.signedInToken) {
        parameters["pan"] = Value::dictionary({{"token", Value(*in.signedInToken)}});
        parameters["force_https"] = Value("1");
    }
    if (in.viewHierarchy && !in.viewHierarchy->isNull()) {
        parameters["view_hierarchy"] = *in.viewHierarchy;
    }
    if (in.prefetchExperimentID) parameters["eid"] = Value(*in.prefetchExperimentID);
    if (in.prefetchEnabled) parameters["_forcePrefetch"] = Value("1");
    return parameters;
}

}  // namespace ads
