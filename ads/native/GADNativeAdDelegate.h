#pragma once

// What a native ad tells its app about the screens its clicks open. Every method is optional;
// called on the main thread; the ad holds its delegate weakly.

namespace ads {

class GADNativeAd;

class GADNativeAdDelegate {
  public:
    virtual ~GADNativeAdDelegate() = default;
    virtual void nativeAdWillPresentScreen(GADNativeAd&) {}
    virtual void nativeAdWillDismissScreen(GADNativeAd&) {}
    virtual void nativeAdDidDismissScreen(GADNativeAd&) {}
    virtual void nativeAdWillLeaveApplication(GADNativeAd&) {}
};

}  // namespace ads
