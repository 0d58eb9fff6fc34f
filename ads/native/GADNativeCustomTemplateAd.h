#pragma once

// A custom template ad (ad type "3", server template 3): named text and image assets of a
// template the publisher designed. Ad object keys:
//   "custom_template_id"  a text (kept) or a number (kept as its decimal text); anything else
//                         makes no ad
//   "custom_assets"       entries {"name", "type": "string" | "image", "string_value",
//                         "image_value": image object}; an entry that is no object or lacks a
//                         name or a type is skipped. A text entry's name is available at once
//                         (its value only when it is a text); an image's name once its picture
//                         is ready. Images are required unless their object says "require":
//                         false; a failed required image fails the ad.
//
// The loader's request names the template ids the app's delegate gives
// (nativeCustomTemplateIDsForAdLoader); an ad whose template id was not asked for is refused.
//
// Custom clicks: performClickOnAssetWithKey runs the click through the support page; with a
// handler the page is told so and the handler waits for the page's "nativeAdCustomClick"
// message, then runs on the main loop. One click waits at a time (a second one is dropped and
// logged); a click the page leaves unanswered for kCustomClickTimeoutSeconds is dropped
// without its handler, so a silent page cannot block every later click.
//
// Threads: the pending handler is guarded by the ad's custom-click queue
// ("com.zivivu.durez.custom-template"); everything else is main-thread, like the base.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/native/GADAdLoaderDelegate.h"
#include "ads/native/GADNativeAd.h"
#include "platform/runtime/NotificationCenter.h"

namespace platform {
class SerialQueue;
class Timer;
}  // namespace platform

namespace ads {

class GADAdLoader;
class GADNativeAdImage;
class GADNativeCustomTemplateAd;

// What an app adopts to receive custom template ads.
class GADNativeCustomTemplateAdLoaderDelegate : public virtual GADAdLoaderDelegate {
  public:
    virtual void adLoaderDidReceiveNativeCustomTemplateAd(
        GADAdLoader& adLoader,
        const std::shared_ptr<GADNativeCustomTemplateAd>& nativeCustomTemplateAd) = 0;
    // The template ids to request: texts of digits, or numbers. Nothing requests none.
    virtual std::optional<platform::Value::Array> nativeCustomTemplateIDsForAdLoader(
        GADAdLoader& adLoader) {
        (void)adLoader;
        return std::nullopt;
    }
};

class GADNativeCustomTemplateAd : public GADNativeAd {
    struct Private {};

  public:
    using CustomClickHandler = std::function<void()>;

    static constexpr const char* kClassName = "GADNativeCustomTemplateAd";
    static constexpr double kCustomClickTimeoutSeconds = 5;

    // Nothing when "custom_template_id" is neither a text nor a number.
    static std::shared_ptr<GADNativeCustomTemplateAd> create(
        const platform::Value& adObject, const std::optional<GADAdLoaderOptionsMap>& options);
    // The format's class descriptor: request parameters from the delegate's template ids,
    // protocol GADNativeCustomTemplateAdLoaderDelegate.
    static GADAdLoadingClass loadingClass();
    // {"format": 3, "custom_template_ids": [...]}: texts kept (those that do not read as a
    // number logged, still kept), numbers as their decimal text, anything else logged and
    // dropped.
    static platform::Value::Dictionary requestParametersForTemplateIDs(
        const std::optional<platform::Value::Array>& templateIDs);

    GADNativeCustomTemplateAd(Private, std::string templateID,
                              const std::optional<platform::Value>& adObject,
                              const std::optional<GADAdLoaderOptionsMap>& options);
    ~GADNativeCustomTemplateAd() override;

    const std::string& templateID() const { return templateID_; }
    // Sorted regardless of case (ties by bytes).
    std::vector<std::string> availableAssetKeys() const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    // The ready picture of an image asset; nothing before it is ready.
    std::shared_ptr<GADNativeAdImage> imageForKey(const std::string& key) const;
    // "<GADNativeCustomTemplateAd: 0x..., availableAssetKeys:[a, b]>"
    std::string description() const;

    // See above; an unavailable key is logged and does nothing.
    void performClickOnAssetWithKey(const std::string& key, CustomClickHandler customClickHandler);
    // Whether a click with a handler waits for the page.
    bool hasPendingCustomClick() const;

    // Valid when the request's "custom_template_ids" hold the template id.
    bool hasValidConfigurationForRequestParameters(
        const std::optional<platform::Value::Dictionary>& requestParameters) const override;
    std::string clickActionTemplateID() const override { return "3"; }
    // The names of the required images.
    std::set<std::string> requiredAssets() const override;

    // The base's, then custom clicks are heard from the new slot's ad view only.
    void setSlot(const std::shared_ptr<GADSlot>& slot) override;
    // The page's answer to a custom click: the pending handler (if any) runs on the main loop.
    void handleNativeAdCustomClick();
    void removeCustomClickObserver();

  protected:
    void startLoadingAssets() override;

  private:
    void setImage(const std::shared_ptr<GADNativeAdImage>& image, const std::string& key);
    void loadImages(const std::map<std::string, std::shared_ptr<GADNativeAdImage>>& images);
    std::optional<CustomClickHandler> takePendingClick();
    void expirePendingClick(std::uint64_t click);

    bool disableImageLoading_ = false;
    std::unique_ptr<platform::SerialQueue> lockQueue_;
    std::map<std::string, std::shared_ptr<GADNativeAdImage>> optionalImages_;
    std::map<std::string, std::shared_ptr<GADNativeAdImage>> requiredImages_;
    std::map<std::string, std::shared_ptr<GADNativeAdImage>> imageAssets_;
    std::map<std::string, std::string> stringAssets_;
    std::set<std::string> availableAssetKeys_;
    // Guarded by lockQueue_: the waiting handler and the number of its click.
    std::optional<CustomClickHandler> customClickHandler_;
    std::uint64_t pendingClick_ = 0;
    std::uint64_t clickCount_ = 0;
    std::shared_ptr<platform::Timer> clickTimeout_;
    platform::NotificationCenter::Observation customClickObservation_;
    std::string templateID_;
};

}  // namespace ads
