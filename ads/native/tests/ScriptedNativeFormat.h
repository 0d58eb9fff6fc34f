#pragma once

// A scripted native ad format for the room's tests, standing where the real formats go: it is
// put in the class tables as type "1" (and, as a second format, "2") for a test's lifetime.
// Its ad object may name images ("images": image objects, assets "image0", "image1", ...),
// required assets ("required": names), hand-finished assets ("manual": names, finished by the
// test) and "invalid": true to refuse the request. From a network's mediated ad it takes the
// network's images as its own (loaded like the others, each required) and refuses an object without
// the format's mediated protocol or without a headline.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/native/GADAdLoader.h"
#include "ads/native/GADAdLoaderDelegate.h"
#include "ads/native/GADAdLoading.h"
#include "ads/native/GADMediatedNativeAd.h"
#include "ads/native/GADNativeAd.h"
#include "ads/native/GADNativeAdImage.h"

namespace ads::testing {

class ScriptedNativeAd : public GADNativeAd {
    struct Private {};

  public:
    static std::shared_ptr<ScriptedNativeAd> create(const platform::Value& adObject,
                                                    std::string format = "1");
    static std::shared_ptr<ScriptedNativeAd> createMediated(
        const std::shared_ptr<GADMediatedNativeAd>& mediatedAd, std::string format);
    ScriptedNativeAd(Private, const platform::Value& adObject, std::string format);

    bool hasValidConfigurationForRequestParameters(
        const std::optional<platform::Value::Dictionary>& requestParameters) const override;
    std::string clickActionTemplateID() const override { return format_; }
    std::set<std::string> requiredAssets() const override { return required_; }

    int startCount = 0;
    mutable std::optional<platform::Value::Dictionary> askedParameters;
    std::vector<std::shared_ptr<GADNativeAdImage>> images;

  protected:
    void startLoadingAssets() override;

  private:
    std::string format_;
    std::set<std::string> required_;
    std::vector<std::string> manual_;
    bool invalid_ = false;
};

// The protocols an app adopts for each scripted format.
class ScriptedContentDelegate : public virtual GADAdLoaderDelegate {
  public:
    virtual void adLoaderDidReceiveScriptedContentAd(GADAdLoader&, ScriptedNativeAd&) = 0;
};
class ScriptedAppInstallDelegate : public virtual GADAdLoaderDelegate {
  public:
    virtual void adLoaderDidReceiveScriptedAppInstallAd(GADAdLoader&, ScriptedNativeAd&) = 0;
};

// An app that takes both scripted formats and records what it hears.
class ScriptedFormatsApp : public ScriptedContentDelegate, public ScriptedAppInstallDelegate {
  public:
    void adLoaderDidFailToReceiveAdWithError(GADAdLoader&, const GADRequestError& error) override {
        failures.push_back(error);
    }
    void adLoaderDidReceiveScriptedContentAd(GADAdLoader&, ScriptedNativeAd& ad) override {
        received.push_back(std::static_pointer_cast<ScriptedNativeAd>(ad.shared_from_this()));
    }
    void adLoaderDidReceiveScriptedAppInstallAd(GADAdLoader&, ScriptedNativeAd& ad) override {
        received.push_back(std::static_pointer_cast<ScriptedNativeAd>(ad.shared_from_this()));
    }
    std::vector<GADRequestError> failures;
    std::vector<std::shared_ptr<ScriptedNativeAd>> received;
};

// Puts the scripted formats in the class tables and the previous classes back on the way out.
class ScriptedNativeFormats {
  public:
    ScriptedNativeFormats();
    ~ScriptedNativeFormats();
    ScriptedNativeFormats(const ScriptedNativeFormats&) = delete;
    ScriptedNativeFormats& operator=(const ScriptedNativeFormats&) = delete;

    GADAdLoadingClass content;
    GADAdLoadingClass appInstall;
    // The ads each format made, in order.
    std::vector<std::shared_ptr<ScriptedNativeAd>> made;

  private:
    GADAdLoadingClass previousContent_;
    GADAdLoadingClass previousAppInstall_;
};

// {"ads": [{"type": "native", "template_id": <id>, ...more}]}
platform::Value nativeConfiguration(const platform::Value& templateID,
                                    platform::Value::Dictionary more = {});

}  // namespace ads::testing
