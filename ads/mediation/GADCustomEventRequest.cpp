#include "ads/mediation/GADCustomEventRequest.h"

#include "ads/mediation/GADCustomEventExtras.h"
#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"
#include "ads/mediation/GADMCredentials.h"

namespace ads {

namespace {

std::optional<platform::Value::Dictionary> extrasFor(
    const GADMAdNetworkConnectorProtocol& connector) {
    const auto extras =
        std::dynamic_pointer_cast<const GADCustomEventExtras>(connector.networkExtras());
    if (!extras) return std::nullopt;
    return extras->extrasForLabel(credentialString(connector.credentials(), kLabelCredential));
}

}  // namespace

GADCustomEventRequest::GADCustomEventRequest(const GADMAdNetworkConnectorProtocol& connector)
    : userGender_(connector.userGender()),
      userBirthday_(connector.userBirthday()),
      userHasLocation_(connector.userHasLocation()),
      userLatitude_(connector.userLatitude()),
      userLongitude_(connector.userLongitude()),
      userLocationAccuracyInMeters_(connector.userLocationAccuracyInMeters()),
      userLocationDescription_(connector.userLocationDescription()),
      userKeywords_(connector.userKeywords()),
      additionalParameters_(extrasFor(connector)),
      isTesting_(connector.testMode()) {}

}  // namespace ads
