#pragma once

// What a publisher's custom-event object learns of the ad request: the targeting the connector
// answered at the moment of the request, copied once and never changed afterwards (a later
// change to the publisher's request does not reach an object already asked), and the
// publisher's extras registered in GADCustomEventExtras under the network entry's "label".
// Immutable, so it may be read on any thread; made on the main thread.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.h"

namespace ads {

class GADMAdNetworkConnectorProtocol;

class GADCustomEventRequest {
  public:
    // Reads the connector's targeting, its test mode and, through the connector's network
    // extras, the publisher's dictionary for the credentials' "label" (a label that is not a
    // string is no label).
    explicit GADCustomEventRequest(const GADMAdNetworkConnectorProtocol& connector);

    std::int64_t userGender() const { return userGender_; }
    const std::optional<platform::Date>& userBirthday() const { return userBirthday_; }
    bool userHasLocation() const { return userHasLocation_; }
    double userLatitude() const { return userLatitude_; }
    double userLongitude() const { return userLongitude_; }
    double userLocationAccuracyInMeters() const { return userLocationAccuracyInMeters_; }
    const std::optional<std::string>& userLocationDescription() const {
        return userLocationDescription_;
    }
    const std::optional<std::vector<std::string>>& userKeywords() const { return userKeywords_; }
    // Absent when the publisher registered nothing under the entry's label.
    const std::optional<platform::Value::Dictionary>& additionalParameters() const {
        return additionalParameters_;
    }
    bool isTesting() const { return isTesting_; }

  private:
    std::int64_t userGender_;
    std::optional<platform::Date> userBirthday_;
    bool userHasLocation_;
    double userLatitude_;
    double userLongitude_;
    double userLocationAccuracyInMeters_;
    std::optional<std::string> userLocationDescription_;
    std::optional<std::vector<std::string>> userKeywords_;
    std::optional<platform::Value::Dictionary> additionalParameters_;
    bool isTesting_;
};

}  // namespace ads
