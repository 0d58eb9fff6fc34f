#include "ads/slot/GADMailComposeDelegateProxy.h"

#include "ads/slot/GADOverlayProxy.h"
#include "platform/runtime/MainLoop.h"

namespace ads {

using platform::services::MailComposer;

std::shared_ptr<GADMailComposeDelegateProxy>
GADMailComposeDelegateProxy::associatedDelegateProxyForController(
    const std::shared_ptr<MailComposer>& composer) {
    auto proxy = std::make_shared<GADMailComposeDelegateProxy>(Private{});
    proxy->setMailComposeViewController(composer);
    return proxy;
}

void GADMailComposeDelegateProxy::setMailComposeViewController(
    std::shared_ptr<MailComposer> composer) {
    if (composer == composer_) return;
    // Dropping strongSelf_ may be the last reference: this call finishes first.
    auto keep = shared_from_this();
    if (composer_) {
        composer_->setMailComposeDelegate({});
        strongSelf_.reset();
    }
    composer_ = std::move(composer);
    if (composer_) {
        composer_->setMailComposeDelegate(weak_from_this());
        strongSelf_ = keep;
    }
}

void GADMailComposeDelegateProxy::mailComposeControllerDidFinish(
    MailComposer& composer, platform::services::MailComposeResult result,
    const std::optional<platform::Error>& error) {
    if (auto delegate = delegate_.lock()) {
        delegate->mailComposeControllerDidFinish(composer, result, error);
        return;
    }
    std::shared_ptr<platform::ui::ViewController> controller = composer.shared_from_this();
    platform::MainLoop::main().post([controller, self = shared_from_this()] {
        GADOverlayProxy::relinquishOrDismiss(controller, [self] { self->stopProxying(); });
    });
}

void GADMailComposeDelegateProxy::stopProxying() {
    auto keep = shared_from_this();
    setMailComposeViewController(nullptr);
    delegate_.reset();
}

}  // namespace ads
