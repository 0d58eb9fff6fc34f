#include "ads/fullscreen/GADBrowserAdView.h"

#include "ads/fullscreen/GADBrowserViewController.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

std::shared_ptr<GADBrowserAdView> GADBrowserAdView::create(platform::Rect frame) {
    MOVU_CHECK_MAIN_THREAD();
    auto view = std::make_shared<GADBrowserAdView>(Private{}, frame);
    view->setUp();
    return view;
}

void GADBrowserAdView::setViewController(std::weak_ptr<platform::ui::ViewController> controller) {
    MOVU_CHECK_MAIN_THREAD();
    auto browser = std::dynamic_pointer_cast<GADBrowserViewController>(controller.lock());
    if (browser) GADAdView::setViewController(browser);
}

std::shared_ptr<GADBrowserViewController> GADBrowserAdView::browserViewController() const {
    return std::dynamic_pointer_cast<GADBrowserViewController>(viewController());
}

}  // namespace ads
