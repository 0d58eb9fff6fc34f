#include "ads/fullscreen/GADOpenerComposers.h"

#include "ads/fullscreen/GADComposeURLFields.h"
#include "ads/fullscreen/GADMailComposeDelegateProxy.h"
#include "ads/fullscreen/GADMessageComposeDelegateProxy.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADOverlayProxy.h"
#include "ads/fullscreen/GADViewController.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/View.h"

namespace ads {

using platform::services::MailComposer;
using platform::services::MessageComposer;

std::shared_ptr<GADOpenerComposers> GADOpenerComposers::create(std::weak_ptr<GADOpener> opener) {
    return std::make_shared<GADOpenerComposers>(Private{}, std::move(opener));
}

void GADOpenerComposers::openEmailComposer(const platform::Url& url) {
    MOVU_CHECK_MAIN_THREAD();
    auto opener = opener_.lock();
    if (!opener || !opener->shouldPerformOpenAction() || !opener->canOpenContent(true) ||
        !MailComposer::canSendMail()) {
        return;
    }
    auto composer = MailComposer::create();
    if (!composer) return;
    if (auto overlay = GADOverlayProxy::create(composer)) overlay->setSlot(opener->slot());
    auto proxy = GADMailComposeDelegateProxy::associatedDelegateProxyForController(composer);
    proxy->setMailComposeDelegate(
        std::weak_ptr<platform::services::MailComposerDelegate>(weak_from_this()));
    auto fields = gad_mailFieldsFromURLString(url.absoluteString());
    composer->setToRecipients(std::move(fields.to));
    composer->setCcRecipients(std::move(fields.cc));
    composer->setBccRecipients(std::move(fields.bcc));
    composer->setSubject(std::move(fields.subject));
    composer->setMessageBody(std::move(fields.body), false);
    composer->setModalTransitionStyle(platform::ui::ModalTransitionStyle::CoverVertical);
    presentPastTheGate(composer);
}

void GADOpenerComposers::openSmsComposer(const platform::Url& url) {
    MOVU_CHECK_MAIN_THREAD();
    auto opener = opener_.lock();
    if (!opener || !opener->shouldPerformOpenAction() || !opener->canOpenContent(true) ||
        !MessageComposer::canSendText()) {
        return;
    }
    auto composer = MessageComposer::create();
    if (!composer) return;
    if (auto overlay = GADOverlayProxy::create(composer)) overlay->setSlot(opener->slot());
    auto proxy = GADMessageComposeDelegateProxy::associatedDelegateProxyForController(composer);
    proxy->setMessageComposeDelegate(
        std::weak_ptr<platform::services::MessageComposerDelegate>(weak_from_this()));
    auto fields = gad_textMessageFieldsFromURLString(url.absoluteString());
    composer->setRecipients(std::move(fields.recipients));
    composer->setBody(std::move(fields.body));
    composer->setModalTransitionStyle(platform::ui::ModalTransitionStyle::CoverVertical);
    presentPastTheGate(composer);
}

void GADOpenerComposers::presentComposerController(
    const std::shared_ptr<platform::ui::ViewController>& composer) {
    MOVU_CHECK_MAIN_THREAD();
    if (!composer) return;
    auto opener = opener_.lock();
    if (!opener || !opener->shouldPerformOpenAction()) {
        abandonComposer(composer);
        return;
    }
    presentPastTheGate(composer);
}

void GADOpenerComposers::presentPastTheGate(
    const std::shared_ptr<platform::ui::ViewController>& composer) {
    MOVU_CHECK_MAIN_THREAD();
    if (!composer) return;
    auto opener = opener_.lock();
    if (!opener) {
        abandonComposer(composer);
        return;
    }
    auto from = opener->viewController();
    if (auto screen = std::dynamic_pointer_cast<GADViewController>(from);
        screen && !screen->view()->isUserInteractionEnabled()) {
        // A screen that is leaving (or gone) will not take the composer later either.
        if (!screen->isRetainingItself()) {
            abandonComposer(composer);
            return;
        }
        std::weak_ptr<GADOpenerComposers> weakSelf = weak_from_this();
        std::weak_ptr<platform::ui::ViewController> weakComposer = composer;
        platform::MainLoop::main().postAfter(kComposerRetryInterval, [weakSelf, weakComposer] {
            auto composer = weakComposer.lock();
            if (!composer) return;
            if (auto self = weakSelf.lock())
                self->presentPastTheGate(composer);
            else
                abandonComposer(composer);
        });
        return;
    }
    // The gate was passed when the ad asked; an ad gone from the screen since (its screen
    // closed while the editor waited) puts nothing over the app's.
    if (!opener->isAdOnScreen()) {
        abandonComposer(composer);
        return;
    }
    auto overlay = GADOverlayProxy::overlayProxyForViewController(composer);
    if (!overlay) {
        overlay = GADOverlayProxy::create(composer);
        overlay->setSlot(opener->slot());
    }
    overlay->setOpener(opener);
    if (overlay->presentFromViewController(from, {})) {
        opener->didOpenInApp();
        return;
    }
    overlay->setOpener(nullptr);
    abandonComposer(composer);
}

void GADOpenerComposers::abandonComposer(
    const std::shared_ptr<platform::ui::ViewController>& composer) {
    if (auto mail = std::dynamic_pointer_cast<MailComposer>(composer)) {
        if (auto proxy = std::dynamic_pointer_cast<GADMailComposeDelegateProxy>(
                mail->mailComposeDelegate())) {
            proxy->stopProxying();
        }
    } else if (auto message = std::dynamic_pointer_cast<MessageComposer>(composer)) {
        if (auto proxy = std::dynamic_pointer_cast<GADMessageComposeDelegateProxy>(
                message->messageComposeDelegate())) {
            proxy->stopProxying();
        }
    }
}

void GADOpenerComposers::mailComposeControllerDidFinish(MailComposer& composer,
                                                        platform::services::MailComposeResult,
                                                        const std::optional<platform::Error>&) {
    MOVU_CHECK_MAIN_THREAD();
    finishComposer(composer.shared_from_this());
}

void GADOpenerComposers::messageComposeViewControllerDidFinish(
    MessageComposer& composer, platform::services::MessageComposeResult) {
    MOVU_CHECK_MAIN_THREAD();
    finishComposer(composer.shared_from_this());
}

void GADOpenerComposers::finishComposer(
    const std::shared_ptr<platform::ui::ViewController>& composer) {
    platform::MainLoop::main().post([composer] {
        GADOverlayProxy::relinquishOrDismiss(composer, [composer] { abandonComposer(composer); });
    });
}

}  // namespace ads
