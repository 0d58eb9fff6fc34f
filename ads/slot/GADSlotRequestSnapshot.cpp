#include "ads/slot/GADSlotRequestSnapshot.h"

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADTokenDispenser.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

std::optional<platform::Value::Dictionary> GADSlotRequestParametersFromSnapshot(
    GADSlotRequestSnapshot snapshot) {
    if (!snapshot.request) return std::nullopt;
    GADSlotRequestInputs& in = snapshot.inputs;
    in.requestParameters = snapshot.request->parameters(snapshot.facts);
    in.privateMediationExtras = snapshot.request->privateMediationExtras();

    auto& defaults = platform::UserDefaults::standard();
    if (auto useHttps = defaults.objectForKey(settings_keys::kUseHttps)) {
        in.useHttps = useHttps->boolValue();
    }
    // The best capture's fingerprint, remembered for the requests made while none qualifies.
    in.contentFingerprint =
        GADApplication::sharedInstance()->fingerprintWithServedPenaltyDeduction();
    if (in.contentFingerprint) {
        defaults.setString(settings_keys::kContentURLFingerprint, *in.contentFingerprint);
    } else {
        in.contentFingerprint = defaults.stringForKey(settings_keys::kContentURLFingerprint);
    }
    in.signedInToken = GADTokenDispenser::sharedInstance()->token();
    in.prefetchExperimentID = defaults.stringForKey(settings_keys::kPrefetchExperimentID);
    in.prefetchEnabled = defaults.boolForKey(settings_keys::kPrefetchEnabled);
    return GADSlotRequestParameters(in);
}

}  // namespace ads
