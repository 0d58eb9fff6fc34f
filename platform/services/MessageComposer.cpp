#include "platform/services/MessageComposer.h"

#include "platform/ui/Application.h"

namespace platform::services {

bool MessageComposer::canSendText() {
    return canSend(canSendOverride<MessageComposer>());
}

void MessageComposer::setCanSendTextForTesting(std::optional<bool> can) {
    canSendOverride<MessageComposer>() = can;
}

std::shared_ptr<MessageComposer> MessageComposer::create() {
    return createWithButtons<MessageComposer>(Private{});
}

MessageComposer::MessageComposer(Private) : ComposerController("New Text Message", {"To:"}) {}

void MessageComposer::setRecipients(std::vector<std::string> recipients) {
    fields_.recipients = std::move(recipients);
    setFieldText("To:", joinedRecipients(fields_.recipients));
}

void MessageComposer::setBody(std::string body) {
    fields_.body = std::move(body);
    setBodyText(fields_.body);
}

void MessageComposer::send() {
    bool handedOn = ui::Application::shared().openWithDesktop(smsUrl(fields_));
    report(handedOn ? MessageComposeResult::Sent : MessageComposeResult::Failed);
}

void MessageComposer::cancel() {
    report(MessageComposeResult::Cancelled);
}

void MessageComposer::report(MessageComposeResult result) {
    // Kept alive for the call: the delegate usually lets go of the composer in it.
    auto keep = shared_from_this();
    if (auto d = messageComposeDelegate())
        d->messageComposeViewControllerDidFinish(*this, result);
    else
        dismissViewController(true);
}

}  // namespace platform::services
