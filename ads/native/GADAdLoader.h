#pragma once

// The public class through which an app asks for native ads of one or more formats for one ad
// unit. Its private slot is only a request pipe: it sends the request (response type 3, one
// format entry per requested class) and hands each answer back here instead of rendering it.
// A native answer's JSON goes through a GADAdPreprocessor; the configuration it answers
// becomes a native ad of the class it names (when that class was asked for), which loads its
// assets and goes to the delegate through its format's callback. Every failure reaches the
// delegate's adLoaderDidFailToReceiveAdWithError:
//   code 0 "Must specify at least one ad type." - no valid ad type (a turn after loadRequest)
//   the slot's error - the request failed
//   code 11 "Ad loader failed to process ad response." - no preprocessor could be made
//   code 13 - preprocessing failed, or its ad is of a class not asked for or refuses the request
//   code 11 "Error loading native ad assets." - the ad's assets failed
//   code 0 with the conformance error as cause - the delegate no longer adopts the protocol
//
// Main thread only. Made with create(); the app keeps it. The delegate and the root view
// controller are held weakly; preprocessors and ads loading assets are kept until they are
// done, and whatever they call back holds the loader weakly, so a loader that goes gets and
// makes no late call. The loader is its slot's owner through GADSlotDelegate (its frame is the
// slot's ad size, 320 x 50), GADSlotAdResponseDelegate and GADSlotAdLoadDelegate.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADAdMediationDelegate.h"
#include "ads/native/GADAdLoaderConfiguration.h"
#include "ads/native/GADAdLoading.h"
#include "ads/slot/GADSlotDelegate.h"

namespace platform {
class SerialQueue;
namespace ui {
class ViewController;
}
}  // namespace platform

namespace ads {

class GADAdLoaderDelegate;
class GADAdLoaderOptions;
class GADAdPreprocessor;
class GADMediatedNativeAd;
class GADNativeAd;
class GADRequest;
class GADSlot;

class GADAdLoader : public GADSlotDelegate,
                    public GADSlotAdResponseDelegate,
                    public GADSlotAdLoadDelegate,
                    public GADAdMediationDelegate,
                    public std::enable_shared_from_this<GADAdLoader> {
    struct Private {};

  public:
    static std::shared_ptr<GADAdLoader> create(
        std::string adUnitID, std::weak_ptr<platform::ui::ViewController> rootViewController,
        const std::vector<std::string>& adTypes,
        const std::vector<std::shared_ptr<GADAdLoaderOptions>>& options);
    explicit GADAdLoader(Private);
    ~GADAdLoader() override;
    GADAdLoader(const GADAdLoader&) = delete;
    GADAdLoader& operator=(const GADAdLoader&) = delete;

    std::shared_ptr<GADAdLoaderDelegate> delegate() const { return delegate_.lock(); }
    // Kept only when it adopts the protocol of every requested class; otherwise the reason is
    // logged for the developer and the previous delegate stays. nullptr clears it.
    void setDelegate(const std::shared_ptr<GADAdLoaderDelegate>& delegate);
    const std::string& adUnitID() const { return adUnitID_; }
    std::shared_ptr<platform::ui::ViewController> rootViewController() const override {
        return rootViewController_.lock();
    }
    // Nothing when the ad types were not valid.
    const std::shared_ptr<const GADAdLoaderConfiguration>& adLoaderConfiguration() const {
        return configuration_;
    }

    void loadRequest(const std::shared_ptr<GADRequest>& request);

    // What each requested class added to the last request, by class name.
    std::map<std::string, platform::Value::Dictionary> adClassRequestParameters() const;
    const std::vector<std::shared_ptr<GADAdPreprocessor>>& adPreprocessors() const {
        return adPreprocessors_;
    }
    std::vector<std::shared_ptr<GADNativeAd>> nativeAds() const;

    // The slot's owner.
    std::optional<platform::Rect> frame() const override;
    std::optional<platform::Rect> bounds() const override { return frame(); }
    bool slotShouldProcessAdResponse(GADSlot& slot, const std::shared_ptr<GADAd>& ad,
                                     std::optional<platform::Error>& error) override;
    void slotFinishedLoadingAdContent(GADSlot&) override {}
    // A mediation answer: the loader becomes the ad's mediation delegate.
    bool slotShouldProcessMediatedAdResponse(GADSlot& slot, const std::shared_ptr<GADAd>& ad,
                                             std::optional<platform::Error>& error) override;
    void slotDidFailToLoadAdContentWithError(GADSlot& slot, const GADRequestError& error) override;

    // The native ads' outcomes.
    void nativeAdDidFinishLoadingAssets(const std::shared_ptr<GADNativeAd>& nativeAd);
    void nativeAdDidFailToLoadAssets(const std::shared_ptr<GADNativeAd>& nativeAd);
    // Mediation (GADAdLoaderMediation.cpp): the native connector for every network, with the
    // loader's configuration; a network's ad (a GADMediatedAd, which must be a
    // GADMediatedNativeAd, else private code 11) becomes the app's native ad.
    std::string connectorClassForAd(const GADAd& ad) override;
    std::shared_ptr<void> adLoaderConfigurationForAd(const GADAd& ad) override;
    bool answersProcessMediatedAd() const override { return true; }
    void processMediatedAd(const GADAd& ad, const std::shared_ptr<void>& mediatedAd,
                           Completion completion) override;
    // The ad of the class the network's object adopts, checked against the delegate, made (or,
    // for the SDK's own ad, taken) and kept in nativeAds() while its assets load; the
    // completion hears the outcome (nothing on success) before the delegate gets the ad.
    void processMediatedNativeAd(const std::shared_ptr<GADMediatedNativeAd>& mediatedAd,
                                 Completion completion);

    // To the delegate; nothing becomes code 11.
    void handleFailedRequestWithRequestError(const std::optional<GADRequestError>& error);

  private:
    struct LoadingAd {
        std::shared_ptr<GADNativeAd> ad;
        GADAdLoadingClass loading;
    };

    void setAdClassRequestParameters(std::map<std::string, platform::Value::Dictionary> parameters);
    void preprocessorDidFinish(const GADAdPreprocessor* preprocessor,
                               const std::optional<platform::Value>& configuration,
                               const std::shared_ptr<GADSlot>& slot);
    std::optional<LoadingAd> takeLoadingAd(const std::shared_ptr<GADNativeAd>& nativeAd);

    std::shared_ptr<GADSlot> slot_;
    std::unique_ptr<platform::SerialQueue> lockQueue_;
    // Guarded by lockQueue_.
    std::map<std::string, platform::Value::Dictionary> adClassRequestParameters_;
    std::weak_ptr<GADAdLoaderDelegate> delegate_;
    std::shared_ptr<const GADAdLoaderConfiguration> configuration_;
    std::string adUnitID_;
    std::weak_ptr<platform::ui::ViewController> rootViewController_;
    std::vector<std::shared_ptr<GADAdPreprocessor>> adPreprocessors_;
    std::vector<LoadingAd> nativeAds_;
};

}  // namespace ads
