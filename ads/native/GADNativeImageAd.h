#pragma once

// What content and app install ads share: a row of images, one picture of their own (the
// content ad's logo, the app install ad's icon), an attribution badge and a hidden overlay web
// view the view policy lays over the ad's container. The subclasses read their texts and say
// which assets they need; this class reads the pictures and loads them.
//
// Ad object keys read here: "images" (image objects; every entry with the image options'
// shouldRequestMultipleImages, else the first only) and "attribution" (an attribution object;
// always made, defaults without the key). The image options are the loader's
// GADNativeAdImageAdLoaderOptions copy.
//
// Loading (once per ad): with image loading on, the own picture (when there is one) loads
// under its name ("logo" or "icon") and each image under "<address>:<URL>", so two entries
// with one URL stay two assets; a loaded image joins images() in the order the images finished,
// a failed one is left out. With image loading off every configured image shows at once,
// unloaded, and the own picture is not loaded. The attribution's icons load under
// "attribution". Whether a failure fails the ad is the subclass's requiredAssets().
//
// Main thread only, like the base's asset completions.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/native/GADAdLoading.h"
#include "ads/native/GADNativeAd.h"
#include "ads/native/GADNativeAdViewPolicyDelegate.h"

namespace ads {

class GADNativeAdAttribution;
class GADNativeAdImage;
class GADNativeAdImageAdLoaderOptions;
class GADOverlayView;

class GADNativeImageAd : public GADNativeAd,
                         public GADNativeAdViewPolicyDelegate,
                         public GADOverlayViewSource,
                         public GADNativeAdSourceAttributing {
  public:
    ~GADNativeImageAd() override;

    // The images ready to show, in the order they finished loading (all configured ones at
    // once with image loading off).
    const std::vector<std::shared_ptr<GADNativeAdImage>>& images() const {
        return availableNativeAdImages_;
    }
    // The images the ad object named, loaded or not.
    const std::vector<std::shared_ptr<GADNativeAdImage>>& configuredImages() const {
        return nativeAdImages_;
    }
    bool disableImageLoading() const { return disableImageLoading_; }

    std::shared_ptr<GADOverlayView> overlayView() const override { return overlayView_; }
    std::shared_ptr<GADNativeAdAttribution> attribution() const override { return attribution_; }
    void setAttribution(std::shared_ptr<GADNativeAdAttribution> attribution) {
        attribution_ = std::move(attribution);
    }

    // The base's, then the overlay hears the slot's ad view.
    void setSlot(const std::shared_ptr<GADSlot>& slot) override;
    void nativeAdViewPolicyDidStartTrackingView(
        GADNativeAdViewPolicy& policy, const std::shared_ptr<platform::ui::View>& view) override;

    // The loader's image options among its option copies; nothing when there are none.
    static const GADNativeAdImageAdLoaderOptions* imageOptions(
        const std::optional<GADAdLoaderOptionsMap>& options);
    // The asset name of one configured image: "<address>:<URL>".
    static std::string imageAssetName(const GADNativeAdImage& image);

  protected:
    // Reads "images" and "attribution" of the ad object (or nothing, for a mediated ad, which
    // gets neither an attribution nor an overlay) and makes the hidden overlay view.
    GADNativeImageAd(const std::optional<platform::Value>& adObject,
                     const std::optional<GADAdLoaderOptionsMap>& options);

    // The ad's own picture and the asset name it loads under ("logo" or "icon").
    virtual std::shared_ptr<GADNativeAdImage> ownImage() const = 0;
    virtual std::string ownImageAssetName() const = 0;

    void startLoadingAssets() override;

    bool disableImageLoading_ = false;
    std::vector<std::shared_ptr<GADNativeAdImage>> nativeAdImages_;
    std::vector<std::shared_ptr<GADNativeAdImage>> availableNativeAdImages_;
    std::shared_ptr<GADOverlayView> overlayView_;
    std::shared_ptr<GADNativeAdAttribution> attribution_;
};

}  // namespace ads
