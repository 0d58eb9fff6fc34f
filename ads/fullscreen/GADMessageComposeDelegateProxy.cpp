#include "ads/fullscreen/GADMessageComposeDelegateProxy.h"

namespace ads {

using platform::services::MessageComposer;

std::shared_ptr<GADMessageComposeDelegateProxy>
GADMessageComposeDelegateProxy::associatedDelegateProxyForController(
    const std::shared_ptr<MessageComposer>& composer) {
    auto proxy = std::make_shared<GADMessageComposeDelegateProxy>(Private{});
    proxy->setMessageComposeViewController(composer);
    return proxy;
}

void GADMessageComposeDelegateProxy::messageComposeViewControllerDidFinish(
    MessageComposer& composer, platform::services::MessageComposeResult result) {
    if (auto delegate = messageComposeDelegate())
        delegate->messageComposeViewControllerDidFinish(composer, result);
    else
        closeWithoutDelegate(composer);
}

}  // namespace ads
