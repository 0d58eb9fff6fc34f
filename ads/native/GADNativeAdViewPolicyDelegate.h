#pragma once

// What a native ad view's policy needs of the content and app install ads it shows, as three
// small protocols: the ad hears when the policy starts tracking the publisher's view (a
// mediated ad tells its adapter it was rendered), hands over the overlay web view the policy
// lays over the container, and hands over its attribution badge's looks. Main thread only.

#include <memory>

namespace platform::ui {
class View;
}

namespace ads {

class GADNativeAdAttribution;
class GADNativeAdViewPolicy;
class GADOverlayView;

class GADNativeAdViewPolicyDelegate {
  public:
    virtual ~GADNativeAdViewPolicyDelegate() = default;
    virtual void nativeAdViewPolicyDidStartTrackingView(
        GADNativeAdViewPolicy& policy, const std::shared_ptr<platform::ui::View>& view) = 0;
};

class GADOverlayViewSource {
  public:
    virtual ~GADOverlayViewSource() = default;
    // Nothing for an ad without one (mediated ads).
    virtual std::shared_ptr<GADOverlayView> overlayView() const = 0;
};

class GADNativeAdSourceAttributing {
  public:
    virtual ~GADNativeAdSourceAttributing() = default;
    // Nothing for an ad without one (mediated ads).
    virtual std::shared_ptr<GADNativeAdAttribution> attribution() const = 0;
};

}  // namespace ads
