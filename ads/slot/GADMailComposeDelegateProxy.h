#pragma once

// Stands between a mail composer and the one who asked for it (the opener), since the composer
// holds its delegate weakly and the opener may go before the user finishes. While it proxies a
// composer the proxy keeps itself and the composer alive; when the user finishes it passes the
// result on, or, with nobody left to tell, closes the composer itself (through the composer's
// GADOverlayProxy when it has one, so its slot hears the dismissal) and then lets go of both.
//
// Main thread only. The forward-to delegate is weak.

#include <memory>

#include "platform/services/MailComposer.h"

namespace ads {

class GADMailComposeDelegateProxy
    : public platform::services::MailComposerDelegate,
      public std::enable_shared_from_this<GADMailComposeDelegateProxy> {
    struct Private {};

  public:
    // A new proxy that has made itself the composer's delegate.
    static std::shared_ptr<GADMailComposeDelegateProxy> associatedDelegateProxyForController(
        const std::shared_ptr<platform::services::MailComposer>& composer);
    explicit GADMailComposeDelegateProxy(Private) {}
    GADMailComposeDelegateProxy(const GADMailComposeDelegateProxy&) = delete;
    GADMailComposeDelegateProxy& operator=(const GADMailComposeDelegateProxy&) = delete;

    // The composer proxied; another (or nullptr) releases the current one from this proxy.
    const std::shared_ptr<platform::services::MailComposer>& mailComposeViewController() const {
        return composer_;
    }
    void setMailComposeViewController(std::shared_ptr<platform::services::MailComposer> composer);
    std::shared_ptr<platform::services::MailComposerDelegate> mailComposeDelegate() const {
        return delegate_.lock();
    }
    void setMailComposeDelegate(std::weak_ptr<platform::services::MailComposerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    void mailComposeControllerDidFinish(platform::services::MailComposer& composer,
                                        platform::services::MailComposeResult result,
                                        const std::optional<platform::Error>& error) override;
    // Lets go of the composer, the delegate and itself.
    void stopProxying();
    bool isProxying() const { return strongSelf_ != nullptr; }

  private:
    std::shared_ptr<GADMailComposeDelegateProxy> strongSelf_;
    std::weak_ptr<platform::services::MailComposerDelegate> delegate_;
    std::shared_ptr<platform::services::MailComposer> composer_;
};

}  // namespace ads
