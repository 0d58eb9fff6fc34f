#include "platform/services/MailComposer.h"

#include "platform/ui/Application.h"

namespace platform::services {

bool MailComposer::canSendMail() {
    return canSend(canSendOverride<MailComposer>());
}

void MailComposer::setCanSendMailForTesting(std::optional<bool> can) {
    canSendOverride<MailComposer>() = can;
}

std::shared_ptr<MailComposer> MailComposer::create() {
    return createWithButtons<MailComposer>(Private{});
}

MailComposer::MailComposer(Private)
    : ComposerController("New Message", {"To:", "Cc:", "Bcc:", "Subject:"}) {}

void MailComposer::setToRecipients(std::vector<std::string> to) {
    fields_.to = std::move(to);
    setFieldText("To:", joinedRecipients(fields_.to));
}

void MailComposer::setCcRecipients(std::vector<std::string> cc) {
    fields_.cc = std::move(cc);
    setFieldText("Cc:", joinedRecipients(fields_.cc));
}

void MailComposer::setBccRecipients(std::vector<std::string> bcc) {
    fields_.bcc = std::move(bcc);
    setFieldText("Bcc:", joinedRecipients(fields_.bcc));
}

void MailComposer::setSubject(std::string subject) {
    fields_.subject = std::move(subject);
    setFieldText("Subject:", fields_.subject);
}

void MailComposer::setMessageBody(std::string body, bool isHTML) {
    fields_.body = std::move(body);
    bodyIsHTML_ = isHTML;
    setBodyText(fields_.body);
}

void MailComposer::send() {
    if (ui::Application::shared().openWithDesktop(mailtoUrl(fields_))) {
        report(MailComposeResult::Sent, std::nullopt);
        return;
    }
    report(MailComposeResult::Failed,
           Error::make(kMailComposeErrorDomain, kMailComposeErrorSendFailed,
                       "No program on this computer could take the message."));
}

void MailComposer::cancel() {
    report(MailComposeResult::Cancelled, std::nullopt);
}

void MailComposer::report(MailComposeResult result, const std::optional<Error>& error) {
    // Kept alive for the call: the delegate usually lets go of the composer in it.
    auto keep = shared_from_this();
    if (auto d = mailComposeDelegate())
        d->mailComposeControllerDidFinish(*this, result, error);
    else
        dismissViewController(true);
}

}  // namespace platform::services
