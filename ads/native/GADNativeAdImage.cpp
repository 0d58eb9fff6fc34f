#include "ads/native/GADNativeAdImage.h"

#include <cmath>
#include <cstdio>

#include "ads/foundation/GADInternalError.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/native/GADAdLoaderOptions.h"
#include "ads/native/GADNativeConstants.h"
#include "platform/gfx/Image.h"
#include "platform/net/Connection.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

using platform::Value;

namespace {

constexpr std::int64_t kImageErrorCode = 2;

}  // namespace

GADNativeAdImage::GADNativeAdImage(Private) {}

GADNativeAdImage::~GADNativeAdImage() {
    if (download_) download_->cancel();
}

std::shared_ptr<GADNativeAdImage> GADNativeAdImage::create(const Value& dictionary) {
    const Value* text = dictionary.find("url");
    if (!text || !text->isString()) return nullptr;
    auto url = platform::Url::parse(text->stringRef());
    if (!url) return nullptr;
    auto image = createWithURL(std::move(*url), scaleFromValue(dictionary.find("scale")));
    if (const Value* require = dictionary.find("require"); require && require->isNumber())
        image->required_ = require->boolValue();
    return image;
}

std::shared_ptr<GADNativeAdImage> GADNativeAdImage::createWithImage(platform::ui::ImagePtr image) {
    auto made = std::make_shared<GADNativeAdImage>(Private{});
    if (image) made->scale_ = image->scale();
    made->image_ = std::move(image);
    return made;
}

std::shared_ptr<GADNativeAdImage> GADNativeAdImage::createWithURL(platform::Url url, double scale) {
    auto made = std::make_shared<GADNativeAdImage>(Private{});
    made->imageURL_ = std::move(url);
    made->scale_ = scale;
    return made;
}

double GADNativeAdImage::scaleFromValue(const Value* value) {
    if (!value || !value->isNumber() || value->isBool()) return 1;
    const double scale = value->asReal();
    return std::isfinite(scale) && scale > 0 ? scale : 1;
}

std::optional<std::vector<std::shared_ptr<GADNativeAdImage>>>
GADNativeAdImage::nativeAdImagesFromImageConfigurationArray(
    const Value& array, const GADNativeAdImageAdLoaderOptions* options) {
    std::vector<std::shared_ptr<GADNativeAdImage>> images;
    if (array.isArray()) {
        const bool multiple = options && options->shouldRequestMultipleImages;
        const auto& entries = array.asArray();
        const std::size_t count =
            multiple ? entries.size() : std::min<std::size_t>(1, entries.size());
        for (std::size_t i = 0; i < count; ++i) {
            if (auto image = create(entries[i])) images.push_back(std::move(image));
        }
    }
    if (images.empty()) return std::nullopt;
    return images;
}

std::string GADNativeAdImage::description() const {
    char head[96];
    std::snprintf(head, sizeof head,
                  "<GADNativeAdImage: %p scale: %f URL: ", static_cast<const void*>(this), scale_);
    return head + (imageURL_ ? imageURL_->absoluteString() : std::string("(null)")) + ">";
}

platform::ui::ImagePtr GADNativeAdImage::decodeImage(const std::vector<std::uint8_t>& bytes,
                                                     double scale, const std::string& name,
                                                     platform::gfx::Image::DecodeFailure* failure) {
    // The decoder checks the cap on the frame it reads, right after the header and before it
    // reserves the pixels: a size sniffed apart from it could be a decoy.
    platform::gfx::Image::Limits limits;
    limits.maxPixels = kGADNativeAdImageMaxPixels;
    auto decoded = platform::gfx::Image::decode(bytes, limits, failure);
    if (!decoded || decoded->empty()) return nullptr;
    const platform::ui::Size points{decoded->width() / scale, decoded->height() / scale};
    return std::make_shared<const platform::ui::Image>(
        name, points, std::make_shared<const platform::gfx::Image>(std::move(*decoded)), scale);
}

void GADNativeAdImage::loadImageWithCompletionHandler(CompletionHandler handler) {
    MOVU_CHECK_MAIN_THREAD();
    if (image_) {
        platform::MainLoop::main().post([handler = std::move(handler)] {
            if (handler) handler(std::nullopt);
        });
        return;
    }
    // A load under way (downloading or decoding) takes this handler too.
    const bool underWay = !waiting_.empty();
    waiting_.push_back(std::move(handler));
    if (underWay) return;

    if (!imageURL_ || !gad_isWebURL(*imageURL_)) {
        const std::string text = imageURL_ ? imageURL_->absoluteString() : std::string("(null)");
        platform::MainLoop::main().post(
            platform::weakCall(weak_from_this(), [text](GADNativeAdImage& image) {
                image.finish(gad_errorWithCode(kImageErrorCode,
                                               "Couldn't create URL request for " + text + "."));
            }));
        return;
    }
    platform::UrlRequest request(*imageURL_,
                                 platform::UrlRequestCachePolicy::UseProtocolCachePolicy,
                                 kGADNativeAdImageTimeoutSeconds);
    download_ = platform::Connection::sendAsynchronousRequest(
        std::move(request),
        platform::weakCall(weak_from_this(),
                           [](GADNativeAdImage& image, const std::optional<platform::UrlResponse>&,
                              const platform::Connection::Bytes& body,
                              const std::optional<platform::Error>& error) {
                               image.download_.reset();
                               if (error) {
                                   image.finish(error);
                                   return;
                               }
                               image.decode(body);
                           }),
        kGADNativeAdImageMaxBytes);
}

void GADNativeAdImage::decode(const std::vector<std::uint8_t>& body) {
    // A 1200 x 627 PNG takes about a frame to decode (bench/ads_native_image), so pictures
    // decode on a queue of their own and only the result comes back to the main thread.
    if (!decodeQueue_)
        decodeQueue_ = std::make_unique<platform::SerialQueue>(kGADNativeAdImageQueueLabel);
    decodeQueue_->async([weak = weak_from_this(), body, scale = scale_,
                         name = imageURL_->absoluteString()] {
        auto decoded = decodeImage(body, scale, name);
        platform::MainLoop::main().post([weak, decoded = std::move(decoded), length = body.size()] {
            auto image = weak.lock();
            if (!image) return;
            image->image_ = decoded;
            if (decoded) {
                image->finish(std::nullopt);
                return;
            }
            image->finish(gad_errorWithCode(
                kImageErrorCode, "Failed to load " + image->description() + ". Received " +
                                     std::to_string(length) + " bytes."));
        });
    });
}

void GADNativeAdImage::finish(const std::optional<platform::Error>& error) {
    auto handlers = std::move(waiting_);
    waiting_.clear();
    for (const auto& handler : handlers) {
        if (handler) handler(error);
    }
}

}  // namespace ads
