#pragma once

// A content ad (ad type "1", server template 1): a headline and a body (both required), a call
// to action, an advertiser, images and a logo. Ad object keys: "headline", "body",
// "call_to_action", "advertiser" (texts), "images", "secondary_image" (image object: the logo),
// "attribution"; see GADNativeImageAd for the pictures. A failed logo or image is left out
// silently; a failed attribution fails the ad.
//
// Main thread only. Made by its class (loadingClass()) from the server's ad object, or from an
// adapter's mediated ad.

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "ads/native/GADAdLoaderDelegate.h"
#include "ads/native/GADNativeImageAd.h"

namespace ads {

class GADAdLoader;
class GADMediatedNativeAd;
class GADNativeContentAd;

// What an app adopts to receive content ads.
class GADNativeContentAdLoaderDelegate : public virtual GADAdLoaderDelegate {
  public:
    virtual void adLoaderDidReceiveNativeContentAd(
        GADAdLoader& adLoader, const std::shared_ptr<GADNativeContentAd>& nativeContentAd) = 0;
};

class GADNativeContentAd : public GADNativeImageAd {
    struct Private {};

  public:
    static constexpr const char* kClassName = "GADNativeContentAd";

    // Nothing when "headline" or "body" is missing (or no text).
    static std::shared_ptr<GADNativeContentAd> create(
        const platform::Value& adObject, const std::optional<GADAdLoaderOptionsMap>& options);
    // From an adapter's ad that adopts the mediated content protocol; nothing when it does not
    // or lacks a headline or a body. Its images show as given, its logo is kept.
    static std::shared_ptr<GADNativeContentAd> createWithMediatedNativeAd(
        const std::shared_ptr<GADMediatedNativeAd>& mediatedNativeAd,
        const std::optional<GADAdLoaderOptionsMap>& options);
    // The format's class descriptor: request {"format": 1}, protocol
    // GADNativeContentAdLoaderDelegate.
    static GADAdLoadingClass loadingClass();

    GADNativeContentAd(Private, const std::optional<platform::Value>& adObject,
                       const std::optional<GADAdLoaderOptionsMap>& options);

    std::optional<std::string> headline() const { return headline_; }
    std::optional<std::string> body() const { return body_; }
    std::optional<std::string> callToAction() const { return callToAction_; }
    std::optional<std::string> advertiser() const { return advertiser_; }
    std::shared_ptr<GADNativeAdImage> logo() const { return logo_; }

    std::string clickActionTemplateID() const override { return "1"; }
    // "headline", "body", and "attribution" when there is one.
    std::set<std::string> requiredAssets() const override;

  protected:
    std::shared_ptr<GADNativeAdImage> ownImage() const override { return logo_; }
    std::string ownImageAssetName() const override { return "logo"; }

  private:
    std::optional<std::string> headline_;
    std::optional<std::string> body_;
    std::optional<std::string> callToAction_;
    std::shared_ptr<GADNativeAdImage> logo_;
    std::optional<std::string> advertiser_;
};

}  // namespace ads
