#include "ads/fullscreen/GADAdAppGMSGHandler.h"

#include "ads/fullscreen/GADAdAppViewController.h"
#include "ads/fullscreen/GADTransparentOverlayPresenter.h"
#include "ads/web/GADAdView.h"

namespace ads {

std::shared_ptr<GADAdAppGMSGHandler> GADAdAppGMSGHandler::create() {
    return std::make_shared<GADAdAppGMSGHandler>(Private{});
}

const GADGMSGActionTable* GADAdAppGMSGHandler::actionBlockDictionary() const {
    static const GADGMSGActionTable table{
        {"customClose", action(&GADAdAppGMSGHandler::configureCustomCloseButtonWithArguments)},
        {"setInterstitialProperties",
         action(&GADAdAppGMSGHandler::updateInterstitialPropertiesWithArguments)},
    };
    return &table;
}

std::shared_ptr<GADAdAppViewController> GADAdAppGMSGHandler::controllerOf(
    const GADGMSGActionInfo& info) {
    if (!info.adView || !info.note) return nullptr;
    return std::dynamic_pointer_cast<GADAdAppViewController>(info.adView->viewController());
}

void GADAdAppGMSGHandler::configureCustomCloseButtonWithArguments(const GADGMSGActionInfo& info) {
    auto controller = controllerOf(info);
    if (!controller) return;
    controller->setUseCustomClose(info.note->parameter("custom_close") == "1");
}

void GADAdAppGMSGHandler::updateInterstitialPropertiesWithArguments(const GADGMSGActionInfo& info) {
    auto controller = controllerOf(info);
    if (!controller) return;
    const auto transparent = info.note->parameter("transparentBackground");
    if (!transparent) return;
    // A view not made yet is in no hierarchy either; asking for it would make it early.
    if (controller->isViewLoaded() && controller->view()->superview()) return;
    if (*transparent == "1") {
        controller->setPresenter(GADTransparentOverlayPresenter::create());
    } else {
        controller->setPresenter(nullptr);
    }
}

}  // namespace ads
