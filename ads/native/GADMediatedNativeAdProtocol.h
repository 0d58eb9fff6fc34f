#pragma once

// What a mediated network's native ad object offers the SDK. An adapter that serves native ads
// answers its connector with an object of its own class adopting GADMediatedNativeContentAd,
// GADMediatedNativeAppInstallAd or both (an object of both becomes an app install ad); the
// loader turns it into the app's GADNativeContentAd or GADNativeAppInstallAd and reports the
// app's impressions, clicks and renderings back to the object's mediatedNativeAdDelegate.
// Conformance is a cast; the format protocols share one virtual base, so an object adopting
// both is still one GADMediatedNativeAdProtocol. The SDK's own native ads adopt the base
// protocol too (GADNativeAd), which is how they travel through mediation.
//
// The object hands the pointer it passes to adapterDidReceiveMediatedNativeAd as a
// shared_ptr<GADMediatedNativeAdProtocol> (the connector's callback takes it opaque). Its
// screen events go out as notifications (postMediatedNativeAdNotification) whose object is
// the ad itself; they may be posted on any thread, and the app's delegate hears them on the
// main thread.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Decimal.h"
#include "platform/base/Value.h"

namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

namespace ads {

class GADNativeAdImage;
class GADMediatedNativeAdProtocol;

// The four screen events an adapter posts with its mediated ad as object.
inline constexpr const char* kGADMediatedNativeAdWillPresentScreenNotification =
    "GADMediatedNativeAdWillPresentScreenNotification";
inline constexpr const char* kGADMediatedNativeAdWillDismissScreenNotification =
    "GADMediatedNativeAdWillDismissScreenNotification";
inline constexpr const char* kGADMediatedNativeAdDidDismissScreenNotification =
    "GADMediatedNativeAdDidDismissScreenNotification";
inline constexpr const char* kGADMediatedNativeAdWillLeaveApplicationNotification =
    "GADMediatedNativeAdWillLeaveApplicationNotification";

// What the network hears of its ad; every method is optional.
class GADMediatedNativeAdDelegate {
  public:
    virtual ~GADMediatedNativeAdDelegate() = default;
    virtual void mediatedNativeAdDidRecordImpression(GADMediatedNativeAdProtocol&) {}
    virtual void mediatedNativeAdDidRecordClickOnAssetWithName(
        GADMediatedNativeAdProtocol&, const std::string& assetName,
        const std::shared_ptr<platform::ui::View>& view,
        const std::shared_ptr<platform::ui::ViewController>& viewController) {
        (void)assetName;
        (void)view;
        (void)viewController;
    }
    virtual void mediatedNativeAdDidRenderInView(GADMediatedNativeAdProtocol&,
                                                 const std::shared_ptr<platform::ui::View>& view) {
        (void)view;
    }
};

class GADMediatedNativeAdProtocol {
  public:
    virtual ~GADMediatedNativeAdProtocol() = default;
    // Nothing when the network wants no reports.
    virtual std::shared_ptr<GADMediatedNativeAdDelegate> mediatedNativeAdDelegate() const = 0;
    virtual const std::optional<platform::Value::Dictionary>& extraAssets() const = 0;
};

class GADMediatedNativeAppInstallAd : public virtual GADMediatedNativeAdProtocol {
  public:
    virtual std::optional<std::string> headline() const = 0;
    virtual std::vector<std::shared_ptr<GADNativeAdImage>> images() const = 0;
    virtual std::optional<std::string> body() const = 0;
    virtual std::shared_ptr<GADNativeAdImage> icon() const = 0;
    virtual std::optional<std::string> callToAction() const = 0;
    virtual std::optional<platform::Decimal> starRating() const = 0;
    virtual std::optional<std::string> store() const = 0;
    virtual std::optional<std::string> price() const = 0;
};

class GADMediatedNativeContentAd : public virtual GADMediatedNativeAdProtocol {
  public:
    virtual std::optional<std::string> headline() const = 0;
    virtual std::optional<std::string> body() const = 0;
    virtual std::vector<std::shared_ptr<GADNativeAdImage>> images() const = 0;
    virtual std::shared_ptr<GADNativeAdImage> logo() const = 0;
    virtual std::optional<std::string> callToAction() const = 0;
    virtual std::optional<std::string> advertiser() const = 0;
};

// Posts one of the four screen events for the ad, from any thread.
void postMediatedNativeAdNotification(const char* name, const GADMediatedNativeAdProtocol& ad);
// The identity a notification about the ad carries (its most derived object's address).
const void* GADMediatedNativeAdNotificationObject(const GADMediatedNativeAdProtocol& ad);

}  // namespace ads
