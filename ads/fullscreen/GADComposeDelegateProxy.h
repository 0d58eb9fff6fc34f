#pragma once

// What the mail and the text message composers' delegate proxies share
// (GADMailComposeDelegateProxy, GADMessageComposeDelegateProxy). A composer holds its delegate
// weakly and the one who asked for it (the opener) may go before the user finishes, so the
// proxy stands between them: while it proxies a composer it keeps itself and the composer
// alive; when the user finishes it passes the result on, or, with nobody left to tell, closes
// the composer itself (through the composer's GADOverlayProxy when it has one, so its slot
// hears the dismissal) and then lets go of both.
//
// Main thread only. The forward-to delegate is weak. `SetDelegate` is the composer's own
// delegate setter.

#include <memory>

#include "ads/fullscreen/GADOverlayProxy.h"
#include "platform/runtime/MainLoop.h"
#include "platform/ui/ViewController.h"

namespace ads {

template <class Composer, class Delegate, void (Composer::*SetDelegate)(std::weak_ptr<Delegate>)>
class GADComposeDelegateProxy : public Delegate,
                                public std::enable_shared_from_this<
                                    GADComposeDelegateProxy<Composer, Delegate, SetDelegate>> {
  public:
    GADComposeDelegateProxy(const GADComposeDelegateProxy&) = delete;
    GADComposeDelegateProxy& operator=(const GADComposeDelegateProxy&) = delete;

    // The composer proxied; another (or nullptr) releases the current one from this proxy.
    const std::shared_ptr<Composer>& composeViewController() const { return composer_; }
    void setComposeViewController(std::shared_ptr<Composer> composer) {
        if (composer == composer_) return;
        // Dropping strongSelf_ may be the last reference: this call finishes first.
        auto keep = this->shared_from_this();
        if (composer_) {
            ((*composer_).*SetDelegate)({});
            strongSelf_.reset();
        }
        composer_ = std::move(composer);
        if (composer_) {
            ((*composer_).*SetDelegate)(std::weak_ptr<Delegate>(keep));
            strongSelf_ = keep;
        }
    }
    std::shared_ptr<Delegate> composeDelegate() const { return delegate_.lock(); }
    void setComposeDelegate(std::weak_ptr<Delegate> delegate) { delegate_ = std::move(delegate); }

    // Lets go of the composer, the delegate and itself.
    void stopProxying() {
        auto keep = this->shared_from_this();
        setComposeViewController(nullptr);
        delegate_.reset();
    }
    bool isProxying() const { return strongSelf_ != nullptr; }

  protected:
    GADComposeDelegateProxy() = default;

    // The user finished and nobody is left to tell: the composer goes, then the proxy.
    void closeWithoutDelegate(Composer& composer) {
        std::shared_ptr<platform::ui::ViewController> controller = composer.shared_from_this();
        platform::MainLoop::main().post([controller, proxy = this->shared_from_this()] {
            GADOverlayProxy::relinquishOrDismiss(controller, [proxy] { proxy->stopProxying(); });
        });
    }

  private:
    std::shared_ptr<GADComposeDelegateProxy> strongSelf_;
    std::weak_ptr<Delegate> delegate_;
    std::shared_ptr<Composer> composer_;
};

}  // namespace ads
