#include "ads/mediation/GADMNativeAdapterHooks.h"

namespace ads {

GADMNativeAdapterHooks& nativeAdapterHooks() {
    static GADMNativeAdapterHooks hooks;
    return hooks;
}

}  // namespace ads
