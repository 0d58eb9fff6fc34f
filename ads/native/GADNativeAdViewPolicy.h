#pragma once

// Everything a native ad view (GADNativeContentAdView, GADNativeAppInstallAdView) decides for
// itself: it puts the ad's attribution badge in the container's top-right corner, keeps the
// ad's overlay view over the container (topmost) and the badge over the publisher's subviews,
// turns a tap on a registered asset view into a click on the ad, and records the ad's
// impression as soon as the container can be seen.
//
// Asset views: the container registers each publisher view under its asset name. The map
// keeps the order of registration and holds the views weakly: a view that is gone is skipped
// (and forgotten) by the tap walk and the click environment.
//
// A tap: on the visible badge it is a click on the attribution icon (on the icon view) or on
// the attribution text (anywhere else on it); otherwise the first registered view, in order,
// that is not hidden and whose frame holds the point. The click carries the environment
//   "click_point"            {"x", "y"}: the tap in the container's coordinates
//   "native_view_rectangle"  where the container shows in its window ({"x", "y", "width",
//                            "height"})
//   "view_rectangles"        asset name -> each registered view's frame in the container's
//                            coordinates, and the badge's icon and text views while the badge
//                            shows
// A tap on nothing registered clicks nothing.
//
// Impression: every layout pass and move of the container, until the ad has recorded its
// impression, either records it at once (some of the container shows) or starts one active
// view monitor, which records it at the first sample that finds the container visible. The ad
// hears that its view is tracked (GADNativeAdViewPolicyDelegate) once per ad.
//
// Main thread only. Made with create() by its container, which owns it; it holds the container,
// the overlay view and the asset views weakly, and owns the badge and the ad.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ads/slot/GADActiveViewMonitor.h"
#include "platform/base/Geometry.h"
#include "platform/base/Value.h"

namespace platform::ui {
class View;
}

namespace ads {

class GADNativeAd;
class GADNativeAdAttributionView;
class GADNativeAdViewPolicyDelegate;

class GADNativeAdViewPolicy : public GADActiveViewMonitorDelegate,
                              public std::enable_shared_from_this<GADNativeAdViewPolicy> {
    struct Private {};

  public:
    // Nothing without a container or either attribution asset name. Adds the hidden badge and
    // the tap recognizers to the container and lets it take touches.
    static std::shared_ptr<GADNativeAdViewPolicy> create(
        const std::shared_ptr<platform::ui::View>& adView,
        const std::string& attributionIconAssetName, const std::string& attributionTextAssetName);
    GADNativeAdViewPolicy(Private, const std::shared_ptr<platform::ui::View>& adView,
                          std::string attributionIconAssetName,
                          std::string attributionTextAssetName);
    ~GADNativeAdViewPolicy() override;
    GADNativeAdViewPolicy(const GADNativeAdViewPolicy&) = delete;
    GADNativeAdViewPolicy& operator=(const GADNativeAdViewPolicy&) = delete;

    const std::shared_ptr<GADNativeAd>& nativeAd() const { return nativeAd_; }
    // Another ad: its badge, its overlay (an ad without one removes the one installed), the
    // stacking. The same ad again changes nothing.
    void setNativeAd(const std::shared_ptr<GADNativeAd>& nativeAd);
    std::shared_ptr<GADNativeAdViewPolicyDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADNativeAdViewPolicyDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // Registers `view` under `name` and stores it in the container's field; the view already
    // in the field is forgotten. The same view again changes nothing; an empty view or name
    // registers nothing.
    void replaceAssetWithName(const std::string& name,
                              const std::shared_ptr<platform::ui::View>& view,
                              std::weak_ptr<platform::ui::View>& field);

    // The container's layout and moves.
    void adViewDidLayoutSubviews();
    void adViewDidMoveToSuperview();

    // A tap at the point (container coordinates), as the tap recognizer reports it.
    void handleTapAtPoint(platform::Point point);
    // The click environment of a tap at the point (see above).
    platform::Value::Dictionary tapHandlingEnvironmentWithTapLocation(platform::Point point);

    void activeViewMonitorDidRefresh(GADActiveViewMonitor& monitor) override;

    const std::shared_ptr<GADNativeAdAttributionView>& attributionView() const {
        return attributionView_;
    }
    std::shared_ptr<platform::ui::View> overlayView() const { return overlayView_.lock(); }
    // The monitor while one waits for the container to show.
    const std::shared_ptr<GADActiveViewMonitor>& impressionMonitor() const {
        return impressionMonitor_;
    }
    // The registered views still alive, in registration order, with their names (the dead
    // ones are dropped on the way).
    std::vector<std::pair<std::shared_ptr<platform::ui::View>, std::string>> assetViews() const;

  private:
    struct Asset {
        std::weak_ptr<platform::ui::View> view;
        std::string name;
    };

    void addAttributionViewAndUserInteractionToAdView();
    void updateAttributionView();
    void updateOverlay();
    void orderViews();
    // The badge at its size in the container's top-right corner.
    void placeAttributionView();
    void checkForImpression();
    void startImpressionMonitoring();
    void stopImpressionMonitoring();
    void recordImpression();
    // The view's frame in the container's coordinates.
    platform::Rect rectInAdView(const platform::ui::View& view) const;
    bool attributionShows() const;

    std::weak_ptr<platform::ui::View> adView_;
    std::shared_ptr<GADNativeAdAttributionView> attributionView_;
    std::weak_ptr<platform::ui::View> overlayView_;
    // Dead entries go whenever the map is read.
    mutable std::vector<Asset> assetViewAssetNames_;
    std::string attributionIconAssetName_;
    std::string attributionTextAssetName_;
    std::shared_ptr<GADActiveViewMonitor> impressionMonitor_;
    std::weak_ptr<GADNativeAdViewPolicyDelegate> delegate_;
    std::shared_ptr<GADNativeAd> nativeAd_;
    // The ad shown was told that its view is tracked.
    bool trackingReported_ = false;
};

}  // namespace ads
