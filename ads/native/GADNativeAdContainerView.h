#pragma once

// What the two native ad views (GADNativeContentAdView, GADNativeAppInstallAdView) share: a
// view that owns one GADNativeAdViewPolicy, keeps the publisher's asset views weakly under the
// names of its format's table, and tells the policy of its layout passes and moves. An
// interface file can make it by its class name and bind its asset views by outlet name (the
// subviews' "outlet" keys: "headlineView", "bodyView", ...).
//
// Main thread only. Made with a subclass's create(), which runs commonInit.

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/InterfaceOwner.h"
#include "platform/ui/View.h"

namespace ads {

class GADNativeAd;
class GADNativeAdViewPolicy;
class GADNativeAdViewPolicyDelegate;

class GADNativeAdContainerView : public platform::ui::View, public platform::ui::InterfaceOwner {
  public:
    // One asset view of the format: its outlet (property) name and its asset name.
    struct AssetSlot {
        const char* outletName;
        const char* assetName;
    };

    ~GADNativeAdContainerView() override;

    // The policy, for what it shows and tracks (the badge, the overlay, the monitor).
    const GADNativeAdViewPolicy& nativeAdViewPolicy() const { return *nativeAdViewPolicy_; }

    // The view under an outlet name of the table, or nothing.
    std::shared_ptr<platform::ui::View> assetViewForOutlet(const std::string& outletName) const;
    // Registers the view under the outlet's asset name; false for a name not in the table.
    bool setAssetViewForOutlet(const std::string& outletName,
                               const std::shared_ptr<platform::ui::View>& view);

    void layoutSubviews() override;
    void didMoveToSuperview() override;

    // Interface files: asset views bind by outlet name; the container has no actions.
    BindResult bindOutlet(const std::string& name,
                          const std::shared_ptr<platform::ui::View>& view) override;
    bool hasAction(const std::string&) const override { return false; }
    void performAction(const std::string&, platform::ui::Control*) override {}
    std::string ownerName() const override { return className(); }

  protected:
    GADNativeAdContainerView(platform::Rect frame, std::vector<AssetSlot> slots,
                             std::string attributionIconAssetName,
                             std::string attributionTextAssetName);
    // Makes the policy with the container and its attribution names; create() calls it.
    void commonInit();

    // The ad shown: the policy's, made its delegate too.
    std::shared_ptr<GADNativeAd> nativeAd() const;
    void setNativeAd(const std::shared_ptr<GADNativeAd>& ad,
                     std::weak_ptr<GADNativeAdViewPolicyDelegate> delegate);

  private:
    struct Field {
        AssetSlot slot;
        std::weak_ptr<platform::ui::View> view;
    };

    std::vector<Field> fields_;
    std::string attributionIconAssetName_;
    std::string attributionTextAssetName_;
    std::shared_ptr<GADNativeAdViewPolicy> nativeAdViewPolicy_;
};

}  // namespace ads
