#include "ads/foundation/GADBannerAd.h"

namespace ads {

std::shared_ptr<GADBannerAd> GADBannerAd::create() {
    return std::make_shared<GADBannerAd>(Private{});
}

}  // namespace ads
