#pragma once

// For tests of ad views: web views run on the scripted engine (platform::web::FakeWebPage) and
// the ad view's process-wide state starts fresh: no reuse set yet (the next use reads its
// capacity from the user defaults then), an empty placeholder window, the web view's user agent
// not yet handed to the device, and an empty ad URL registry. On the way out ad views still in
// the placeholder window are let go and the same state is cleared again. Make it after the
// test's main-loop scope (AdsTestScope), so it ends first.

#include "platform/web/FakeWebViewScope.h"

namespace ads::testing {

class AdViewTestScope {
  public:
    AdViewTestScope();
    ~AdViewTestScope();
    AdViewTestScope(const AdViewTestScope&) = delete;
    AdViewTestScope& operator=(const AdViewTestScope&) = delete;

    platform::web::FakeWebViewScope& web() { return web_; }

  private:
    static void clear();

    platform::web::FakeWebViewScope web_;
};

}  // namespace ads::testing
