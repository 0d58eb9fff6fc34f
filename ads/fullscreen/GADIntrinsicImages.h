#pragma once

// The SDK's own button pictures: the close button of full-screen ads and the in-app browser's
// back and forward buttons (our artwork, kept as Base64 PNG text, GADIntrinsicImageData), plus
// an empty picture for a close area that must stay tappable without showing. Screens of
// density 1 get the small artwork, every other density the double one at the screen's scale.
//
// Thread-safe: each picture is made on its first request and kept for the instance's life;
// the shared instance lives as long as the process.

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/ui/Image.h"

namespace ads {

class GADIntrinsicImages {
    struct Private {};

  public:
    // Reads the main screen's density from the device (GADDevice).
    static GADIntrinsicImages& sharedInstance();
    // An instance of its own, for a screen of the given density (tests).
    static std::unique_ptr<GADIntrinsicImages> create(std::optional<double> density);
    GADIntrinsicImages(Private, std::optional<double> density) : density_(density) {}
    GADIntrinsicImages(const GADIntrinsicImages&) = delete;
    GADIntrinsicImages& operator=(const GADIntrinsicImages&) = delete;

    // 25 x 25 pixels at density 1, else 50 x 50.
    platform::ui::ImagePtr closeButton();
    // 27 x 27 pixels at density 1, else 54 x 54.
    platform::ui::ImagePtr browserBackButton();
    platform::ui::ImagePtr browserForwardButton();
    // Clear, 10 x 10 points at the screen's scale.
    platform::ui::ImagePtr transparentImage();

    // The picture of PNG bytes given as Base64 text, at the screen's density (so the double
    // artwork keeps its size in points only at density 2); nullptr for text that is not
    // Base64 of a PNG.
    platform::ui::ImagePtr imageWithBase64EncodedString(const std::string& text) const;
    // The first text on a screen of density 1, the second on any other.
    const char* chooseImage(const char* image, const char* doubleDensityImage) const;

  private:
    // The screen's density; one before the device knows it.
    double density() const;
    struct Slot {
        std::once_flag once;
        platform::ui::ImagePtr image;
    };
    platform::ui::ImagePtr made(Slot& slot, const char* image, const char* doubleDensityImage);

    std::optional<double> density_;
    Slot close_;
    Slot back_;
    Slot forward_;
    Slot transparent_;
};

}  // namespace ads
