#pragma once

// A native ad as the view tests need one: the base ad (clicks run through its slot's page,
// impressions are recorded) with an attribution and an overlay the test sets, and a record of
// the views the policy says it tracks.

#include <memory>
#include <string>
#include <vector>

#include "ads/native/GADNativeAd.h"
#include "ads/native/GADNativeAdAttribution.h"
#include "ads/native/GADNativeAdViewPolicyDelegate.h"
#include "platform/base/Value.h"

namespace platform::testing {
class TestHttpServer;
}
namespace platform::web {
class FakeWebPage;
}

namespace ads::testing {

class NativeViewTestAd : public GADNativeAd,
                         public GADNativeAdViewPolicyDelegate,
                         public GADOverlayViewSource,
                         public GADNativeAdSourceAttributing {
  public:
    // An ad of type "1" with a slot of its own, whose page records the clicks.
    explicit NativeViewTestAd(const platform::Value& adObject);

    std::shared_ptr<GADOverlayView> overlayView() const override { return overlay; }
    std::shared_ptr<GADNativeAdAttribution> attribution() const override { return badge; }
    std::string clickActionTemplateID() const override { return "1"; }
    void nativeAdViewPolicyDidStartTrackingView(
        GADNativeAdViewPolicy&, const std::shared_ptr<platform::ui::View>& view) override {
        tracked.push_back(view);
    }

    // The clicks the page was asked to run, as their messages.
    std::vector<platform::Value> clicks() const;
    // The asset names of those clicks.
    std::vector<std::string> clickedAssets() const;

    std::shared_ptr<GADOverlayView> overlay;
    std::shared_ptr<GADNativeAdAttribution> badge;
    std::vector<std::shared_ptr<platform::ui::View>> tracked;
    std::shared_ptr<platform::web::FakeWebPage> page;
};

// Serves a grey PNG of the size at the path.
void servePicture(platform::testing::TestHttpServer& server, const std::string& path, int width,
                  int height);

// An attribution made of the object, its icons loaded (the main loop runs until they are).
std::shared_ptr<GADNativeAdAttribution> loadedAttribution(platform::Value::Dictionary object);

}  // namespace ads::testing
