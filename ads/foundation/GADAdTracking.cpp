#include "ads/foundation/GADAdTracking.h"

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADClickTrackerCollection.h"
#include "ads/foundation/GADDeviceSignal.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/foundation/GADURLUtilities.h"

namespace ads {

void GADPingImpressionURLs(GADAd& ad) {
    if (ad.impressionURLs().empty()) return;
    const auto urls = ad.impressionURLs();
    ad.removeAllImpressionURLs();
    GADClickTrackerCollection::sharedInstance()->trackURLs(urls, false);
}

void GADPingManualImpressionURLs(GADAd& ad) {
    if (ad.manualImpressionURLs().empty()) return;
    const auto urls = ad.manualImpressionURLs();
    ad.removeAllManualImpressionURLs();
    GADClickTrackerCollection::sharedInstance()->trackURLs(urls, false);
}

void GADPingClickURLs(const GADAd& ad) {
    if (ad.clickURLs().empty()) return;
    GADClickTrackerCollection::sharedInstance()->trackURLs(ad.clickURLs(), false);
}

platform::Url GADGestureClickURL(const platform::Url& url, GADAd* ad) {
    if (const auto ticket = gad_impressionTicket(url); ticket && ad) {
        ad->statistics()->setObject(platform::Value(*ticket), "pit", false);
    }
    if (!url.query() || !GADIsZivivuAdURL(url)) return url;
    const auto ai = gad_parameterValueForKey(url, "ai");
    if (!ai || ai->empty()) return url;
    std::string signal;
    if (!GADDeviceSignal::shared().clickSignal(*ai, signal)) return url;
    return gad_appendQueryValue(url, std::nullopt, signal).value_or(url);
}

}  // namespace ads
