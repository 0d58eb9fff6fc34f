#include "ads/slot/GADMessageComposeDelegateProxy.h"

#include "ads/slot/GADOverlayProxy.h"
#include "platform/runtime/MainLoop.h"

namespace ads {

using platform::services::MessageComposer;

std::shared_ptr<GADMessageComposeDelegateProxy>
GADMessageComposeDelegateProxy::associatedDelegateProxyForController(
    const std::shared_ptr<MessageComposer>& composer) {
    auto proxy = std::make_shared<GADMessageComposeDelegateProxy>(Private{});
    proxy->setMessageComposeViewController(composer);
    return proxy;
}

void GADMessageComposeDelegateProxy::setMessageComposeViewController(
    std::shared_ptr<MessageComposer> composer) {
    if (composer == composer_) return;
    // Dropping strongSelf_ may be the last reference: this call finishes first.
    auto keep = shared_from_this();
    if (composer_) {
        composer_->setMessageComposeDelegate({});
        strongSelf_.reset();
    }
    composer_ = std::move(composer);
    if (composer_) {
        composer_->setMessageComposeDelegate(weak_from_this());
        strongSelf_ = keep;
    }
}

void GADMessageComposeDelegateProxy::messageComposeViewControllerDidFinish(
    MessageComposer& composer, platform::services::MessageComposeResult result) {
    if (auto delegate = delegate_.lock()) {
        delegate->messageComposeViewControllerDidFinish(composer, result);
        return;
    }
    std::shared_ptr<platform::ui::ViewController> controller = composer.shared_from_this();
    platform::MainLoop::main().post([controller, self = shared_from_this()] {
        GADOverlayProxy::relinquishOrDismiss(controller, [self] { self->stopProxying(); });
    });
}

void GADMessageComposeDelegateProxy::stopProxying() {
    auto keep = shared_from_this();
    setMessageComposeViewController(nullptr);
    delegate_.reset();
}

}  // namespace ads
