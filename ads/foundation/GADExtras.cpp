#include "ads/foundation/GADExtras.h"

namespace ads {

std::shared_ptr<GADExtras> GADExtras::create(
    std::optional<platform::Value::Dictionary> additionalParameters) {
    auto extras = std::make_shared<GADExtras>(Private{});
    extras->additionalParameters_ = std::move(additionalParameters);
    return extras;
}

bool GADExtras::isUseOnce() const {
    if (!additionalParameters_) return false;
    auto found = additionalParameters_->find(kUseOnceKey);
    return found != additionalParameters_->end() && found->second.boolValue();
}

}  // namespace ads
