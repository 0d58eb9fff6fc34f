#include "ads/native/tests/ScriptedNativeFormat.h"

namespace ads::testing {

using platform::Value;

std::shared_ptr<ScriptedNativeAd> ScriptedNativeAd::create(const Value& adObject,
                                                           std::string format) {
    return std::make_shared<ScriptedNativeAd>(Private{}, adObject, std::move(format));
}

ScriptedNativeAd::ScriptedNativeAd(Private, const Value& adObject, std::string format)
    : GADNativeAd(adObject.isNull() ? std::nullopt : std::optional<Value>(adObject)),
      format_(std::move(format)) {
    if (const Value* list = adObject.find("images"); list && list->isArray()) {
        for (const Value& entry : list->asArray()) {
            if (auto image = GADNativeAdImage::create(entry)) images.push_back(std::move(image));
        }
    }
    for (const Value& name : adObject.get("required").asArray()) required_.insert(name.asString());
    for (const Value& name : adObject.get("manual").asArray()) manual_.push_back(name.asString());
    invalid_ = adObject.get("invalid").asBool();
}

std::shared_ptr<ScriptedNativeAd> ScriptedNativeAd::createMediated(
    const std::shared_ptr<GADMediatedNativeAd>& mediatedAd, std::string format) {
    const auto* network = mediatedAd ? mediatedAd->ad().get() : nullptr;
    std::optional<std::string> headline;
    std::vector<std::shared_ptr<GADNativeAdImage>> images;
    if (const auto* content = dynamic_cast<const GADMediatedNativeContentAd*>(network);
        content && format == "1") {
        headline = content->headline();
        images = content->images();
    } else if (const auto* install = dynamic_cast<const GADMediatedNativeAppInstallAd*>(network);
               install && format == "2") {
        headline = install->headline();
        images = install->images();
    }
    if (!headline) return nullptr;
    auto ad = create(Value(), std::move(format));
    // A network's pictures are all required here, so a broken one fails the ad.
    for (std::size_t i = 0; i < images.size(); ++i)
        ad->required_.insert("image" + std::to_string(i));
    ad->images = std::move(images);
    ad->initWithMediatedNativeAd(mediatedAd);
    return ad;
}

bool ScriptedNativeAd::hasValidConfigurationForRequestParameters(
    const std::optional<Value::Dictionary>& requestParameters) const {
    askedParameters = requestParameters;
    return !invalid_;
}

void ScriptedNativeAd::startLoadingAssets() {
    ++startCount;
    for (const auto& name : manual_) addAssetWithNameToRequestedAssets(name);
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::string name = "image" + std::to_string(i);
        addAssetWithNameToRequestedAssets(name);
        std::weak_ptr<GADNativeAd> weak = weak_from_this();
        images[i]->loadImageWithCompletionHandler(
            [weak, name](const std::optional<platform::Error>& error) {
                auto ad = weak.lock();
                if (!ad) return;
                if (error) {
                    ad->failedToLoadAssetWithName(name);
                } else {
                    ad->finishedLoadingAssetWithName(name);
                }
            });
    }
}

namespace {

template <class Protocol>
GADAdLoadingClass scriptedClass(std::string name, std::string format,
                                void (Protocol::*callback)(GADAdLoader&, ScriptedNativeAd&),
                                std::vector<std::shared_ptr<ScriptedNativeAd>>& made) {
    auto loading = GADAdLoading::withProtocol<Protocol>(std::move(name));
    loading.make = [format, &made](const Value& adObject,
                                   const std::optional<GADAdLoaderOptionsMap>&) {
        auto ad = ScriptedNativeAd::create(adObject, format);
        made.push_back(ad);
        return std::shared_ptr<GADNativeAd>(ad);
    };
    loading.makeMediated = [format, &made](const std::shared_ptr<GADMediatedNativeAd>& mediatedAd,
                                           const std::optional<GADAdLoaderOptionsMap>&) {
        auto ad = ScriptedNativeAd::createMediated(mediatedAd, format);
        if (ad) made.push_back(ad);
        return std::shared_ptr<GADNativeAd>(ad);
    };
    loading.requestParametersForAdLoader = [format](GADAdLoader&) {
        return std::optional<Value::Dictionary>(Value::Dictionary{{"format", Value(format)}});
    };
    loading.adLoaderDidReceiveAd = [callback](GADNativeAd& ad, GADAdLoader& loader) {
        auto delegate = std::dynamic_pointer_cast<Protocol>(loader.delegate());
        if (delegate) ((*delegate).*callback)(loader, static_cast<ScriptedNativeAd&>(ad));
    };
    return std::make_shared<const GADAdLoading>(std::move(loading));
}

}  // namespace

ScriptedNativeFormats::ScriptedNativeFormats() {
    content = scriptedClass<ScriptedContentDelegate>(
        "ScriptedContentAd", "1", &ScriptedContentDelegate::adLoaderDidReceiveScriptedContentAd,
        made);
    appInstall = scriptedClass<ScriptedAppInstallDelegate>(
        "ScriptedAppInstallAd", "2",
        &ScriptedAppInstallDelegate::adLoaderDidReceiveScriptedAppInstallAd, made);
    auto& classes = GADNativeAdClasses::shared();
    previousContent_ = classes.setClass(GADNativeAdFormat::Content, content);
    previousAppInstall_ = classes.setClass(GADNativeAdFormat::AppInstall, appInstall);
}

ScriptedNativeFormats::~ScriptedNativeFormats() {
    auto& classes = GADNativeAdClasses::shared();
    classes.setClass(GADNativeAdFormat::Content, previousContent_);
    classes.setClass(GADNativeAdFormat::AppInstall, previousAppInstall_);
}

Value nativeConfiguration(const Value& templateID, Value::Dictionary more) {
    more["type"] = Value("native");
    more["template_id"] = templateID;
    return Value::dictionary({{"ads", Value::array({Value(std::move(more))})}});
}

}  // namespace ads::testing
