#pragma once

// The text message composer: "New Text Message" with "To:" and the message's text, "Cancel"
// and "Send". "Send" hands an sms: URL of the recipients and text to the desktop's messaging
// program and reports sent, or failed when no program could be started; "Cancel" reports
// cancelled. The delegate (held weakly) hears the result once and dismisses the composer;
// without one the composer dismisses itself.
// Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/services/ComposeUrl.h"
#include "platform/services/ComposerController.h"

namespace platform::services {

// The values callers compare.
enum class MessageComposeResult : int { Cancelled = 0, Sent = 1, Failed = 2 };

class MessageComposer;

class MessageComposerDelegate {
  public:
    virtual ~MessageComposerDelegate() = default;
    virtual void messageComposeViewControllerDidFinish(MessageComposer&, MessageComposeResult) {}
};

class MessageComposer : public ComposerController {
  public:
    // Yes: the desktop's opener takes sms: URLs (a phone link or messaging program may
    // answer them). Tests can say no.
    static bool canSendText();
    static void setCanSendTextForTesting(std::optional<bool> can);

    static std::shared_ptr<MessageComposer> create();
    const char* className() const override { return "MFMessageComposeViewController"; }

    void setRecipients(std::vector<std::string> recipients);
    void setBody(std::string body);
    const TextMessageFields& fields() const { return fields_; }

    std::shared_ptr<MessageComposerDelegate> messageComposeDelegate() const {
        return delegate_.lock();
    }
    void setMessageComposeDelegate(std::weak_ptr<MessageComposerDelegate> d) {
        delegate_ = std::move(d);
    }

  private:
    struct Private {};

  public:
    explicit MessageComposer(Private);

  private:
    void send() override;
    void cancel() override;
    void report(MessageComposeResult result);

    TextMessageFields fields_;
    std::weak_ptr<MessageComposerDelegate> delegate_;
};

}  // namespace platform::services
