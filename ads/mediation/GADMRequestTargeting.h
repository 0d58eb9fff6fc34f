#pragma once

// The targeting getters every kind of connector answers from the publisher's request, written
// once: test mode, the network's extras, child-directed treatment, gender, birthday, keywords
// and the location, which an adapter sees only when the entry's credentials share it. The
// connector names its request, its adapter class and whether the location is shared; banner
// and interstitial connectors also demand a precise location (precisionRequired), rewarded
// ones take any. Main thread only, like the connectors.

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADRequest.h"
#include "ads/mediation/GADMUtilities.h"

namespace ads {

template <class Protocol>
class GADMRequestTargeting : public Protocol {
  protected:
    virtual std::shared_ptr<GADRequest> targetingRequest() const = 0;
    virtual std::optional<std::string> targetingAdapterClassName() const = 0;
    virtual bool isLocationShared() const = 0;
    virtual bool precisionRequired() const = 0;

    // What the adapter reads, through its protocol.
    bool testMode() const override {
        auto request = targetingRequest();
        return request && request->isATestDevice();
    }
    std::shared_ptr<const GADAdNetworkExtras> networkExtras() const override {
        return GADMUtilities::networkExtrasForAdapterClass(targetingAdapterClassName(),
                                                           targetingRequest().get());
    }
    std::optional<bool> childDirectedTreatment() const override {
        auto request = targetingRequest();
        return request ? request->childDirectedTreatment() : std::nullopt;
    }
    std::int64_t userGender() const override {
        auto request = targetingRequest();
        return request ? request->gender() : kGADGenderUnknown;
    }
    std::optional<platform::Date> userBirthday() const override {
        auto request = targetingRequest();
        return request ? request->birthday() : std::nullopt;
    }
    std::optional<std::vector<std::string>> userKeywords() const override {
        auto request = targetingRequest();
        return request ? request->keywords() : std::nullopt;
    }
    bool userHasLocation() const override { return usableLocation().has_value(); }
    double userLatitude() const override {
        auto location = usableLocation();
        return location ? location->latitude() : 0.0;
    }
    double userLongitude() const override {
        auto location = usableLocation();
        return location ? location->longitude() : 0.0;
    }
    double userLocationAccuracyInMeters() const override {
        auto location = usableLocation();
        return location ? location->accuracy() : 0.0;
    }
    // The description needs no precision: a place's name is useful without coordinates.
    std::optional<std::string> userLocationDescription() const override {
        auto location = sharedLocation();
        if (!location) return std::nullopt;
        return location->locationDescription();
    }

  private:
    std::optional<GADLocation> sharedLocation() const {
        if (!isLocationShared()) return std::nullopt;
        auto request = targetingRequest();
        if (!request) return std::nullopt;
        return request->location();
    }
    std::optional<GADLocation> usableLocation() const {
        auto location = sharedLocation();
        if (!location || !precisionRequired()) return location;
        const double latitude = std::fabs(location->latitude());
        const double longitude = std::fabs(location->longitude());
        // Either coordinate at zero is how a location that was never set arrives.
        if (latitude <= 90 && longitude <= 180 && latitude > GADLocation::kEpsilon &&
            longitude > GADLocation::kEpsilon)
            return location;
        return std::nullopt;
    }
};

}  // namespace ads
