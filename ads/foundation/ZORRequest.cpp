#include "ads/foundation/ZORRequest.h"

#include "ads/foundation/GADStringAdditions.h"

namespace ads {

using platform::Value;

std::shared_ptr<ZORRequest> ZORRequest::request() {
    return std::make_shared<ZORRequest>(Private{});
}

std::shared_ptr<GADRequest> ZORRequest::copy() const {
    auto copy = std::make_shared<ZORRequest>(Private{});
    copyInto(*copy);
    copy->publisherProvidedID_ = publisherProvidedID_;
    copy->categoryExclusions_ = categoryExclusions_;
    copy->customTargeting_ = customTargeting_;
    return copy;
}

Value::Dictionary ZORRequest::parameters(const GADMainThreadFacts& facts) {
    Value::Dictionary parameters = GADRequest::parameters(facts);
    if (publisherProvidedID_) {
        std::string id = gad_stringByTrimmingWhitespaceAndNewlines(*publisherProvidedID_);
        if (!id.empty()) parameters["ppid"] = Value(std::move(id));
    }
    if (!customTargeting_.empty()) parameters["custom_targeting"] = Value(customTargeting_);
    if (!categoryExclusions_.empty()) {
        Value::Array exclusions(categoryExclusions_.begin(), categoryExclusions_.end());
        parameters["category_exclusions"] = Value(std::move(exclusions));
    }
    return parameters;
}

}  // namespace ads
