#include "ads/native/GADNativeCustomTemplateAd.h"

#include <algorithm>
#include <cstdio>

#include "ads/foundation/GADLogger.h"
#include "ads/native/GADAdLoaderOptions.h"
#include "ads/native/GADNativeAdImage.h"
#include "ads/native/GADNativeFormatSupport.h"
#include "ads/native/GADNativeImageAd.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/base/Decimal.h"
#include "platform/base/StringEscaping.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/Timer.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

using platform::Value;

namespace {

constexpr const char* kCustomClickQueueLabel = "com.zivivu.durez.custom-template";
constexpr const char* kCustomClickMessage = "nativeAdCustomClick";

std::string logText(std::string_view text) {
    return platform::escaped(text, platform::StringEscapeStyle::log());
}

// The template id of an ad object: a text as it is, a number as its decimal text.
std::optional<std::string> templateIDOfAdObject(const Value& adObject) {
    const Value& id = adObject.get("custom_template_id");
    if (id.isString()) return id.stringRef();
    return GADDecimalTextOfNumber(id);
}

// Regardless of case first (ASCII letters fold), then by bytes, so the order is total and
// the same on every machine.
bool assetKeyLess(const std::string& a, const std::string& b) {
    const auto folded = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
    };
    const auto order = std::lexicographical_compare_three_way(
        a.begin(), a.end(), b.begin(), b.end(),
        [&](char x, char y) { return folded(x) <=> folded(y); });
    if (order != 0) return order < 0;
    return a < b;
}

}  // namespace

GADNativeCustomTemplateAd::GADNativeCustomTemplateAd(
    Private, std::string templateID, const std::optional<Value>& adObject,
    const std::optional<GADAdLoaderOptionsMap>& options)
    : GADNativeAd(adObject),
      lockQueue_(std::make_unique<platform::SerialQueue>(kCustomClickQueueLabel)),
      templateID_(std::move(templateID)) {
    const auto* imageOptions = GADNativeImageAd::imageOptions(options);
    disableImageLoading_ = imageOptions && imageOptions->disableImageLoading;
    if (!adObject) return;
    const Value& assets = adObject->get("custom_assets");
    if (!assets.isArray()) return;
    for (const Value& entry : assets.asArray()) {
        if (!entry.isDictionary()) continue;
        const auto name = GADStringForKey(entry, "name");
        const auto type = GADStringForKey(entry, "type");
        if (!name || name->empty() || !type || type->empty()) continue;
        if (*type == "string") {
            if (auto text = GADStringForKey(entry, "string_value")) {
                stringAssets_[*name] = std::move(*text);
            } else {
                stringAssets_.erase(*name);
            }
            availableAssetKeys_.insert(*name);
        } else if (*type == "image") {
            auto image = GADNativeAdImage::create(entry.get("image_value"));
            if (!image) continue;
            // One name, one image: a later entry of the name replaces the earlier one.
            optionalImages_.erase(*name);
            requiredImages_.erase(*name);
            (image->required() ? requiredImages_ : optionalImages_)[*name] = std::move(image);
        }
    }
}

GADNativeCustomTemplateAd::~GADNativeCustomTemplateAd() {
    removeCustomClickObserver();
    if (clickTimeout_) clickTimeout_->invalidate();
}

std::shared_ptr<GADNativeCustomTemplateAd> GADNativeCustomTemplateAd::create(
    const Value& adObject, const std::optional<GADAdLoaderOptionsMap>& options) {
    auto templateID = templateIDOfAdObject(adObject);
    if (!templateID) return nullptr;
    return std::make_shared<GADNativeCustomTemplateAd>(Private{}, std::move(*templateID), adObject,
                                                       options);
}

Value::Dictionary GADNativeCustomTemplateAd::requestParametersForTemplateIDs(
    const std::optional<Value::Array>& templateIDs) {
    Value::Array kept;
    for (const Value& id : templateIDs.value_or(Value::Array{})) {
        if (id.isString()) {
            if (!platform::Decimal::parse(id.stringRef())) {
                GADLogger::sharedInstance().logPublicMessage(
                    "Received non-numeric custom template ID. The template ID may be invalid: " +
                    logText(id.stringRef()));
            }
            kept.emplace_back(id.stringRef());
        } else if (auto text = GADDecimalTextOfNumber(id)) {
            kept.emplace_back(std::move(*text));
        } else {
            GADLogger::sharedInstance().logPublicMessage(
                "Received non-string custom template ID: " + logText(id.description()));
        }
    }
    return {{"format", Value(static_cast<std::int64_t>(GADNativeAdFormat::CustomTemplate))},
            {"custom_template_ids", Value(std::move(kept))}};
}

