#pragma once

// The view a publisher lays a content ad out in: its own subviews, registered under the asset
// names of the format (the property and its asset name),
//   headlineView       "1001"
//   bodyView           "1002"
//   callToActionView   "1003"
//   advertiserView     "1004"
//   imageView          "1005"
//   logoView           "1006"
// and the attribution badge's icon and text, "1007" and "1008". See GADNativeAdContainerView
// and GADNativeAdViewPolicy for what the view does with them.
//
// Main thread only. Made with create(), or by an interface file under its class name.

#include <memory>

#include "ads/native/GADNativeAdContainerView.h"

namespace ads {

class GADNativeContentAd;

class GADNativeContentAdView : public GADNativeAdContainerView {
    struct Private {};

  public:
    static constexpr const char* kClassName = "GADNativeContentAdView";

    static std::shared_ptr<GADNativeContentAdView> create(platform::Rect frame = {});
    GADNativeContentAdView(Private, platform::Rect frame);
    const char* className() const override { return kClassName; }
    // Puts the class in the class registry, so interface files can make it.
    static void registerClass();

    // The ad shown; setting it makes it the policy's delegate too.
    std::shared_ptr<GADNativeContentAd> nativeContentAd() const;
    void setNativeContentAd(const std::shared_ptr<GADNativeContentAd>& ad);

    std::shared_ptr<platform::ui::View> headlineView() const {
        return assetViewForOutlet("headlineView");
    }
    void setHeadlineView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("headlineView", view);
    }
    std::shared_ptr<platform::ui::View> bodyView() const { return assetViewForOutlet("bodyView"); }
    void setBodyView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("bodyView", view);
    }
    std::shared_ptr<platform::ui::View> callToActionView() const {
        return assetViewForOutlet("callToActionView");
    }
    void setCallToActionView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("callToActionView", view);
    }
    std::shared_ptr<platform::ui::View> advertiserView() const {
        return assetViewForOutlet("advertiserView");
    }
    void setAdvertiserView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("advertiserView", view);
    }
    std::shared_ptr<platform::ui::View> imageView() const {
        return assetViewForOutlet("imageView");
    }
    void setImageView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("imageView", view);
    }
    std::shared_ptr<platform::ui::View> logoView() const { return assetViewForOutlet("logoView"); }
    void setLogoView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("logoView", view);
    }
};

}  // namespace ads
