#pragma once

// The SDK's own network extras: parameters that go to the ad server as "extras", merged by the
// SDK core into the request. An entry "_useOnce" that reads as true makes them apply to one
// load only (see GADRequest::networkExtrasAdditionalParameters); "_requestUrl" makes a slot
// load that URL as its ad.

#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADAdNetworkExtras.h"
#include "platform/base/Value.h"

namespace ads {

class GADExtras : public GADAdNetworkExtras {
  public:
    static constexpr const char* kClassName = "GADExtras";
    static constexpr const char* kUseOnceKey = "_useOnce";

    static std::shared_ptr<GADExtras> create(
        std::optional<platform::Value::Dictionary> additionalParameters = std::nullopt);

    std::string extrasClassName() const override { return kClassName; }

    const std::optional<platform::Value::Dictionary>& additionalParameters() const {
        return additionalParameters_;
    }
    void setAdditionalParameters(std::optional<platform::Value::Dictionary> parameters) {
        additionalParameters_ = std::move(parameters);
    }
    // Whether "_useOnce" is there and reads as true ("1", "YES", a true number).
    bool isUseOnce() const;

    std::shared_ptr<GADExtras> copy() const { return create(additionalParameters_); }

  private:
    struct Private {};

  public:
    explicit GADExtras(Private) {}

  private:
    std::optional<platform::Value::Dictionary> additionalParameters_;
};

}  // namespace ads
