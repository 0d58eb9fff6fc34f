#include "ads/native/GADNativeImageAd.h"

#include <cstdio>

#include "ads/native/GADAdLoaderOptions.h"
#include "ads/native/GADNativeAdAttribution.h"
#include "ads/native/GADNativeAdImage.h"
#include "ads/native/GADOverlayView.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

using platform::Value;

GADNativeImageAd::GADNativeImageAd(const std::optional<Value>& adObject,
                                   const std::optional<GADAdLoaderOptionsMap>& options)
    : GADNativeAd(adObject) {
    const auto* imageOptions = GADNativeImageAd::imageOptions(options);
    disableImageLoading_ = imageOptions && imageOptions->disableImageLoading;
    if (!adObject) return;
    if (auto images = GADNativeAdImage::nativeAdImagesFromImageConfigurationArray(
            adObject->get("images"), imageOptions))
        nativeAdImages_ = std::move(*images);
    const Value* attribution = adObject->find("attribution");
    attribution_ = GADNativeAdAttribution::create(attribution);
    overlayView_ = GADOverlayView::create();
    overlayView_->setHidden(true);
}

GADNativeImageAd::~GADNativeImageAd() = default;

const GADNativeAdImageAdLoaderOptions* GADNativeImageAd::imageOptions(
    const std::optional<GADAdLoaderOptionsMap>& options) {
    if (!options) return nullptr;
    const auto found = options->find(GADNativeAdImageAdLoaderOptions::kClassName);
    if (found == options->end()) return nullptr;
    return dynamic_cast<const GADNativeAdImageAdLoaderOptions*>(found->second.get());
}

std::string GADNativeImageAd::imageAssetName(const GADNativeAdImage& image) {
    // The object's address as well as its URL: two entries naming one picture stay two assets.
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(&image));
    return std::string(address) + ":" +
           (image.imageURL() ? image.imageURL()->absoluteString() : "");
}

void GADNativeImageAd::setSlot(const std::shared_ptr<GADSlot>& slot) {
    GADNativeAd::setSlot(slot);
    if (overlayView_) overlayView_->setAdView(slot ? slot->adView() : nullptr);
}

void GADNativeImageAd::nativeAdViewPolicyDidStartTrackingView(
    GADNativeAdViewPolicy&, const std::shared_ptr<platform::ui::View>&) {
    // A direct ad has nobody to tell that it is on screen; its impression is the policy's.
}

void GADNativeImageAd::startLoadingAssets() {
    MOVU_CHECK_MAIN_THREAD();
    const std::weak_ptr<GADNativeImageAd> weakSelf =
        std::static_pointer_cast<GADNativeImageAd>(shared_from_this());
    // Every name is registered before any load starts, so no early answer can complete the ad
    // while later assets are still unnamed.
    struct Load {
        std::string name;
        std::shared_ptr<GADNativeAdImage> image;
        bool joinsImages;
    };
    std::vector<Load> loads;
    if (disableImageLoading_) {
        availableNativeAdImages_.insert(availableNativeAdImages_.end(), nativeAdImages_.begin(),
                                        nativeAdImages_.end());
    } else {
        if (auto own = ownImage()) loads.push_back({ownImageAssetName(), std::move(own), false});
        for (const auto& image : nativeAdImages_)
            loads.push_back({imageAssetName(*image), image, true});
    }
    for (const auto& load : loads) addAssetWithNameToRequestedAssets(load.name);
    if (attribution_) addAssetWithNameToRequestedAssets("attribution");

    for (const auto& load : loads) {
        // The image keeps this handler until it has loaded, so it names the image weakly.
        load.image->loadImageWithCompletionHandler(platform::weakCall(
            weakSelf, [name = load.name, weakImage = std::weak_ptr<GADNativeAdImage>(load.image),
                       joinsImages = load.joinsImages](
                          GADNativeImageAd& ad, const std::optional<platform::Error>& error) {
                if (error) {
                    ad.failedToLoadAssetWithName(name);
                    return;
                }
                if (auto image = weakImage.lock(); image && joinsImages)
                    ad.availableNativeAdImages_.push_back(std::move(image));
                ad.finishedLoadingAssetWithName(name);
            }));
    }
    if (attribution_) {
        attribution_->loadAssetsWithCompletionHandler(platform::weakCall(
            weakSelf, [](GADNativeImageAd& ad, const std::optional<platform::Error>& error) {
                if (error) {
                    ad.failedToLoadAssetWithName("attribution");
                } else {
                    ad.finishedLoadingAssetWithName("attribution");
                }
            }));
    }
}

}  // namespace ads
