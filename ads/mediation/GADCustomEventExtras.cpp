#include "ads/mediation/GADCustomEventExtras.h"

#include "ads/foundation/GADLogger.h"

namespace ads {

void GADCustomEventExtras::setExtras(std::optional<platform::Value::Dictionary> extras,
                                     const std::optional<std::string>& label) {
    if (!label) {
        GADLogger::sharedInstance().logPublicMessage("Must specify a label for extras.");
        return;
    }
    if (extras) {
        extras_[*label] = std::move(*extras);
    } else {
        extras_.erase(*label);
    }
}

std::optional<platform::Value::Dictionary> GADCustomEventExtras::extrasForLabel(
    const std::optional<std::string>& label) const {
    if (!label) return std::nullopt;
    const auto found = extras_.find(*label);
    if (found == extras_.end()) return std::nullopt;
    return found->second;
}

}  // namespace ads
