#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdSize.h"
#include "ads/slot/GADSlot.h"

namespace ads {

void GADSlot::updateContentSize(platform::Size size) {
    const std::shared_ptr<GADAd>& sized = ad_ ? ad_ : loadingAd_;
    if (!(sized && sized->fluid())) {
        size = sized && sized->customAdSizeString()
                   ? CGSizeFromGADAdSizeString(*sized->customAdSizeString())
                   : platform::Size{};
    }
    if (auto delegate = slotDelegate()) delegate->slotContentSizeDidChange(*this, size);
}

}  // namespace ads
