#pragma once

// The base of every native ad format: the server's ad object, its tracking URLs, the slot whose
// ad view holds the support page (clicks run through that page's script), the app's delegate
// and root view controller, and the bookkeeping of asset loading. It also picks the format
// class of a server configuration ({"ads": [ad object, ...]}, only the first object counts).
//
// Asset loading is one protocol for every format. loadAssetsWithCompletionHandler adds the
// handler and, for its first caller only, has the format start its assets (startLoadingAssets):
// the format names each asset it starts and reports each as finished or failed on the main
// thread. When every named asset is done the handlers are called with no error, in the order
// they came, each once; the first failed required asset calls them with the private code 11
// instead, and so does every later handler. A handler added after the outcome hears it on its
// own main-loop turn. Handlers are always called on the main thread.
//
// Threads: the handler list and the started flag are guarded by the ad's queue
// ("com.zivivu.durez.native-ad"), so loadAssetsWithCompletionHandler may be called on any
// thread; everything else (asset completions, clicks, impressions, slot events, the
// delegate) runs on the main thread. Made by a format's create(); the app and the loader
// keep it, everything deferred holds it weakly.

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/native/GADAdLoading.h"
#include "ads/slot/GADSlotDelegate.h"
#include "platform/base/Error.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"

namespace platform {
class SerialQueue;
namespace ui {
class View;
class ViewController;
}  // namespace ui
}  // namespace platform

namespace ads {

class GADNativeAdDelegate;
class GADSlot;

class GADNativeAd : public GADSlotAdEventDelegate,
                    public std::enable_shared_from_this<GADNativeAd> {
  public:
    using AssetCompletionHandler = std::function<void(const std::optional<platform::Error>&)>;

    ~GADNativeAd() override;
    GADNativeAd(const GADNativeAd&) = delete;
    GADNativeAd& operator=(const GADNativeAd&) = delete;

    // A copy of the first element of "ads" when "ads" is an array whose first element is an
    // object; nothing otherwise.
    static std::optional<platform::Value> firstAdObjectInAdConfigurationDictionary(
        const platform::Value& configuration);
    // The format class of the first ad object's "type" and "template_id" (a number or its
    // text; the text's leading integer counts); nothing when either is missing or unknown.
    static GADAdLoadingClass classFromAdConfigurationDictionary(
        const platform::Value& configuration);
    // The user default kGADNativeAdSupportURLKey when it is an http(s) address, else the ad
    // server's support page.
    static platform::Url supportHTMLURL();

    // Properties
    const std::optional<platform::Value>& adConfiguration() const { return adConfiguration_; }
    std::shared_ptr<GADNativeAdDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADNativeAdDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<platform::ui::ViewController> rootViewController() const {
        return rootViewController_.lock();
    }
    void setRootViewController(std::weak_ptr<platform::ui::ViewController> controller) {
        rootViewController_ = std::move(controller);
    }
    const std::string& adUnitID() const { return adUnitID_; }
    void setAdUnitID(std::string adUnitID) { adUnitID_ = std::move(adUnitID); }
    const std::string& adNetworkClassName() const { return adNetworkClassName_; }
    void setAdNetworkClassName(std::string name) { adNetworkClassName_ = std::move(name); }
    const std::optional<platform::Value::Dictionary>& extraAssets() const { return extraAssets_; }
    void setExtraAssets(std::optional<platform::Value::Dictionary> assets) {
        extraAssets_ = std::move(assets);
    }
    const std::shared_ptr<GADSlot>& slot() const { return slot_; }
    // Keeps the slot and becomes its ad event delegate.
    virtual void setSlot(const std::shared_ptr<GADSlot>& slot);
    // Web addresses only, each once, in the order given.
    const std::vector<platform::Url>& impressionTrackingURLs() const {
        return impressionTrackingURLs_;
    }
    const std::vector<platform::Url>& thirdPartyClickTrackingURLs() const {
        return thirdPartyClickTrackingURLs_;
    }
    const std::optional<std::string>& zivivuClickTrackingURLString() const {
        return zivivuClickTrackingURLString_;
    }
    const std::optional<platform::Value::Array>& clickActions() const { return clickActions_; }

    // What a format decides: whether the ad answers what its class asked for (yes here), its
    // click template ("" here) and the assets it cannot do without (none here).
    virtual bool hasValidConfigurationForRequestParameters(
        const std::optional<platform::Value::Dictionary>& requestParameters) const;
    virtual std::string clickActionTemplateID() const { return {}; }
    virtual std::set<std::string> requiredAssets() const { return {}; }

    // Runs a click of the asset through the support page: the environment (or {}) with "ad"
    // (the ad object) and "click" ({"template", "asset", "sdk_version"}). Nothing without an
    // asset name or an ad object.
    void performClickOnView(const std::shared_ptr<platform::ui::View>& view,
                            const std::string& assetName,
                            const std::optional<platform::Value::Dictionary>& environment);
    // The click message as the page gets it (JSON written by our writer, so it splices into a
    // script as it stands); nothing when it cannot be written.
    std::optional<std::string> clickMessageJSON(
        const std::string& assetName,
        const std::optional<platform::Value::Dictionary>& environment) const;
    // The first call pings the impression tracking URLs; later calls do nothing.
    void recordImpression();
    bool hasRecordedImpression() const { return hasRecordedImpression_; }

    // Asset loading (see above).
    void loadAssetsWithCompletionHandler(AssetCompletionHandler handler);
    // Yes to the first caller only.
    bool shouldLoadAssets();
    void addAssetWithNameToRequestedAssets(const std::string& name);
    void finishedLoadingAssetWithName(const std::optional<std::string>& name);
    void failedToLoadAssetWithName(const std::string& name);

    // Slot events, handed to the delegate on the main thread.
    void slotWillPresentScreen(GADSlot&) override;
    void slotWillDismissScreen(GADSlot&) override;
    void slotDidDismissScreen(GADSlot&) override;
    void slotWillLeaveApplication(GADSlot&) override;

  protected:
    // The server's ad object (kept as a copy); its "tracking_urls_and_actions" are read here.
    explicit GADNativeAd(const std::optional<platform::Value>& adObject);
    // A format starts its assets here (once per ad), naming each before it starts it.
    virtual void startLoadingAssets() {}

  private:
    void notifyLoadingDelegateIfAllRequestedAssetsHaveLoaded();
    void callAndClearAssetLoadCompletionHandlersWithError(
        const std::optional<platform::Error>& error);
    void tellDelegate(void (GADNativeAdDelegate::*callback)(GADNativeAd&));

    bool hasRecordedImpression_ = false;
    std::vector<platform::Url> impressionTrackingURLs_;
    std::set<std::string> requestedAssets_;
    std::set<std::string> completedAssets_;
    std::optional<platform::Error> requiredAssetError_;
    // Guarded by lockQueue_.
    bool assetLoadingStarted_ = false;
    std::vector<AssetCompletionHandler> assetLoadCompletionHandlers_;
    std::unique_ptr<platform::SerialQueue> lockQueue_;

    std::weak_ptr<GADNativeAdDelegate> delegate_;
    std::weak_ptr<platform::ui::ViewController> rootViewController_;
    std::optional<platform::Value::Dictionary> extraAssets_;
    std::string adNetworkClassName_;
    std::string adUnitID_;
    std::optional<platform::Value> adConfiguration_;
    std::shared_ptr<GADSlot> slot_;
    std::vector<platform::Url> thirdPartyClickTrackingURLs_;
    std::optional<std::string> zivivuClickTrackingURLString_;
    std::optional<platform::Value::Array> clickActions_;
};

}  // namespace ads
