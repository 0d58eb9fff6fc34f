#pragma once

// A second web page an ad's own page may lay over its ad view (native ads make one each; the
// view policy puts it on top of the ad's container). The host ad view's page drives it with
// four page messages no handler declares, which reach the default notification center under
// their action names with the GADAdView* as object:
//   "loadHtml"              {"overlayHtml", "baseUrl"}: load the page into the overlay's own ad
//                           view (made on demand). No base gives "about:blank"; a base that is
//                           no http(s) address or "about:blank" counts as none given, so an
//                           ad's page never gets a local-file origin.
//   "showOverlay", "hideOverlay"  show or hide this view.
//   "sendMessageToNativeJs" pass the parameters to the overlay page as "sendMessageToSdk".
// The overlay page answers with "hideOverlay" (hide) and "sendMessageToSdk" (pass to the host
// page as "sendMessageToNativeJs", with the overlay's "id" added when the message has none).
// Once the overlay page has loaded the host page hears {"messageType": "htmlLoaded", "id"}.
// Events to either page are sent at once (postJSNotification), never queued.
//
// Starts hidden, without a host. A new host drops the overlay page and hides the view again.
// The overlay's own page gets an ordinary ad view delegate (its navigations follow the rules
// of every ad page), to which this view forwards the page's loading calls.
//
// Main thread only. Made with create(); holds its host ad view and its own ad view.

#include <memory>
#include <optional>
#include <string>

#include "ads/web/GADAdViewDelegateProtocol.h"
#include "platform/base/Value.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/ui/View.h"

namespace ads {

class GADAdView;
class GADAdViewDelegate;

class GADOverlayView : public platform::ui::View, public GADAdViewDelegateProtocol {
    struct Private {};

  public:
    static constexpr const char* kLoadHtmlMessage = "loadHtml";
    static constexpr const char* kShowOverlayMessage = "showOverlay";
    static constexpr const char* kHideOverlayMessage = "hideOverlay";
    static constexpr const char* kSendMessageToNativeJsMessage = "sendMessageToNativeJs";
    static constexpr const char* kSendMessageToSdkMessage = "sendMessageToSdk";

    static std::shared_ptr<GADOverlayView> create(platform::Rect frame = {});
    GADOverlayView(Private, platform::Rect frame);
    ~GADOverlayView() override;
    const char* className() const override { return "GADOverlayView"; }

    const std::shared_ptr<GADAdView>& adView() const { return adView_; }
    // See above; the same ad view again changes nothing.
    void setAdView(const std::shared_ptr<GADAdView>& adView);

    // The overlay's own ad view while there is one.
    const std::shared_ptr<GADAdView>& overlayAdView() const { return overlayView_; }
    // The overlay page's "id" once it has loaded.
    const std::optional<std::string>& overlayIdentifier() const { return overlayIdentifier_; }

    void loadOverlayWithUserInfo(const platform::Value& userInfo);
    void sendMessageToOverlayWithUserInfo(const platform::Value& userInfo);
    void addOverlaySubview();
    void removeOverlaySubview();

    // The overlay page's loading, forwarded to its ad view delegate.
    bool adViewShouldStartLoadWithRequest(const std::shared_ptr<GADAdView>& adView,
                                          const platform::UrlRequest& request,
                                          platform::web::NavigationType navigationType) override;
    void adViewDidStartLoad(const std::shared_ptr<GADAdView>& adView) override;
    void adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) override;
    void adViewDidFailLoadWithError(const std::shared_ptr<GADAdView>& adView,
                                    const platform::Error& error) override;

  private:
    void handleSendMessageToAdView(const platform::Value& userInfo);

    std::shared_ptr<GADAdView> adView_;
    std::shared_ptr<GADAdView> overlayView_;
    std::shared_ptr<GADAdViewDelegate> adViewDelegate_;
    std::optional<platform::Value> loadOverlayUserInfo_;
    std::optional<std::string> overlayIdentifier_;
    std::vector<platform::NotificationCenter::Observation> hostObservations_;
    std::vector<platform::NotificationCenter::Observation> overlayObservations_;
};

}  // namespace ads
