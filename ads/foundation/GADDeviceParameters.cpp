// The device's part of the request parameters.

#include <cstdio>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADDeviceState.h"
#include "ads/foundation/GADStringAdditions.h"
#include "platform/services/PaymentQueue.h"

namespace ads {

std::string GADDevice::appNameParameter(const std::string& version,
                                        const std::string& bundleIdentifier) {
    return (version.empty() ? std::string() : version + ".") + "iphone." + bundleIdentifier;
}

platform::Value::Dictionary GADDevice::parameters() {
    GADMainThreadFacts facts;
    // Refreshes the orientation on the main thread (queued when called elsewhere).
    orientationLandscape();
    facts.statusBarOrientation = statusBarOrientation();
    return parameters(facts);
}

platform::Value::Dictionary GADDevice::parameters(const GADMainThreadFacts& facts) {
    using platform::Value;
    Value::Dictionary parameters;
    State snapshot = read([](const State& s) { return s; });

    if (snapshot.deviceModel == "iPad" && snapshot.userInterfaceIdiomIsPhone) {
        parameters["ios_ipadc"] = "1";
    }
    auto application = GADApplication::sharedInstance();
    // Always a record: an empty one when the app has no store metadata.
    parameters["ios_metadata"] = application->iTunesMetadata();
    if (!snapshot.infoPlist.isNull()) parameters["ios_info_plist"] = snapshot.infoPlist;
    if (auto base = baseSDKVersionFromInfoPlist(snapshot.infoPlist))
        parameters["ios_base_sdk"] = *base;
    parameters["app_name"] =
        appNameParameter(application->version(), application->mainBundleIdentifier());
    if (jailbroken()) parameters["ios_jb"] = "1";
    // Before the start-up cached it, the model is unknown; once cached it is sent as it is.
    if (snapshot.deviceModel) parameters["platform"] = *snapshot.deviceModel;
    deviceSubmodel();
    if (submodel_) parameters["submodel"] = *submodel_;
    if (auto language = locale()) parameters["hl"] = *language;
    parameters["u_audio"] = std::to_string(static_cast<unsigned long>(audioRoute()));
    const bool landscape = facts.statusBarOrientation == 3 || facts.statusBarOrientation == 4;
    parameters["u_so"] = landscape ? "l" : "p";
    if (snapshot.radioAccessTechnology) parameters["ios_radio"] = *snapshot.radioAccessTechnology;
    if (snapshot.lastKnownRadioAccessTechnology) {
        parameters["ios_radio_last"] = *snapshot.lastKnownRadioAccessTechnology;
    }
    parameters["u_sd"] = GADStringFromDouble(snapshot.mainScreenDensity);
    parameters["u_w"] = GADStringFromDouble(snapshot.portraitBounds.width());
    parameters["u_h"] = GADStringFromDouble(snapshot.portraitBounds.height());
    if (snapshot.bookstores != 0) parameters["cap_bs"] = Value(snapshot.bookstores);
    parameters["cap_noiap"] =
        GADStringFromBOOL(!platform::services::PaymentQueue::canMakePayments());
    return parameters;
}

}  // namespace ads
