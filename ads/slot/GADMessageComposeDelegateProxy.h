#pragma once

// The text message composer's counterpart of GADMailComposeDelegateProxy: it keeps itself and
// the composer alive while it proxies, passes the result on to the one who asked, or, with
// nobody left, closes the composer itself and lets go.
//
// Main thread only. The forward-to delegate is weak.

#include <memory>

#include "platform/services/MessageComposer.h"

namespace ads {

class GADMessageComposeDelegateProxy
    : public platform::services::MessageComposerDelegate,
      public std::enable_shared_from_this<GADMessageComposeDelegateProxy> {
    struct Private {};

  public:
    static std::shared_ptr<GADMessageComposeDelegateProxy> associatedDelegateProxyForController(
        const std::shared_ptr<platform::services::MessageComposer>& composer);
    explicit GADMessageComposeDelegateProxy(Private) {}
    GADMessageComposeDelegateProxy(const GADMessageComposeDelegateProxy&) = delete;
    GADMessageComposeDelegateProxy& operator=(const GADMessageComposeDelegateProxy&) = delete;

    const std::shared_ptr<platform::services::MessageComposer>& messageComposeViewController()
        const {
        return composer_;
    }
    void setMessageComposeViewController(
        std::shared_ptr<platform::services::MessageComposer> composer);
    std::shared_ptr<platform::services::MessageComposerDelegate> messageComposeDelegate() const {
        return delegate_.lock();
    }
    void setMessageComposeDelegate(
        std::weak_ptr<platform::services::MessageComposerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    void messageComposeViewControllerDidFinish(
        platform::services::MessageComposer& composer,
        platform::services::MessageComposeResult result) override;
    void stopProxying();
    bool isProxying() const { return strongSelf_ != nullptr; }

  private:
    std::shared_ptr<GADMessageComposeDelegateProxy> strongSelf_;
    std::weak_ptr<platform::services::MessageComposerDelegate> delegate_;
    std::shared_ptr<platform::services::MessageComposer> composer_;
};

}  // namespace ads
