#pragma once

// The text message composer's delegate proxy (GADComposeDelegateProxy): made for a composer,
// it is the composer's delegate and passes the user's result on to the opener, or closes the
// composer itself once the opener is gone. Main thread only.

#include <memory>

#include "ads/fullscreen/GADComposeDelegateProxy.h"
#include "platform/services/MessageComposer.h"

namespace ads {

class GADMessageComposeDelegateProxy
    : public GADComposeDelegateProxy<
          platform::services::MessageComposer, platform::services::MessageComposerDelegate,
          &platform::services::MessageComposer::setMessageComposeDelegate> {
    struct Private {};

  public:
    // A new proxy that has made itself the composer's delegate.
    static std::shared_ptr<GADMessageComposeDelegateProxy> associatedDelegateProxyForController(
        const std::shared_ptr<platform::services::MessageComposer>& composer);
    explicit GADMessageComposeDelegateProxy(Private) {}

    const std::shared_ptr<platform::services::MessageComposer>& messageComposeViewController()
        const {
        return composeViewController();
    }
    void setMessageComposeViewController(
        std::shared_ptr<platform::services::MessageComposer> composer) {
        setComposeViewController(std::move(composer));
    }
    std::shared_ptr<platform::services::MessageComposerDelegate> messageComposeDelegate() const {
        return composeDelegate();
    }
    void setMessageComposeDelegate(
        std::weak_ptr<platform::services::MessageComposerDelegate> delegate) {
        setComposeDelegate(std::move(delegate));
    }

    void messageComposeViewControllerDidFinish(
        platform::services::MessageComposer& composer,
        platform::services::MessageComposeResult result) override;
};

}  // namespace ads
