#pragma once

// The publisher's ad request: a GADRequest with the publisher's own id for the user, values
// for its custom targeting and the ad categories it excludes. They go with the request's
// parameters: "ppid" (the id without its surrounding white space and line ends, when any text
// is left), "custom_targeting" and "category_exclusions" (when they have an entry), in place
// of base parameters of the same names. A copy is a ZORRequest with the three fields too.
//
// A value its creator owns, like GADRequest.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADRequest.h"

namespace ads {

class ZORRequest : public GADRequest {
  public:
    static std::shared_ptr<ZORRequest> request();
    explicit ZORRequest(Private p) : GADRequest(p) {}

    std::shared_ptr<GADRequest> copy() const override;
    const char* className() const override { return "ZORRequest"; }
    platform::Value::Dictionary parameters(const GADMainThreadFacts& facts) override;
    using GADRequest::parameters;

    const std::optional<std::string>& publisherProvidedID() const { return publisherProvidedID_; }
    void setPublisherProvidedID(std::optional<std::string> id) {
        publisherProvidedID_ = std::move(id);
    }
    const std::vector<std::string>& categoryExclusions() const { return categoryExclusions_; }
    void setCategoryExclusions(std::vector<std::string> exclusions) {
        categoryExclusions_ = std::move(exclusions);
    }
    const platform::Value::Dictionary& customTargeting() const { return customTargeting_; }
    void setCustomTargeting(platform::Value::Dictionary targeting) {
        customTargeting_ = std::move(targeting);
    }

    // Correlation is the publisher's to set on its ad views (their correlator): nothing to do.
    static void updateCorrelator() {}

  private:
    std::optional<std::string> publisherProvidedID_;
    std::vector<std::string> categoryExclusions_;
    platform::Value::Dictionary customTargeting_;
};

}  // namespace ads
