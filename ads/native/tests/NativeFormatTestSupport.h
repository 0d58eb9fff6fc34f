#pragma once

// What the native format tests share: an app that takes every format (asking for the custom
// template ids it was given) and records what it hears, and image objects as the server writes
// them.

#include <memory>
#include <string>
#include <vector>

#include "ads/native/GADNativeAppInstallAd.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/native/GADNativeCustomTemplateAd.h"
#include "platform/base/Value.h"

namespace ads::testing {

class EveryFormatDelegate : public GADNativeContentAdLoaderDelegate,
                            public GADNativeAppInstallAdLoaderDelegate,
                            public GADNativeCustomTemplateAdLoaderDelegate {
  public:
    explicit EveryFormatDelegate(platform::Value::Array templateIDs)
        : templateIDs_(std::move(templateIDs)) {}

    void adLoaderDidFailToReceiveAdWithError(GADAdLoader&, const GADRequestError& error) override {
        failures.push_back(error);
    }
    void adLoaderDidReceiveNativeContentAd(GADAdLoader&,
                                           const std::shared_ptr<GADNativeContentAd>& ad) override {
        received.push_back(ad);
    }
    void adLoaderDidReceiveNativeAppInstallAd(
        GADAdLoader&, const std::shared_ptr<GADNativeAppInstallAd>& ad) override {
        received.push_back(ad);
    }
    void adLoaderDidReceiveNativeCustomTemplateAd(
        GADAdLoader&, const std::shared_ptr<GADNativeCustomTemplateAd>& ad) override {
        received.push_back(ad);
    }
    std::optional<platform::Value::Array> nativeCustomTemplateIDsForAdLoader(
        GADAdLoader&) override {
        return templateIDs_;
    }

    std::vector<GADRequestError> failures;
    std::vector<std::shared_ptr<GADNativeAd>> received;

  private:
    platform::Value::Array templateIDs_;
};

// {"url": url, ...more}
inline platform::Value imageObject(const std::string& url, platform::Value::Dictionary more = {}) {
    more["url"] = platform::Value(url);
    return platform::Value(std::move(more));
}

}  // namespace ads::testing
