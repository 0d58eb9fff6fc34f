#pragma once

// What every kind of connector tells its adapter about the network and the publisher's
// request: the credentials and the targeting an adapter passes on to its network (and that
// GADRequestMediationAdditions copies into the request of an adapter built on our own ads).
// Main thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.h"

namespace ads {

class GADAdNetworkExtras;

class GADMConnectorTargeting {
  public:
    virtual ~GADMConnectorTargeting() = default;

    virtual std::optional<std::string> publisherId() const = 0;
    virtual platform::Value::Dictionary credentials() const = 0;
    virtual bool testMode() const = 0;
    virtual std::shared_ptr<const GADAdNetworkExtras> networkExtras() const = 0;
    virtual std::optional<bool> childDirectedTreatment() const = 0;
    virtual std::int64_t userGender() const = 0;
    virtual std::optional<platform::Date> userBirthday() const = 0;
    virtual bool userHasLocation() const = 0;
    virtual double userLatitude() const = 0;
    virtual double userLongitude() const = 0;
    virtual double userLocationAccuracyInMeters() const = 0;
    virtual std::optional<std::string> userLocationDescription() const = 0;
    virtual std::optional<std::vector<std::string>> userKeywords() const = 0;
};

}  // namespace ads
