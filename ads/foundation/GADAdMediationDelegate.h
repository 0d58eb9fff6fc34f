#pragma once

// Who names the connector for an ad that a server's mediation configuration fills: the public
// ad object that owns the slot (a banner names the banner connector, an interstitial the
// interstitial one, the native loader its native one). An ad holds its mediation delegate
// weakly. The native loader also answers the two optional calls; their objects are the
// loader's own types, opaque to everything between it and its connector.
//
// Main thread, like the slot and the mediation manager that ask.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Error.h"

namespace ads {

class GADAd;

class GADAdMediationDelegate {
  public:
    virtual ~GADAdMediationDelegate() = default;

    // The registered class name of the connector the waterfall makes for each network.
    virtual std::string connectorClassForAd(const GADAd& ad) = 0;

    // The loader's configuration (ad types and options) for its native connector; nothing when
    // the delegate has none to give.
    virtual std::shared_ptr<void> adLoaderConfigurationForAd(const GADAd& ad) {
        (void)ad;
        return nullptr;
    }
    // Whether processMediatedAd is answered; without it a delivered native ad is passed over.
    virtual bool answersProcessMediatedAd() const { return false; }
    // Turns a network's native ad into the app's; the completion (with an error when that
    // failed) is called once, on the main thread.
    using Completion = std::function<void(const std::optional<platform::Error>& error)>;
    virtual void processMediatedAd(const GADAd& ad, const std::shared_ptr<void>& mediatedAd,
                                   Completion completion) {
        (void)ad;
        (void)mediatedAd;
        (void)completion;
    }
};

}  // namespace ads
