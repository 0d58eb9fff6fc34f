#include "ads/native/GADNativeAdAttribution.h"

#include <algorithm>
#include <cmath>

#include "ads/native/GADNativeAdImage.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

using platform::Value;

namespace {

std::optional<double> finiteNumber(const Value* value) {
    if (!value || !value->isNumber() || value->isBool()) return std::nullopt;
    const double number = value->asReal();
    if (!std::isfinite(number)) return std::nullopt;
    return number;
}

// Milliseconds as seconds, or the default below the shortest duration.
double seconds(const Value* milliseconds, double fallback) {
    const auto ms = finiteNumber(milliseconds);
    if (!ms || *ms / 1000 < GADNativeAdAttribution::kMinimumSeconds) return fallback;
    return *ms / 1000;
}

float clamped(double value) {
    return static_cast<float>(std::clamp(value, 0.0, 1.0));
}

std::optional<platform::Color> color(const Value* object) {
    if (!object || !object->isDictionary()) return std::nullopt;
    const auto r = finiteNumber(object->find("r"));
    const auto g = finiteNumber(object->find("g"));
    const auto b = finiteNumber(object->find("b"));
    if (!r || !g || !b) return std::nullopt;
    const double a = finiteNumber(object->find("a")).value_or(1.0);
    return platform::Color{clamped(*r / 255), clamped(*g / 255), clamped(*b / 255), clamped(a)};
}

}  // namespace

std::shared_ptr<GADNativeAdAttribution> GADNativeAdAttribution::create(const Value* dictionary) {
    auto attribution = std::make_shared<GADNativeAdAttribution>(Private{});
    if (!dictionary || !dictionary->isDictionary()) return attribution;
    const Value& object = *dictionary;
    if (const Value* text = object.find("text"); text && text->isString()) {
        attribution->text_ = text->stringRef();
    }
    attribution->iconAnimationDuration_ =
        seconds(object.find("animation_ms"), kDefaultAnimationSeconds);
    attribution->iconPresentationDuration_ =
        seconds(object.find("presentation_ms"), kDefaultPresentationSeconds);
    if (const Value* images = object.find("images"); images && images->isArray()) {
        for (const Value& entry : images->asArray()) {
            if (auto image = GADNativeAdImage::create(entry)) {
                attribution->loadingImages_.push_back(std::move(image));
            }
        }
    } else if (const Value* image = object.find("image")) {
        if (auto made = GADNativeAdImage::create(*image)) {
            attribution->loadingImages_.push_back(std::move(made));
        }
    }
    const auto size = finiteNumber(object.find("text_size"));
    if (size && *size >= 1 && *size <= 72) attribution->font_.size = *size;
    if (auto text = color(object.find("text_color"))) attribution->textColor_ = *text;
    if (auto background = color(object.find("bg_color")))
        attribution->backgroundColor_ = *background;
    return attribution;
}

void GADNativeAdAttribution::loadAssetsWithCompletionHandler(CompletionHandler handler) {
    MOVU_CHECK_MAIN_THREAD();
    if (loadingImages_.empty()) {
        platform::MainLoop::main().post([handler = std::move(handler)] {
            if (handler) handler(std::nullopt);
        });
        return;
    }
    assetCompletionHandlers_.push_back(std::move(handler));
    if (assetCompletionHandlers_.size() > 1) return;  // joins the load under way

    availableImages_.clear();
    for (const auto& image : loadingImages_) {
        // The image keeps this handler until it has loaded: it names the image weakly, or the
        // image would keep itself alive.
        image->loadImageWithCompletionHandler(platform::weakCall(
            weak_from_this(),
            [weakImage = std::weak_ptr<GADNativeAdImage>(image)](
                GADNativeAdAttribution& attribution, const std::optional<platform::Error>& error) {
                if (error) {
                    attribution.failedLoadingNativeAdImageWithError(*error);
                } else if (auto image = weakImage.lock()) {
                    // The attribution holds its images, so one it hears of is still there.
                    attribution.finishedLoadingNativeAdImage(image);
                }
            }));
    }
}

void GADNativeAdAttribution::finishedLoadingNativeAdImage(
    const std::shared_ptr<GADNativeAdImage>& image) {
    if (assetCompletionHandlers_.empty()) return;  // an earlier icon failed
    availableImages_.push_back(image);
    if (availableImages_.size() < loadingImages_.size()) return;
    icons_ = availableImages_;
    callHandlers(std::nullopt);
}

void GADNativeAdAttribution::failedLoadingNativeAdImageWithError(const platform::Error& error) {
    callHandlers(error);
}

void GADNativeAdAttribution::callHandlers(const std::optional<platform::Error>& error) {
    if (assetCompletionHandlers_.empty()) return;
    auto handlers = std::move(assetCompletionHandlers_);
    assetCompletionHandlers_.clear();
    platform::MainLoop::main().post([handlers = std::move(handlers), error] {
        for (const auto& handler : handlers) {
            if (handler) handler(error);
        }
    });
}

}  // namespace ads
