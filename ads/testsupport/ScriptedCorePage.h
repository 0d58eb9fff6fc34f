#pragma once

// The SDK core's page on the scripted web engine, played by a test: the page loads, answers a
// request with a "gmsg://" message, and shows what the SDK asked it for. Make it inside a test
// that has an AdViewTestScope and an SDKCoreTestScope; the page is the first the engine made.

#include <string>

#include "platform/base/Value.h"

namespace platform::web {
class FakeWebPage;
}

namespace ads::testing {

class AdViewTestScope;

class ScriptedCorePage {
  public:
    explicit ScriptedCorePage(AdViewTestScope& views) : views_(views) {}

    platform::web::FakeWebPage& page();
    // Runs the shared controller's queues and the main loop until nothing is left.
    static void settle();
    // The core page's navigation, start and finish.
    void load();
    // The page's message, e.g. "loadAdURL?request_id=1&url=...".
    void answer(const std::string& gmsg);
    // The parameters of the last RADE_getAd call; null when there was none.
    platform::Value lastRequest();

  private:
    AdViewTestScope& views_;
};

}  // namespace ads::testing