GADAdLoadingClass GADNativeCustomTemplateAd::loadingClass() {
    static const GADAdLoadingClass loading =
        GADMakeNativeFormatClass<GADNativeCustomTemplateAd,
                                 GADNativeCustomTemplateAdLoaderDelegate>(
            kClassName, &GADNativeCustomTemplateAd::create,
            [](GADAdLoader& loader) {
                std::optional<Value::Array> ids;
                if (auto delegate =
                        std::dynamic_pointer_cast<GADNativeCustomTemplateAdLoaderDelegate>(
                            loader.delegate()))
                    ids = delegate->nativeCustomTemplateIDsForAdLoader(loader);
                return std::optional(requestParametersForTemplateIDs(ids));
            },
            &GADNativeCustomTemplateAdLoaderDelegate::adLoaderDidReceiveNativeCustomTemplateAd);
    return loading;
}

std::vector<std::string> GADNativeCustomTemplateAd::availableAssetKeys() const {
    std::vector<std::string> keys(availableAssetKeys_.begin(), availableAssetKeys_.end());
    std::sort(keys.begin(), keys.end(), assetKeyLess);
    return keys;
}

std::optional<std::string> GADNativeCustomTemplateAd::stringForKey(const std::string& key) const {
    const auto found = stringAssets_.find(key);
    if (found == stringAssets_.end()) return std::nullopt;
    return found->second;
}

std::shared_ptr<GADNativeAdImage> GADNativeCustomTemplateAd::imageForKey(
    const std::string& key) const {
    const auto found = imageAssets_.find(key);
    return found != imageAssets_.end() ? found->second : nullptr;
}

std::string GADNativeCustomTemplateAd::description() const {
    std::string keys;
    for (const auto& key : availableAssetKeys()) {
        if (!keys.empty()) keys += ", ";
        keys += key;
    }
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    return std::string("<") + kClassName + ": " + address + ", availableAssetKeys:[" + keys + "]>";
}

bool GADNativeCustomTemplateAd::hasValidConfigurationForRequestParameters(
    const std::optional<Value::Dictionary>& requestParameters) const {
    if (!GADNativeAd::hasValidConfigurationForRequestParameters(requestParameters)) return false;
    if (!requestParameters) return false;
    const auto found = requestParameters->find("custom_template_ids");
    if (found == requestParameters->end() || !found->second.isArray()) return false;
    const auto& ids = found->second.asArray();
    return std::find(ids.begin(), ids.end(), Value(templateID_)) != ids.end();
}

std::set<std::string> GADNativeCustomTemplateAd::requiredAssets() const {
    std::set<std::string> names;
    for (const auto& [name, image] : requiredImages_) names.insert(name);
    return names;
}

void GADNativeCustomTemplateAd::setImage(const std::shared_ptr<GADNativeAdImage>& image,
                                         const std::string& key) {
    imageAssets_[key] = image;
    availableAssetKeys_.insert(key);
}

void GADNativeCustomTemplateAd::startLoadingAssets() {
    MOVU_CHECK_MAIN_THREAD();
    if (disableImageLoading_) {
        for (const auto& [name, image] : optionalImages_) setImage(image, name);
        for (const auto& [name, image] : requiredImages_) setImage(image, name);
        return;
    }
    // Every name first, so no early answer completes the ad while later images are unnamed.
    for (const auto& [name, image] : optionalImages_) addAssetWithNameToRequestedAssets(name);
    for (const auto& [name, image] : requiredImages_) addAssetWithNameToRequestedAssets(name);
    loadImages(optionalImages_);
    loadImages(requiredImages_);
}

