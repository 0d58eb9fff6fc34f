#pragma once

// The view a publisher lays an app install ad out in: its own subviews, registered under the asset
// names of the format (the property and its asset name),
//   headlineView       "2001"
//   callToActionView   "2002"
//   iconView           "2003"
//   bodyView           "2004"
//   storeView          "2005"
//   priceView          "2006"
//   imageView          "2007"
//   starRatingView     "2008"
// and the attribution badge's icon and text, "2009" and "2010". See GADNativeAdContainerView
// and GADNativeAdViewPolicy for what the view does with them.
//
// Main thread only. Made with create(), or by an interface file under its class name.

#include <memory>

#include "ads/native/GADNativeAdContainerView.h"

namespace ads {

class GADNativeAppInstallAd;

class GADNativeAppInstallAdView : public GADNativeAdContainerView {
    struct Private {};

  public:
    static constexpr const char* kClassName = "GADNativeAppInstallAdView";

    static std::shared_ptr<GADNativeAppInstallAdView> create(platform::Rect frame = {});
    GADNativeAppInstallAdView(Private, platform::Rect frame);
    const char* className() const override { return kClassName; }
    // Puts the class in the class registry, so interface files can make it.
    static void registerClass();

    // The ad shown; setting it makes it the policy's delegate too.
    std::shared_ptr<GADNativeAppInstallAd> nativeAppInstallAd() const;
    void setNativeAppInstallAd(const std::shared_ptr<GADNativeAppInstallAd>& ad);

    std::shared_ptr<platform::ui::View> headlineView() const {
        return assetViewForOutlet("headlineView");
    }
    void setHeadlineView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("headlineView", view);
    }
    std::shared_ptr<platform::ui::View> callToActionView() const {
        return assetViewForOutlet("callToActionView");
    }
    void setCallToActionView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("callToActionView", view);
    }
    std::shared_ptr<platform::ui::View> iconView() const { return assetViewForOutlet("iconView"); }
    void setIconView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("iconView", view);
    }
    std::shared_ptr<platform::ui::View> bodyView() const { return assetViewForOutlet("bodyView"); }
    void setBodyView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("bodyView", view);
    }
    std::shared_ptr<platform::ui::View> storeView() const {
        return assetViewForOutlet("storeView");
    }
    void setStoreView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("storeView", view);
    }
    std::shared_ptr<platform::ui::View> priceView() const {
        return assetViewForOutlet("priceView");
    }
    void setPriceView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("priceView", view);
    }
    std::shared_ptr<platform::ui::View> imageView() const {
        return assetViewForOutlet("imageView");
    }
    void setImageView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("imageView", view);
    }
    std::shared_ptr<platform::ui::View> starRatingView() const {
        return assetViewForOutlet("starRatingView");
    }
    void setStarRatingView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetViewForOutlet("starRatingView", view);
    }
};

}  // namespace ads
