#include "ads/mediation/GADMUtilities.h"

#include <utility>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADClickTrackerCollection.h"
#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADReplaceContentAdditions.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/GADSession.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/mediation/GADMAdNetworkAdapterProtocol.h"
#include "platform/base/StringEscaping.h"
#include "platform/runtime/ClassRegistry.h"

namespace ads {

std::string GADMUtilities::defaultClickTemplate() {
    return GADAdServerURL(kDefaultClickPath).absoluteString();
}

std::string GADMUtilities::defaultImpressionTemplate() {
    return GADAdServerURL(kDefaultImpressionPath).absoluteString();
}

std::string GADMUtilities::defaultNoFillTemplate() {
    return GADAdServerURL(kDefaultNoFillPath).absoluteString();
}

std::string GADMUtilities::mediationURLFrom(std::string_view templ,
                                            const GADMediationPingValues& values) {
    const std::optional<std::string> refresh = values.adNetworkRefresh ? "1" : "0";
    const std::pair<const char*, const std::optional<std::string>*> keywords[] = {
        {"gw_adlocid", &values.adLocationID},
        {"gw_qdata", &values.qData},
        {"gw_sdkver", nullptr},
        {"gw_sessid", &values.sessionID},
        {"gw_seqnum", &values.sequenceNumber},
        {"gw_devid", nullptr},
        {"gw_adnetrefresh", &refresh},
        {"gw_adnetid", &values.adNetworkID},
        {"gw_allocid", &values.allocationID},
        {"gw_aec", &values.exitCodes},
        {"gw_adt", &values.durations},
    };
    std::string url(templ);
    for (const auto& [keyword, value] : keywords) {
        const std::string_view name = keyword;
        if (name == "gw_sdkver") {
            gad_replaceAtQuotedKeyword(url, name, GADRequest::sdkVersion());
        } else if (name == "gw_devid") {
            gad_replaceAtQuotedKeyword(url, name, "");
        } else if (*value) {
            gad_replaceAtQuotedKeyword(url, name, **value);
        }
    }
    return url;
}

std::vector<platform::Url> GADMUtilities::trackMediationURLsFromTemplates(
    GADClickTrackerCollection& trackers, const std::vector<std::string>& templates,
    const std::optional<std::string>& defaultTemplate, GADMediationPingValues values) {
    std::vector<std::string> list = templates;
    if (list.empty() && defaultTemplate) list.push_back(*defaultTemplate);
    if (!values.qData) values.qData = "";
    auto application = GADApplication::sharedInstance();
    if (!values.sessionID && application->currentSession()) {
        values.sessionID = application->currentSession()->uniqueID();
    }
    std::vector<platform::Url> tracked;
    for (const auto& templ : list) {
        values.sequenceNumber = application->nextSequenceNumberAsString();
        const std::string filled = mediationURLFrom(templ, values);
        if (filled.empty()) continue;
        auto url = gad_webURLFromString(filled);
        if (!url) {
            GADLogger::sharedInstance().logPublicMessage(
                "Skipping a mediation ping that is not a web URL: " + platform::logValue(filled));
            continue;
        }
        trackers.trackURL(*url, true);
        tracked.push_back(std::move(*url));
    }
    return tracked;
}

std::shared_ptr<const GADAdNetworkExtras> GADMUtilities::networkExtrasForAdapterClass(
    const std::optional<std::string>& adapterClassName, const GADRequest* request) {
    const auto record = adapterClassName
                            ? platform::ClassRegistry::shared().classRecord<GADMAdapterClassRecord>(
                                  *adapterClassName)
                            : nullptr;
    if (!record || !record->networkExtrasClass) {
        GADLogger::sharedInstance().logPublicMessage(
            "Adapter class " + platform::logValue(adapterClassName.value_or("(null)")) +
            " does not respond to networkExtrasClass. Unable to retrieve network extras.");
        return nullptr;
    }
    return request ? request->adNetworkExtrasFor(*record->networkExtrasClass) : nullptr;
}

}  // namespace ads