void GADNativeCustomTemplateAd::loadImages(
    const std::map<std::string, std::shared_ptr<GADNativeAdImage>>& images) {
    const std::weak_ptr<GADNativeCustomTemplateAd> weakSelf =
        std::static_pointer_cast<GADNativeCustomTemplateAd>(shared_from_this());
    for (const auto& [name, image] : images) {
        // The image keeps this handler until it has loaded, so it names the image weakly.
        image->loadImageWithCompletionHandler(platform::weakCall(
            weakSelf,
            [name = name, weakImage = std::weak_ptr<GADNativeAdImage>(image)](
                GADNativeCustomTemplateAd& ad, const std::optional<platform::Error>& error) {
                auto image = weakImage.lock();
                if (error || !image) {
                    ad.failedToLoadAssetWithName(name);
                    return;
                }
                ad.setImage(image, name);
                ad.finishedLoadingAssetWithName(name);
            }));
    }
}

void GADNativeCustomTemplateAd::performClickOnAssetWithKey(const std::string& key,
                                                           CustomClickHandler customClickHandler) {
    MOVU_CHECK_MAIN_THREAD();
    if (!availableAssetKeys_.count(key)) {
        GADLogger::sharedInstance().logPublicMessage(
            "Asset is unavailable. Cannot perform click on \"" + logText(key) + "\".");
        return;
    }
    if (!customClickHandler) {
        performClickOnView(nullptr, key, std::nullopt);
        return;
    }
    bool accepted = false;
    std::uint64_t click = 0;
    lockQueue_->sync([&] {
        if (customClickHandler_) return;
        customClickHandler_ = std::move(customClickHandler);
        click = pendingClick_ = ++clickCount_;
        accepted = true;
    });
    if (!accepted) {
        GADLogger::sharedInstance().logPublicMessage(
            "Still processing prior click event. This click event will be ignored.");
        return;
    }
    // A page that never answers would otherwise hold every later click back for good.
    if (clickTimeout_) clickTimeout_->invalidate();
    clickTimeout_ = platform::Timer::schedule(
        kCustomClickTimeoutSeconds, false,
        platform::weakCall(weak_from_this(), [click](GADNativeAd& ad) {
            static_cast<GADNativeCustomTemplateAd&>(ad).expirePendingClick(click);
        }));
    performClickOnView(nullptr, key, Value::Dictionary{{"has_custom_click_handler", Value(true)}});
}

bool GADNativeCustomTemplateAd::hasPendingCustomClick() const {
    bool pending = false;
    lockQueue_->sync([&] { pending = customClickHandler_.has_value(); });
    return pending;
}

std::optional<GADNativeCustomTemplateAd::CustomClickHandler>
GADNativeCustomTemplateAd::takePendingClick() {
    std::optional<CustomClickHandler> taken;
    lockQueue_->sync([&] {
        taken.swap(customClickHandler_);
        pendingClick_ = 0;
    });
    return taken;
}

void GADNativeCustomTemplateAd::expirePendingClick(std::uint64_t click) {
    bool expired = false;
    lockQueue_->sync([&] {
        if (pendingClick_ != click || !customClickHandler_) return;
        customClickHandler_.reset();
        pendingClick_ = 0;
        expired = true;
    });
    if (expired) {
        GADLogger::sharedInstance().logPublicMessage(
            "The ad did not answer the custom click in time. The click event was dropped.");
    }
}

void GADNativeCustomTemplateAd::handleNativeAdCustomClick() {
    auto handler = takePendingClick();
    if (!handler || !*handler) return;
    platform::MainLoop::main().post(std::move(*handler));
}

void GADNativeCustomTemplateAd::setSlot(const std::shared_ptr<GADSlot>& slot) {
    removeCustomClickObserver();
    GADNativeAd::setSlot(slot);
    const auto adView = slot ? slot->adView() : nullptr;
    if (!adView) return;
    customClickObservation_ = platform::NotificationCenter::defaultCenter().observe(
        kCustomClickMessage, adView.get(),
        platform::weakCall(weak_from_this(), [](GADNativeAd& ad, const platform::Notification&) {
            static_cast<GADNativeCustomTemplateAd&>(ad).handleNativeAdCustomClick();
        }));
}

void GADNativeCustomTemplateAd::removeCustomClickObserver() {
    customClickObservation_.reset();
}

}  // namespace ads
