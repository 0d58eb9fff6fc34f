#pragma once

// One remote picture of a native ad (a content image, a logo, an icon): its address, its scale
// and, once loaded, the picture. Image object: {"url": text, "require": bool (true),
// "scale": number (1)}.
//
// Loading fetches the address once (http(s) only, at most 4 MiB, a 60 s time-out) and decodes
// PNG or JPEG of at most 16 megapixels on the image's queue ("com.zivivu.durez.native-image");
// every handler given meanwhile waits for that one
// download, and a picture already loaded answers at once. Handlers are called once each, on
// the main thread, with nothing on success or: the transport's error; private code 2
// "Couldn't create URL request for <url>." for an address that is no web address; private
// code 2 "Failed to load <description>. Received <n> bytes." for a body that gives no picture.
//
// Main thread only (the decoding queue hands its picture back there). Made with create(); the
// download and the decoding hold the object weakly.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"
#include "platform/gfx/Image.h"
#include "platform/ui/Image.h"

namespace platform {
class Connection;
class SerialQueue;
}  // namespace platform

namespace ads {

class GADNativeAdImageAdLoaderOptions;

class GADNativeAdImage : public std::enable_shared_from_this<GADNativeAdImage> {
    struct Private {};

  public:
    using CompletionHandler = std::function<void(const std::optional<platform::Error>&)>;

    // Nothing when "url" is no URL text.
    static std::shared_ptr<GADNativeAdImage> create(const platform::Value& dictionary);
    // A picture already there (mediated ads), or one to load from a URL.
    static std::shared_ptr<GADNativeAdImage> createWithImage(platform::ui::ImagePtr image);
    static std::shared_ptr<GADNativeAdImage> createWithURL(platform::Url url, double scale);
    // Every entry that makes an image with shouldRequestMultipleImages, else the first entry
    // only; nothing when that gives none.
    static std::optional<std::vector<std::shared_ptr<GADNativeAdImage>>>
    nativeAdImagesFromImageConfigurationArray(const platform::Value& array,
                                              const GADNativeAdImageAdLoaderOptions* options);
    // The scale a server value gives: a finite number above 0, else 1.
    static double scaleFromValue(const platform::Value* value);

    explicit GADNativeAdImage(Private);
    ~GADNativeAdImage();
    GADNativeAdImage(const GADNativeAdImage&) = delete;
    GADNativeAdImage& operator=(const GADNativeAdImage&) = delete;

    bool required() const { return required_; }
    const platform::ui::ImagePtr& image() const { return image_; }
    void setImage(platform::ui::ImagePtr image) { image_ = std::move(image); }
    const std::optional<platform::Url>& imageURL() const { return imageURL_; }
    void setImageURL(std::optional<platform::Url> url) { imageURL_ = std::move(url); }
    double scale() const { return scale_; }
    void setScale(double scale) { scale_ = scale; }

    void loadImageWithCompletionHandler(CompletionHandler handler);
    // "<GADNativeAdImage: 0x... scale: 1.000000 URL: https://...>"
    std::string description() const;

    // A picture from downloaded bytes: nothing when they are empty, too large or undecodable
    // (and then, when asked, why: a picture over the cap is refused on the size the decoder
    // read, before it reserved any pixels).
    static platform::ui::ImagePtr decodeImage(
        const std::vector<std::uint8_t>& bytes, double scale, const std::string& name,
        platform::gfx::Image::DecodeFailure* failure = nullptr);

  private:
    void decode(const std::vector<std::uint8_t>& body);
    void finish(const std::optional<platform::Error>& error);

    bool required_ = true;
    platform::ui::ImagePtr image_;
    std::optional<platform::Url> imageURL_;
    double scale_ = 1;
    std::vector<CompletionHandler> waiting_;
    std::shared_ptr<platform::Connection> download_;
    // Made for the first picture this object decodes.
    std::unique_ptr<platform::SerialQueue> decodeQueue_;
};

}  // namespace ads
