#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/services/MailComposer.h"
#include "platform/services/MessageComposer.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"

namespace platform::services {
namespace {

using testing::ScreenshotCamera;

struct Results : MailComposerDelegate, MessageComposerDelegate {
    void mailComposeControllerDidFinish(MailComposer& composer, MailComposeResult result,
                                        const std::optional<Error>& error) override {
        mail.push_back(result);
        mailErrors.push_back(error ? error->localizedDescription() : "");
        composer.dismissViewController(true);
    }
    void messageComposeViewControllerDidFinish(MessageComposer& composer,
                                               MessageComposeResult result) override {
        messages.push_back(result);
        composer.dismissViewController(true);
    }
    std::vector<MailComposeResult> mail;
    std::vector<std::string> mailErrors;
    std::vector<MessageComposeResult> messages;
};

class ComposerTest : public ::testing::Test {
  protected:
    ComposerTest() {
        window->setRootViewController(root);
        ui::Application::shared().setDesktopOpener([this](const std::vector<std::string>& argv) {
            opened.push_back(argv.at(1));
            return openerStarts;
        });
    }

    void present(const std::shared_ptr<ui::ViewController>& composer) {
        ASSERT_TRUE(root->presentViewController(composer, true));
        loop.advance(1);
    }
    gfx::Image shoot(const std::string& name) {
        std::string error;
        auto image = camera.shoot(*window, name, &error);
        EXPECT_EQ(error, "");
        return image;
    }

    MainLoopTestScope loop;
    platform::testing::PlatformStateScope platformState;
    std::shared_ptr<ui::Window> window = ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<ui::ViewController> root = ui::ViewController::create();
    std::shared_ptr<Results> results = std::make_shared<Results>();
    std::vector<std::string> opened;
    bool openerStarts = true;
    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
};

TEST_F(ComposerTest, MailShowsItsFieldsAndSendHandsThemToTheDesktop) {
    ASSERT_TRUE(camera.isReady()) << cameraError;
    EXPECT_TRUE(MailComposer::canSendMail());
    auto mail = MailComposer::create();
    mail->setToRecipients({"ads@example.com"});
    mail->setCcRecipients({"a@example.com", "b@example.com"});
    mail->setSubject("Your coupon");
    mail->setMessageBody("Show this at the counter.\nThanks!", false);
    mail->setMailComposeDelegate(results);
    present(mail);
    EXPECT_EQ(mail->titleLabel()->text(), "New Message");
    EXPECT_EQ(mail->cancelButton()->currentTitle(), "Cancel");
    EXPECT_EQ(mail->sendButton()->currentTitle(), "Send");
    EXPECT_EQ(mail->fieldText("To:"), "ads@example.com");
    EXPECT_EQ(mail->fieldText("Cc:"), "a@example.com, b@example.com");
    EXPECT_EQ(mail->fieldText("Bcc:"), "");
    EXPECT_EQ(mail->fieldText("Subject:"), "Your coupon");
    EXPECT_EQ(mail->bodyText(), "Show this at the counter.\nThanks!");
    auto image = shoot("mail_composer.png");
    auto page = ScreenshotCamera::rgb(image, 300, 300);
    EXPECT_GT(page[0] + page[1] + page[2], 3 * 240);

    mail->sendButton()->tap();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0],
              "mailto:ads@example.com?cc=a@example.com,b@example.com&subject=Your%20coupon"
              "&body=Show%20this%20at%20the%20counter.%0D%0AThanks%21");
    EXPECT_EQ(results->mail, (std::vector{MailComposeResult::Sent}));
    // Finished once: the buttons do nothing more.
    mail->sendButton()->tap();
    mail->cancelButton()->tap();
    EXPECT_EQ(results->mail.size(), 1u);
    EXPECT_EQ(opened.size(), 1u);
    loop.advance(1);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(ComposerTest, MailCancelledOrWithoutAMailProgram) {
    auto cancelled = MailComposer::create();
    cancelled->setMailComposeDelegate(results);
    present(cancelled);
    cancelled->cancelButton()->tap();
    EXPECT_TRUE(opened.empty());
    loop.advance(1);

    openerStarts = false;
    auto failing = MailComposer::create();
    failing->setToRecipients({"x@example.com"});
    failing->setMailComposeDelegate(results);
    present(failing);
    failing->sendButton()->tap();
    EXPECT_EQ(results->mail,
              (std::vector{MailComposeResult::Cancelled, MailComposeResult::Failed}));
    EXPECT_EQ(results->mailErrors.back(), "No program on this computer could take the message.");

    // Without a delegate a composer closes itself.
    loop.advance(1);
    auto lone = MailComposer::create();
    present(lone);
    lone->cancelButton()->tap();
    loop.advance(1);
    EXPECT_EQ(root->presentedViewController(), nullptr);

    MailComposer::setCanSendMailForTesting(false);
    EXPECT_FALSE(MailComposer::canSendMail());
}

TEST_F(ComposerTest, TextMessageShowsRecipientsAndSendHandsThemToTheDesktop) {
    ASSERT_TRUE(camera.isReady()) << cameraError;
    EXPECT_TRUE(MessageComposer::canSendText());
    auto message = MessageComposer::create();
    message->setRecipients({"+15105550101", "+15105550102"});
    message->setBody("See you at 8?");
    message->setMessageComposeDelegate(results);
    present(message);
    EXPECT_EQ(message->titleLabel()->text(), "New Text Message");
    EXPECT_EQ(message->fieldText("To:"), "+15105550101, +15105550102");
    EXPECT_EQ(message->fieldText("Subject:"), "");
    EXPECT_EQ(message->bodyText(), "See you at 8?");
    shoot("message_composer.png");

    message->sendButton()->tap();
    EXPECT_EQ(
        opened,
        (std::vector<std::string>{"sms:+15105550101,+15105550102?body=See%20you%20at%208%3F"}));
    EXPECT_EQ(results->messages, (std::vector{MessageComposeResult::Sent}));
    loop.advance(1);

    openerStarts = false;
    auto failing = MessageComposer::create();
    failing->setMessageComposeDelegate(results);
    present(failing);
    failing->sendButton()->tap();
    loop.advance(1);
    auto cancelled = MessageComposer::create();
    cancelled->setMessageComposeDelegate(results);
    present(cancelled);
    cancelled->cancelButton()->tap();
    EXPECT_EQ(results->messages,
              (std::vector{MessageComposeResult::Sent, MessageComposeResult::Failed,
                           MessageComposeResult::Cancelled}));

    MessageComposer::setCanSendTextForTesting(false);
    EXPECT_FALSE(MessageComposer::canSendText());
}

}  // namespace
}  // namespace platform::services
