#include "ads/fullscreen/GADIntrinsicImages.h"

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADStringEncoding.h"
#include "ads/fullscreen/GADIntrinsicImageData.h"
#include "platform/gfx/Image.h"

namespace ads {

GADIntrinsicImages& GADIntrinsicImages::sharedInstance() {
    static GADIntrinsicImages* const shared = new GADIntrinsicImages(Private{}, std::nullopt);
    return *shared;
}

std::unique_ptr<GADIntrinsicImages> GADIntrinsicImages::create(std::optional<double> density) {
    return std::make_unique<GADIntrinsicImages>(Private{}, density);
}

double GADIntrinsicImages::density() const {
    double d = density_ ? *density_ : GADDevice::sharedInstance()->mainScreenDensity();
    return d > 0 ? d : 1;
}

const char* GADIntrinsicImages::chooseImage(const char* image,
                                            const char* doubleDensityImage) const {
    return density() == 1.0 ? image : doubleDensityImage;
}

platform::ui::ImagePtr GADIntrinsicImages::imageWithBase64EncodedString(
    const std::string& text) const {
    auto bytes = GADStringEncoding::rfc4648Base64StringEncoding().decode(text);
    if (!bytes) return nullptr;
    auto picture = platform::gfx::Image::decodePng(*bytes);
    if (!picture) return nullptr;
    double scale = density();
    platform::Size points{picture->width() / scale, picture->height() / scale};
    return std::make_shared<const platform::ui::Image>(
        "", points, std::make_shared<const platform::gfx::Image>(std::move(*picture)), scale);
}

platform::ui::ImagePtr GADIntrinsicImages::made(Slot& slot, const char* image,
                                                const char* doubleDensityImage) {
    std::call_once(slot.once, [&] {
        slot.image = imageWithBase64EncodedString(chooseImage(image, doubleDensityImage));
    });
    return slot.image;
}

platform::ui::ImagePtr GADIntrinsicImages::closeButton() {
    return made(close_, GADIntrinsicImageData::kCloseButton,
                GADIntrinsicImageData::kCloseButtonDoubleDensity);
}

platform::ui::ImagePtr GADIntrinsicImages::browserBackButton() {
    return made(back_, GADIntrinsicImageData::kBrowserBackButton,
                GADIntrinsicImageData::kBrowserBackButtonDoubleDensity);
}

platform::ui::ImagePtr GADIntrinsicImages::browserForwardButton() {
    return made(forward_, GADIntrinsicImageData::kBrowserForwardButton,
                GADIntrinsicImageData::kBrowserForwardButtonDoubleDensity);
}

platform::ui::ImagePtr GADIntrinsicImages::transparentImage() {
    std::call_once(transparent_.once, [&] {
        double scale = density();
        int side = static_cast<int>(10 * scale + 0.5);
        transparent_.image = std::make_shared<const platform::ui::Image>(
            "", platform::Size{10, 10},
            std::make_shared<const platform::gfx::Image>(platform::gfx::Image::blank(side, side)),
            scale);
    });
    return transparent_.image;
}

}  // namespace ads
