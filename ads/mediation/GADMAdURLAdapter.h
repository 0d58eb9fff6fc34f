#pragma once

// The adapter of mediation entries that need no other network's library: it asks the SDK core
// for the entry's ad itself (its parameters carry "zivivu-ad-url-mediation", so the core page
// answers with RADE_getAdapterLessMediationAd), then hands the finished ad to a banner view or
// interstitial of its own, which renders it without another fetch (the request's extras
// "_ad", "_adHeaders", used once).
//
// One ad per adapter: the first banner or interstitial request makes its ad object, every
// later one fails with code 0. Failures are errors of kErrorDomain with the codes below and
// reach the connector as adapterDidFailAd, while an ad object exists to report for. Relays as
// the SDK's own adapter, but this adapter reports no click of its own for the banner's
// will-present-screen and will-leave-application.
//
// Threads: everything runs on the main thread, where the SDK core also asks for the request's
// id and a builder of its parameters; the builder runs on the core's request queue and reads
// only what was taken on the main thread (the banner's frame, bounds and ad size, the request,
// the tracking facts). The request id is kept under a lock, as tests and logs read it from
// anywhere. After stopBeingDelegate every answer of the SDK core is ignored.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ads/mediation/GADMPublicAdAdapter.h"
#include "ads/web/GADSDKCoreControllerDelegate.h"

namespace ads {

class GADMAdURLAdapter : public GADMPublicAdAdapter, public GADSDKCoreControllerDelegate {
  public:
    static constexpr const char* kClassName = "GADMAdURLAdapter";
    static constexpr const char* kVersion = "1.0.0";
    static constexpr const char* kErrorDomain = "com.zivivu.ads.GADMAdURLAdapter";
    // The parameter that routes the SDK core's call to the adapter-less mediation function.
    static constexpr const char* kMediationParameter = "zivivu-ad-url-mediation";

    enum ErrorCode : std::int64_t {
        kAlreadyInitialized = 0,
        kCannotLoadAdURL = 1,
        kEmptyAd = 3,
        kInvalidRequest = 4,
        kCoreFailed = 5,
    };

    // Puts the class into the class registry with its calls and class facts ("1.0.0",
    // GADExtras). Repeated calls change nothing.
    static void registerClass();
    static std::shared_ptr<GADMAdURLAdapter> create();

    std::optional<std::string> requestID() const;

    // GADMAdNetworkAdapterProtocol
    void getBannerWithSize(const GADAdSize& size) override;
    void getInterstitial() override;
    void getNativeAdWithAdTypes(const std::vector<std::string>& adTypes,
                                const std::vector<std::shared_ptr<void>>& options) override;
    void stopBeingDelegate() override;

    // GADSDKCoreControllerDelegate
    RequestParametersBuilder requestParametersWithRequestID(const std::string& requestID) override;
    GADRequestedAdType requestedAdType() override;
    std::int64_t CSIIdentifier() override { return -1; }
    void loadAdURLWithParameters(const platform::Value::Dictionary& parameters) override;
    void loadAd(const std::shared_ptr<GADAd>& ad,
                const std::optional<platform::Value::Dictionary>& headers) override;
    void invalidJavaScriptRequest() override;
    void failedJavaScriptFile() override;
    void SDKCoreRequestDidTimeOut() override;

  private:
    struct Private {};

  public:
    explicit GADMAdURLAdapter(Private) : GADMPublicAdAdapter(false) {}

  private:
    // The connector while the adapter has made no ad object yet; afterwards code 0 goes to the
    // connector and nothing is answered.
    std::shared_ptr<GADMAdNetworkConnectorProtocol> connectorForTheOneAd();
    void setRequestID(const std::string& requestID);
    // Asks the shared SDK core for this adapter's ad.
    void loadRequest();
    // To the connector for the banner when there is one, else the interstitial, else nobody.
    void reportAdLoadFailure(ErrorCode code, const char* message);

    bool shouldRespondToSDKCore_ = true;
    mutable std::mutex requestIDMutex_;
    std::optional<std::string> requestID_;
};

}  // namespace ads
