#pragma once

// The adapter that lets a mediation waterfall use the SDK's own network: for each request it
// makes a fresh public ad object (a banner view, an interstitial, or a native request through
// the native room's hook) for the ad unit the network entry names ("pubid"), loads it with the
// connector's targeting, extras and mediation extras (an entry's "ad" renders without a
// fetch), and turns the object's delegate events into connector calls. A slot that did not
// mediate also reports this adapter's name as its ad network class.
//
// Clicks: the inner banner reports one before its will-present-screen and
// will-leave-application events are passed on; the inner interstitial reports its own.
//
// Main thread only. The connector is held weakly; the adapter owns the objects of its last
// requests and replaces them on the next; stopBeingDelegate (also run when it goes) silences
// them all, the native request included.

#include <memory>
#include <string>
#include <vector>

#include "ads/foundation/GADApplication.h"
#include "ads/mediation/GADMNativeAdapterHooks.h"
#include "ads/mediation/GADMPublicAdAdapter.h"

namespace ads {

class GADRequest;

class GADMAdapterZivivuDuRezAds : public GADMPublicAdAdapter {
  public:
    static constexpr const char* kClassName = kGADOwnAdapterClassName;
    // The text of code 11 while the native room has not filled its hook.
    static constexpr const char* kInvalidNativeConnectorText = kGADMInvalidNativeConnectorText;

    // Puts the class into the class registry with its calls and class facts (the SDK's
    // version, GADExtras). Repeated calls change nothing.
    static void registerClass();
    static std::shared_ptr<GADMAdapterZivivuDuRezAds> create();
    ~GADMAdapterZivivuDuRezAds() override;

    // The request for the connector: its targeting, the network's extras and the adapter list.
    // nullptr once the connector is gone.
    std::shared_ptr<GADRequest> request() const;
    // What the native side returned for the last native request (its ad loader).
    const std::shared_ptr<void>& nativeRequestObject() const { return native_.object; }

    void getBannerWithSize(const GADAdSize& size) override;
    void getInterstitial() override;
    void getNativeAdWithAdTypes(const std::vector<std::string>& adTypes,
                                const std::vector<std::shared_ptr<void>>& options) override;
    void stopBeingDelegate() override;

  private:
    struct Private {};

  public:
    explicit GADMAdapterZivivuDuRezAds(Private) : GADMPublicAdAdapter(true) {}

  private:
    void stopNativeRequest();

    GADMNativeRequestHandle native_;
};

}  // namespace ads
