#pragma once

// The mail composer: "New Message" with "To:", "Cc:", "Bcc:", "Subject:" and the message's
// text, "Cancel" and "Send". "Send" hands a mailto: URL of the fields to the desktop's mail
// program and reports sent, or failed when no program could be started; "Cancel" reports
// cancelled. The delegate (held weakly) hears the result once and dismisses the composer;
// without one the composer dismisses itself.
// Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/services/ComposeUrl.h"
#include "platform/services/ComposerController.h"

namespace platform::services {

// The values callers compare.
enum class MailComposeResult : int { Cancelled = 0, Saved = 1, Sent = 2, Failed = 3 };
inline constexpr const char* kMailComposeErrorDomain = "MFMailComposeErrorDomain";
inline constexpr std::int64_t kMailComposeErrorSendFailed = 1;

class MailComposer;

class MailComposerDelegate {
  public:
    virtual ~MailComposerDelegate() = default;
    virtual void mailComposeControllerDidFinish(MailComposer&, MailComposeResult,
                                                const std::optional<Error>&) {}
};

class MailComposer : public ComposerController {
  public:
    // Yes: the desktop's opener takes mailto: URLs. Tests can say no.
    static bool canSendMail();
    static void setCanSendMailForTesting(std::optional<bool> can);

    static std::shared_ptr<MailComposer> create();
    const char* className() const override { return "MFMailComposeViewController"; }

    void setToRecipients(std::vector<std::string> to);
    void setCcRecipients(std::vector<std::string> cc);
    void setBccRecipients(std::vector<std::string> bcc);
    void setSubject(std::string subject);
    // An HTML body is handed on as it is: mailto: has no way to mark it.
    void setMessageBody(std::string body, bool isHTML);
    const MailFields& fields() const { return fields_; }
    bool isBodyHTML() const { return bodyIsHTML_; }

    std::shared_ptr<MailComposerDelegate> mailComposeDelegate() const { return delegate_.lock(); }
    void setMailComposeDelegate(std::weak_ptr<MailComposerDelegate> d) { delegate_ = std::move(d); }

  private:
    struct Private {};

  public:
    explicit MailComposer(Private);

  private:
    void send() override;
    void cancel() override;
    void report(MailComposeResult result, const std::optional<Error>& error);

    MailFields fields_;
    bool bodyIsHTML_ = false;
    std::weak_ptr<MailComposerDelegate> delegate_;
};

}  // namespace platform::services
