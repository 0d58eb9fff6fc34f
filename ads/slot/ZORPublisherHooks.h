#pragma once

// What the publisher's banner and interstitial (ZORBannerView, ZORInterstitial) answer their
// slot alike, in one collaborator each of them owns:
//   - the correlation id under which the last request started (0: none), and the
//     pre-emption rule: a new load replaces the request in flight exactly when that id is not
//     0, the slot has a correlator and its id differs;
//   - custom rendering: a ZORCustomRenderedAd with the ad's HTML and the root of its base URL,
//     bound to the ad, with the format as its delegate, and the slot rendering it (state 5);
//     or the code-12 error for a publisher without the callback;
//   - what the custom-rendered ad reports, for the slot it was made on (see
//     ZORCustomRenderedAd.h): the end of rendering once in state 5, then the owner told once;
//     the impression once; every click.
//
// Main thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADRequestError.h"
#include "platform/base/Url.h"

namespace ads {

class GADAd;
class GADSlot;
class ZORCustomRenderedAd;
class ZORCustomRenderedAdDelegate;

class ZORPublisherHooks {
  public:
    std::uint32_t previousCorrelationID() const { return previousCorrelationID_; }
    void willLoadAdWithRequest(const GADSlot& slot);
    bool shouldPreemptInProgressRequest(const GADSlot& slot) const;

    // The root of a base URL: its scheme, host and port with the path "/".
    static std::optional<platform::Url> rootOfURL(const std::optional<platform::Url>& url);
    static std::shared_ptr<ZORCustomRenderedAd> startCustomRendering(
        GADSlot& slot, const std::shared_ptr<GADAd>& ad,
        std::weak_ptr<ZORCustomRenderedAdDelegate> delegate);
    // "Ignoring delegate callback. Delegate does not conform to <protocol>.\n<owner label>:
    // <owner>\nDelegate: <delegate>".
    static GADRequestError notConformingError(const std::string& protocol,
                                              const std::string& ownerLabel,
                                              const std::string& owner,
                                              const std::string& delegate);
    // "<ClassName: 0x...>", or "(null)" without an object.
    static std::string describe(const char* className, const void* object);

    static void recordClick(GADSlot* slot, ZORCustomRenderedAd& ad);
    static void recordImpression(GADSlot* slot, ZORCustomRenderedAd& ad);
    static void finishedRendering(GADSlot* slot, ZORCustomRenderedAd& ad);

  private:
    static bool isCurrent(GADSlot* slot, const ZORCustomRenderedAd& ad);

    std::uint32_t previousCorrelationID_ = 0;
};

}  // namespace ads
