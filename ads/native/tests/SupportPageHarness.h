#pragma once

// The native tests' surroundings: the test scope, ad views on the scripted engine, the loopback
// ad server (which serves the support page) and the scripted formats; and the support page's
// part, played by hand on the page a preprocessor's slot loaded.

#include <memory>
#include <string>

#include "ads/native/tests/ScriptedNativeFormat.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
class GADRequest;
}

namespace ads::testing {

// {"ads": [ad]} of the given template, as the server's native answer.
std::string nativeAnswer(const platform::Value& templateID, platform::Value::Dictionary more = {});
// A request whose extras carry the answer (its JSON as the ad's body).
std::shared_ptr<GADRequest> requestWithNativeAd(const std::string& json);

class SupportPageHarness {
  public:
    // The page that holds the support page's HTML (the n-th such page, 0 first), once it has
    // arrived; nullptr when it does not within the wait.
    platform::web::FakeWebPage* waitForSupportPage(std::size_t index = 0);
    // The page loads, then answers "nativeAdPreProcess" with this "success" text.
    void finishLoading(platform::web::FakeWebPage& page);
    void answer(platform::web::FakeWebPage& page, const std::string& success);
    // The script the preprocessor ran on the page, "" when none.
    static std::string preprocessingScript(const platform::web::FakeWebPage& page);

    AdsTestScope scope;
    AdViewTestScope views;
    AdServerFixture server;
    ScriptedNativeFormats formats;
};

}  // namespace ads::testing
