#pragma once

// Native ads as a mediated network hands them over: objects of the network's own classes that
// adopt the content protocol, the app install protocol or both, with a delegate that writes
// down what the network hears ("impression", "click:<asset>", "rendered").

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/native/GADMediatedNativeAdProtocol.h"
#include "ads/native/GADNativeAdImage.h"

namespace ads::testing {

class NetworkHears : public GADMediatedNativeAdDelegate {
  public:
    void mediatedNativeAdDidRecordImpression(GADMediatedNativeAdProtocol&) override {
        heard.push_back("impression");
    }
    void mediatedNativeAdDidRecordClickOnAssetWithName(
        GADMediatedNativeAdProtocol&, const std::string& assetName,
        const std::shared_ptr<platform::ui::View>& view,
        const std::shared_ptr<platform::ui::ViewController>& viewController) override {
        heard.push_back("click:" + assetName);
        clickedView = view;
        clickController = viewController;
    }
    void mediatedNativeAdDidRenderInView(GADMediatedNativeAdProtocol&,
                                         const std::shared_ptr<platform::ui::View>& view) override {
        heard.push_back("rendered");
        renderedView = view;
    }
    std::vector<std::string> heard;
    std::shared_ptr<platform::ui::View> clickedView;
    std::shared_ptr<platform::ui::View> renderedView;
    std::shared_ptr<platform::ui::ViewController> clickController;
};

// What the network's objects answer; a missing text is nothing.
struct NetworkAssets {
    std::optional<std::string> headline = "Headline";
    std::optional<std::string> body = "Body";
    std::optional<std::string> callToAction = "Go";
    std::optional<std::string> advertiser = "Maker";
    std::optional<std::string> store = "Store";
    std::optional<std::string> price = "1.99";
    std::optional<platform::Decimal> starRating = platform::Decimal::parse("4.5");
    std::vector<std::shared_ptr<GADNativeAdImage>> images;
    std::shared_ptr<GADNativeAdImage> logo;
    std::shared_ptr<GADNativeAdImage> icon;
    std::optional<platform::Value::Dictionary> extraAssets;
};

class NetworkAdBase : public virtual GADMediatedNativeAdProtocol {
  public:
    std::shared_ptr<GADMediatedNativeAdDelegate> mediatedNativeAdDelegate() const override {
        return hears;
    }
    const std::optional<platform::Value::Dictionary>& extraAssets() const override {
        return assets.extraAssets;
    }
    NetworkAssets assets;
    std::shared_ptr<NetworkHears> hears = std::make_shared<NetworkHears>();
};

class NetworkContentAd : public NetworkAdBase, public virtual GADMediatedNativeContentAd {
  public:
    std::optional<std::string> headline() const override { return assets.headline; }
    std::optional<std::string> body() const override { return assets.body; }
    std::vector<std::shared_ptr<GADNativeAdImage>> images() const override { return assets.images; }
    std::shared_ptr<GADNativeAdImage> logo() const override { return assets.logo; }
    std::optional<std::string> callToAction() const override { return assets.callToAction; }
    std::optional<std::string> advertiser() const override { return assets.advertiser; }
};

class NetworkAppInstallAd : public NetworkAdBase, public virtual GADMediatedNativeAppInstallAd {
  public:
    std::optional<std::string> headline() const override { return assets.headline; }
    std::vector<std::shared_ptr<GADNativeAdImage>> images() const override { return assets.images; }
    std::optional<std::string> body() const override { return assets.body; }
    std::shared_ptr<GADNativeAdImage> icon() const override { return assets.icon; }
    std::optional<std::string> callToAction() const override { return assets.callToAction; }
    std::optional<platform::Decimal> starRating() const override { return assets.starRating; }
    std::optional<std::string> store() const override { return assets.store; }
    std::optional<std::string> price() const override { return assets.price; }
};

// Adopts both protocols: an app install ad for the SDK.
class NetworkBothAd : public NetworkAppInstallAd, public virtual GADMediatedNativeContentAd {
  public:
    std::optional<std::string> headline() const override { return assets.headline; }
    std::optional<std::string> body() const override { return assets.body; }
    std::vector<std::shared_ptr<GADNativeAdImage>> images() const override { return assets.images; }
    std::optional<std::string> callToAction() const override { return assets.callToAction; }
    std::shared_ptr<GADNativeAdImage> logo() const override { return assets.logo; }
    std::optional<std::string> advertiser() const override { return assets.advertiser; }
};

}  // namespace ads::testing
