#pragma once

// The SDK's own button pictures as Base64 text of PNG files, drawn by
// tools/make_intrinsic_images.py: one for screens of density 1 and one at twice the pixels for
// every other density.

namespace ads::GADIntrinsicImageData {

extern const char* const kCloseButton;
extern const char* const kCloseButtonDoubleDensity;
extern const char* const kBrowserBackButton;
extern const char* const kBrowserBackButtonDoubleDensity;
extern const char* const kBrowserForwardButton;
extern const char* const kBrowserForwardButtonDoubleDensity;

}  // namespace ads::GADIntrinsicImageData
