#include "ads/fullscreen/GADMailComposeDelegateProxy.h"

namespace ads {

using platform::services::MailComposer;

std::shared_ptr<GADMailComposeDelegateProxy>
GADMailComposeDelegateProxy::associatedDelegateProxyForController(
    const std::shared_ptr<MailComposer>& composer) {
    auto proxy = std::make_shared<GADMailComposeDelegateProxy>(Private{});
    proxy->setMailComposeViewController(composer);
    return proxy;
}

void GADMailComposeDelegateProxy::mailComposeControllerDidFinish(
    MailComposer& composer, platform::services::MailComposeResult result,
    const std::optional<platform::Error>& error) {
    if (auto delegate = mailComposeDelegate())
        delegate->mailComposeControllerDidFinish(composer, result, error);
    else
        closeWithoutDelegate(composer);
}

}  // namespace ads
