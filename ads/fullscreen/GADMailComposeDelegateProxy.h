#pragma once

// The mail composer's delegate proxy (GADComposeDelegateProxy): made for a composer, it is
// the composer's delegate and passes the user's result on to the opener, or closes the
// composer itself once the opener is gone. Main thread only.

#include <memory>

#include "ads/fullscreen/GADComposeDelegateProxy.h"
#include "platform/services/MailComposer.h"

namespace ads {

class GADMailComposeDelegateProxy
    : public GADComposeDelegateProxy<platform::services::MailComposer,
                                     platform::services::MailComposerDelegate,
                                     &platform::services::MailComposer::setMailComposeDelegate> {
    struct Private {};

  public:
    // A new proxy that has made itself the composer's delegate.
    static std::shared_ptr<GADMailComposeDelegateProxy> associatedDelegateProxyForController(
        const std::shared_ptr<platform::services::MailComposer>& composer);
    explicit GADMailComposeDelegateProxy(Private) {}

    const std::shared_ptr<platform::services::MailComposer>& mailComposeViewController() const {
        return composeViewController();
    }
    void setMailComposeViewController(std::shared_ptr<platform::services::MailComposer> composer) {
        setComposeViewController(std::move(composer));
    }
    std::shared_ptr<platform::services::MailComposerDelegate> mailComposeDelegate() const {
        return composeDelegate();
    }
    void setMailComposeDelegate(std::weak_ptr<platform::services::MailComposerDelegate> delegate) {
        setComposeDelegate(std::move(delegate));
    }

    void mailComposeControllerDidFinish(platform::services::MailComposer& composer,
                                        platform::services::MailComposeResult result,
                                        const std::optional<platform::Error>& error) override;
};

}  // namespace ads
