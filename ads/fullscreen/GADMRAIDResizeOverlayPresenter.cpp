#include "ads/fullscreen/GADMRAIDResizeOverlayPresenter.h"

#include "ads/foundation/GADMRAIDEventHandling.h"
#include "ads/fullscreen/GADUnclickableView.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADPageLog.h"
#include "platform/base/StringEscaping.h"
#include "platform/runtime/MainLoop.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"

namespace ads {

using platform::Rect;

std::shared_ptr<GADMRAIDResizeOverlayPresenter> GADMRAIDResizeOverlayPresenter::create(
    std::shared_ptr<platform::ui::View> referenceView) {
    return std::make_shared<GADMRAIDResizeOverlayPresenter>(Private{}, std::move(referenceView));
}

void GADMRAIDResizeOverlayPresenter::reportError(const std::string& message,
                                                 const std::string& action) const {
    if (auto handler = MRAIDEventHandler()) {
        handler->handleError(message, action);
    } else {
        GADPageLog::write(adView_.lock().get(), [&] {
            return "Ad MRAID error (" + platform::logValue(action) +
                   "): " + platform::logValue(message, platform::kLogTextMaxBytes);
        });
    }
}

Rect GADMRAIDResizeOverlayPresenter::adjustedContentFrame(Rect c, Rect b) {
    if (c.minX() < b.minX()) {
        c.origin.x += b.minX() - c.minX();
    } else if (c.maxX() > b.maxX()) {
        c.origin.x -= c.maxX() - b.maxX();
    }
    if (c.minY() < b.minY()) {
        c.origin.y += b.minY() - c.minY();
    } else if (c.maxY() > b.maxY()) {
        c.origin.y -= c.maxY() - b.maxY();
    }
    return c;
}

bool GADMRAIDResizeOverlayPresenter::resizePropertiesAreValid(
    const GADMRAIDResizeProperties& properties, const platform::ui::View* relativeTo) {
    if (!properties.isWellFormed()) return false;
    const Rect application = platform::ui::Screen::mainScreen().applicationFrame();
    const Rect bounds =
        relativeTo ? relativeTo->convertRectFromView(application, nullptr) : application;
    const Rect content = properties.contentFrame();
    const auto position = properties.customClosePosition;
    if (GADMRAIDResizeProperties::isContentFrameValid(content, bounds, properties.allowOffscreen,
                                                      position)) {
        return true;
    }
    if (properties.allowOffscreen) return false;
    return GADMRAIDResizeProperties::isContentFrameValid(adjustedContentFrame(content, bounds),
                                                         bounds, false, position);
}

bool GADMRAIDResizeOverlayPresenter::setResizeProperties(
    const std::optional<GADMRAIDResizeProperties>& properties) {
    if (!properties || !resizePropertiesAreValid(*properties, referenceView_.get())) {
        reportError(kReceivedInvalid + GADMRAIDResizeProperties::description(properties),
                    "setResizeProperties");
        return false;
    }
    resizeProperties_ = properties;
    return true;
}

bool GADMRAIDResizeOverlayPresenter::isReadyToPresent() {
    if (!resizeProperties_) {
        reportError(std::string(kTriedInvalid) + "(null)", "resize");
        return false;
    }
    if (!resizePropertiesAreValid(*resizeProperties_, referenceView_.get())) {
        reportError(kTriedInvalid + resizeProperties_->description(), "resize");
        return false;
    }
    return GADTransparentOverlayPresenter::isReadyToPresent();
}

Rect GADMRAIDResizeOverlayPresenter::contentFrame() const {
    if (!resizeProperties_) return cropView()->bounds();
    const Rect bounds = cropView()->bounds();
    const Rect frame =
        cropView()->convertRectFromView(resizeProperties_->contentFrame(), referenceView_.get());
    if (resizeProperties_->allowOffscreen) return frame;
    if (!GADMRAIDResizeProperties::isContentFrameValid(frame, bounds, false,
                                                       resizeProperties_->customClosePosition)) {
        return adjustedContentFrame(frame, bounds);
    }
    return frame;
}

void GADMRAIDResizeOverlayPresenter::composeTransparentInterstitialViewsForPresentation() {
    GADTransparentOverlayPresenter::composeTransparentInterstitialViewsForPresentation();
    auto presented = presentedViewController();
    if (!presented || !presented->isViewLoaded()) return;
    auto view = presented->view();
    view->setAutoresizingMask(platform::ui::AutoresizingNone);
    view->setFrame(contentFrame());
}

void GADMRAIDResizeOverlayPresenter::updateTransparentInterstitialOrientation() {
    GADTransparentOverlayPresenter::updateTransparentInterstitialOrientation();
    repositionContentIfNeeded();
}

void GADMRAIDResizeOverlayPresenter::repositionContentIfNeeded() {
    auto presented = presentedViewController();
    if (!presented || !presented->isViewLoaded() || !resizeProperties_) return;
    auto view = presented->view();
    const Rect frame = contentFrame();
    if (view->frame() != frame) {
        view->setFrame(frame);
        std::weak_ptr<GADTransparentOverlayPresenter> weak = weak_from_this();
        platform::MainLoop::main().postAfter(kSettleInterval, [weak] {
            if (auto self = std::static_pointer_cast<GADMRAIDResizeOverlayPresenter>(weak.lock())) {
                self->repositionContentIfNeeded();
            }
        });
        return;
    }
    if (GADMRAIDResizeProperties::isContentFrameValid(frame, cropView()->bounds(),
                                                      resizeProperties_->allowOffscreen,
                                                      resizeProperties_->customClosePosition)) {
        return;
    }
    std::weak_ptr<GADTransparentOverlayPresenter> weak = weak_from_this();
    platform::MainLoop::main().post([weak] {
        auto self = std::static_pointer_cast<GADMRAIDResizeOverlayPresenter>(weak.lock());
        if (!self) return;
        self->reportError(kInvalidAfterRotation, "resize");
        if (auto presented = self->presentedViewController()) {
            presented->relinquishScreenWithCompletion({});
        }
    });
}

}  // namespace ads
