#include "ads/testsupport/SDKCoreTestScope.h"

#include <mutex>
#include <vector>

#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADSDKCoreGMSGHandler.h"
#include "ads/web/GADSDKCoreWebView.h"
#include "platform/runtime/MainLoop.h"
#include "platform/testing/TestGate.h"

namespace ads::testing {

namespace {

// More turns than any chain of queued work in the SDK core takes; a test that needs more has
// work that never ends.
constexpr int kMaxRounds = 1000;

}  // namespace

SDKCoreTestScope::SDKCoreTestScope() {
    replaceShared(nullptr);
}

SDKCoreTestScope::SDKCoreTestScope(std::shared_ptr<GADCSI> csi) {
    replaceShared(GADSDKCoreController::create(std::move(csi)));
}

SDKCoreTestScope::~SDKCoreTestScope() {
    replaceShared(nullptr);
}

void SDKCoreTestScope::replaceShared(std::shared_ptr<GADSDKCoreController> controller) {
    std::shared_ptr<GADSDKCoreController> previous;
    {
        std::lock_guard lock(GADSDKCoreController::sharedMutex());
        previous = std::exchange(GADSDKCoreController::sharedSlot(), std::move(controller));
    }
    if (previous) settle(*previous);
    // Goes here, on the test's main thread, outside the lock.
    previous.reset();
    platform::MainLoop::main().runUntilIdle();
}

void SDKCoreTestScope::drain(GADSDKCoreWebView& webView) {
    if (webView.handler_) webView.handler_->answerQueue_.sync([] {});
    webView.lockQueue_.sync([] {});
}

void SDKCoreTestScope::holdFetchAnswers(GADSDKCoreWebView& webView,
                                        std::shared_ptr<platform::testing::TestGate> gate) {
    webView.handler_->answerQueue_.async([gate = std::move(gate)] { gate->wait(); });
}

void SDKCoreTestScope::settle(GADSDKCoreController& controller) {
    for (int round = 0; round < kMaxRounds; ++round) {
        controller.requestURLQueue_.sync([] {});
        std::vector<std::shared_ptr<GADSDKCoreWebView>> webViews{controller.activeSDKCoreWebView_};
        controller.lockQueue_.sync([&, locked = controller.locked_] {
            if (locked->activeViewSDKCoreWebView)
                webViews.push_back(locked->activeViewSDKCoreWebView);
            for (auto& cached : locked->activeViewSDKCoreWebViews) webViews.push_back(cached);
        });
        for (auto& webView : webViews) drain(*webView);
        webViews.clear();
        if (platform::MainLoop::main().runUntilIdle() == 0) return;
    }
}

void SDKCoreTestScope::settle(GADSDKCoreWebView& webView) {
    for (int round = 0; round < kMaxRounds; ++round) {
        drain(webView);
        if (platform::MainLoop::main().runUntilIdle() == 0) return;
    }
}

}  // namespace ads::testing
