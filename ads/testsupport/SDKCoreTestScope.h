#pragma once

// For tests of the SDK core: the shared controller starts fresh (the next sharedInstance()
// makes a new one, with a new core web view) and is let go again on the way out, and settle()
// runs the SDK core's queues and the main loop until nothing is left to do. Make it after the
// test's main-loop and ad-view scopes (AdsTestScope, AdViewTestScope), so it ends first.

#include <memory>

namespace ads {
class GADCSI;
class GADSDKCoreController;
class GADSDKCoreWebView;
}  // namespace ads

namespace platform::testing {
class TestGate;
}

namespace ads::testing {

class SDKCoreTestScope {
  public:
    SDKCoreTestScope();
    // The shared controller reports its timings to this hub.
    explicit SDKCoreTestScope(std::shared_ptr<GADCSI> csi);
    ~SDKCoreTestScope();
    SDKCoreTestScope(const SDKCoreTestScope&) = delete;
    SDKCoreTestScope& operator=(const SDKCoreTestScope&) = delete;

    // Waits for the controller's queues and those of its web views (the core page's, the
    // shared active-view one and the cached ones, each with its handler's answer queue), runs
    // the main loop, and again, until a turn of the main loop finds nothing to run.
    static void settle(GADSDKCoreController& controller);
    // The same for a web view of its own.
    static void settle(GADSDKCoreWebView& webView);
    // Holds the answers to the core page's fetches on their queue until the gate opens, so a
    // test sees what the page is owed while they wait. settle() waits for that queue too:
    // open the gate first.
    static void holdFetchAnswers(GADSDKCoreWebView& webView,
                                 std::shared_ptr<platform::testing::TestGate> gate);

  private:
    static void replaceShared(std::shared_ptr<GADSDKCoreController> controller);
    static void drain(GADSDKCoreWebView& webView);
};

}  // namespace ads::testing
