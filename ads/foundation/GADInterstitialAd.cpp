#include "ads/foundation/GADInterstitialAd.h"

namespace ads {

std::shared_ptr<GADInterstitialAd> GADInterstitialAd::create() {
    return std::make_shared<GADInterstitialAd>(Private{});
}

}  // namespace ads
