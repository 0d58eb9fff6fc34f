#pragma once

// The opener's mail and text composers (platform::services), filled from mailto: and sms:
// links (GADComposeURLFields), each behind its compose delegate proxy and its GADOverlayProxy,
// which keeps the opener alive while the composer is up. A composer asked for while the
// full-screen ad it comes from is appearing or leaving is tried again every 0.25 s (holding
// opener and composer weakly) until that screen takes touches again, and given up once the
// screen is gone or off screen, or the ad is no longer on screen (GADOpener::isAdOnScreen).
// One composer is one opening: the gate is asked once, when the page asks. A finished composer
// leaves on a later turn; one whose opener is gone still closes, and its proxy lets go.
//
// Main thread only. Its opener owns it and is held weakly; the compose delegate proxies hold
// it weakly as the composers' delegate.

#include <memory>
#include <optional>
#include <utility>

#include "platform/base/Url.h"
#include "platform/services/MailComposer.h"
#include "platform/services/MessageComposer.h"

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADOpener;

class GADOpenerComposers : public platform::services::MailComposerDelegate,
                           public platform::services::MessageComposerDelegate,
                           public std::enable_shared_from_this<GADOpenerComposers> {
    struct Private {};

  public:
    // Between two tries to put a composer over a screen that is appearing or leaving.
    static constexpr double kComposerRetryInterval = 0.25;

    static std::shared_ptr<GADOpenerComposers> create(std::weak_ptr<GADOpener> opener);
    GADOpenerComposers(Private, std::weak_ptr<GADOpener> opener) : opener_(std::move(opener)) {}

    // Behind the opener's gate, with a view controller to present from and a desktop that can
    // send mail (or text).
    void openEmailComposer(const platform::Url& url);
    void openSmsComposer(const platform::Url& url);
    // Puts a composer (or another platform editor) up over the opener's view controller,
    // after the gate.
    void presentComposerController(const std::shared_ptr<platform::ui::ViewController>& composer);
    // The same for an editor whose opening already passed the gate: it only needs the ad still
    // on screen when its turn comes.
    void presentPastTheGate(const std::shared_ptr<platform::ui::ViewController>& composer);

    void mailComposeControllerDidFinish(platform::services::MailComposer& composer,
                                        platform::services::MailComposeResult result,
                                        const std::optional<platform::Error>& error) override;
    void messageComposeViewControllerDidFinish(
        platform::services::MessageComposer& composer,
        platform::services::MessageComposeResult result) override;

  private:
    static void finishComposer(const std::shared_ptr<platform::ui::ViewController>& composer);
    // The user interacted too early or the screen went: the composer's proxy lets go.
    static void abandonComposer(const std::shared_ptr<platform::ui::ViewController>& composer);

    std::weak_ptr<GADOpener> opener_;
};

}  // namespace ads
