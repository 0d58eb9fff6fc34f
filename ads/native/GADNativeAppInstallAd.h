#pragma once

// An app install ad (ad type "2", server template 2): a headline, a call to action and an app
// icon (all three required), a body, the store, the price, a star rating, images. Ad object
// keys: "headline", "call_to_action", "body", "store", "price" (texts), "rating" (a number,
// kept exactly; 0 when missing), "images", "app_icon" (image object), "attribution"; see
// GADNativeImageAd for the pictures. A failed icon or attribution fails the ad; a failed image
// is left out.
//
// Main thread only. Made by its class (loadingClass()) from the server's ad object, or from an
// adapter's mediated ad.

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "ads/native/GADAdLoaderDelegate.h"
#include "ads/native/GADNativeImageAd.h"
#include "platform/base/Decimal.h"

namespace ads {

class GADAdLoader;
class GADMediatedNativeAd;
class GADNativeAppInstallAd;

// What an app adopts to receive app install ads.
class GADNativeAppInstallAdLoaderDelegate : public virtual GADAdLoaderDelegate {
  public:
    virtual void adLoaderDidReceiveNativeAppInstallAd(
        GADAdLoader& adLoader,
        const std::shared_ptr<GADNativeAppInstallAd>& nativeAppInstallAd) = 0;
};

class GADNativeAppInstallAd : public GADNativeImageAd {
    struct Private {};

  public:
    static constexpr const char* kClassName = "GADNativeAppInstallAd";

    // Nothing when "headline", "call_to_action" or a usable "app_icon" is missing.
    static std::shared_ptr<GADNativeAppInstallAd> create(
        const platform::Value& adObject, const std::optional<GADAdLoaderOptionsMap>& options);
    // From an adapter's ad that adopts the mediated app install protocol; nothing when it does
    // not or lacks a headline, a call to action or an icon. Its images show as given; only its
    // icon is loaded (at once when it already has a picture).
    static std::shared_ptr<GADNativeAppInstallAd> createWithMediatedNativeAd(
        const std::shared_ptr<GADMediatedNativeAd>& mediatedNativeAd,
        const std::optional<GADAdLoaderOptionsMap>& options);
    // The format's class descriptor: request {"format": 2}, protocol
    // GADNativeAppInstallAdLoaderDelegate.
    static GADAdLoadingClass loadingClass();

    GADNativeAppInstallAd(Private, const std::optional<platform::Value>& adObject,
                          const std::optional<GADAdLoaderOptionsMap>& options);

    std::optional<std::string> headline() const { return headline_; }
    std::optional<std::string> callToAction() const { return callToAction_; }
    std::shared_ptr<GADNativeAdImage> icon() const { return icon_; }
    std::optional<std::string> body() const { return body_; }
    std::optional<std::string> store() const { return store_; }
    std::optional<std::string> price() const { return price_; }
    platform::Decimal starRating() const { return starRating_; }

    std::string clickActionTemplateID() const override { return "2"; }
    // "headline", "callToAction", "icon", and "attribution" when there is one.
    std::set<std::string> requiredAssets() const override;

  protected:
    std::shared_ptr<GADNativeAdImage> ownImage() const override { return icon_; }
    std::string ownImageAssetName() const override { return "icon"; }

  private:
    std::optional<std::string> headline_;
    std::optional<std::string> callToAction_;
    std::shared_ptr<GADNativeAdImage> icon_;
    std::optional<std::string> body_;
    std::optional<std::string> store_;
    std::optional<std::string> price_;
    platform::Decimal starRating_;
};

}  // namespace ads
