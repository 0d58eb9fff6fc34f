#pragma once

// A publisher's banner custom event and what it reports. The SDK sets itself as the delegate
// (held weakly), then asks for one banner; the object answers through the delegate, at once or
// later, on the main thread. After the SDK clears the delegate the object has no one to tell.

#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADAdSize.h"
#include "ads/mediation/GADCustomEvent.h"
#include "platform/base/Error.h"

namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

namespace ads {

class GADCustomEventBanner;
class GADCustomEventRequest;

class GADCustomEventBannerDelegate {
  public:
    virtual ~GADCustomEventBannerDelegate() = default;

    virtual void customEventBannerDidReceiveAd(GADCustomEventBanner& banner,
                                               const std::shared_ptr<platform::ui::View>& view) = 0;
    virtual void customEventBannerDidFailAd(GADCustomEventBanner& banner,
                                            const platform::Error& error) = 0;
    virtual void customEventBannerWasClicked(GADCustomEventBanner& banner) = 0;
    virtual void customEventBannerWillPresentModal(GADCustomEventBanner& banner) = 0;
    virtual void customEventBannerWillDismissModal(GADCustomEventBanner& banner) = 0;
    virtual void customEventBannerDidDismissModal(GADCustomEventBanner& banner) = 0;
    virtual void customEventBannerWillLeaveApplication(GADCustomEventBanner& banner) = 0;
    // The older form of a click, naming the view.
    virtual void customEventBannerClickDidOccurInAd(
        GADCustomEventBanner& banner, const std::shared_ptr<platform::ui::View>& view) = 0;
    // What a full-screen view opened from the banner is presented from.
    virtual std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView()
        const = 0;
};

class GADCustomEventBanner : public virtual GADCustomEvent {
  public:
    static constexpr const char* kProtocolName = "GADCustomEventBanner";

    // `parameter` and `label` are the entry's credentials of those names, absent when missing.
    virtual void requestBannerAd(const GADAdSize& adSize,
                                 const std::optional<std::string>& parameter,
                                 const std::optional<std::string>& label,
                                 const std::shared_ptr<const GADCustomEventRequest>& request) = 0;

    virtual std::shared_ptr<GADCustomEventBannerDelegate> delegate() const {
        return delegate_.lock();
    }
    virtual void setDelegate(std::weak_ptr<GADCustomEventBannerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

  private:
    std::weak_ptr<GADCustomEventBannerDelegate> delegate_;
};

}  // namespace ads
