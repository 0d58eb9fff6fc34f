#pragma once

// What the mail and text composers share: a bar with "Cancel" and "Send" over a page of
// labelled fields and the message's text. The composers show the message they were given;
// "Send" hands it to the desktop's own mail or messaging program (Application::openWithDesktop),
// where the user can still change it before it goes. Each composer finishes once: after
// "Send" or "Cancel" both buttons do nothing more. Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/NavigationController.h"

namespace platform::ui {
class Button;
class Label;
class TextView;
}  // namespace platform::ui

namespace platform::services {

class ComposerController : public ui::NavigationController {
  public:
    void loadView() override;

    std::shared_ptr<ui::Button> cancelButton();
    std::shared_ptr<ui::Button> sendButton();
    bool isFinished() const { return finished_; }

    // The value shown beside a field's label ("To:", "Subject:"), and the message's text.
    std::string fieldText(const std::string& label) const;
    std::string bodyText() const;

  protected:
    // The bar's right button says `sendTitle`.
    ComposerController(std::string title, const std::vector<std::string>& fieldLabels,
                       std::string sendTitle = "Send");
    // The whole of a composer's create(): the bar's buttons need the shared pointer, so they
    // are attached once there is one. `key` is the composer's own pass key.
    template <class Composer, class Key>
    static std::shared_ptr<Composer> createWithButtons(Key key) {
        auto composer = std::make_shared<Composer>(key);
        static_cast<ComposerController&>(*composer).attachButtons();
        return composer;
    }
    // Whether a composer of the kind can hand a message on: yes (the desktop's opener takes
    // its URLs) unless a test said otherwise. One per kind, for the whole process.
    template <class Composer>
    static std::optional<bool>& canSendOverride() {
        static std::optional<bool> can;
        return can;
    }
    static bool canSend(const std::optional<bool>& override) { return override.value_or(true); }

    void setFieldText(const std::string& label, std::string text);
    void setBodyText(std::string text);

    // The user's choice; called once.
    virtual void send() = 0;
    virtual void cancel() = 0;

  private:
    struct Field {
        std::string label;
        std::shared_ptr<ui::Label> value;
    };

    void attachButtons();
    void finish(bool sending);

    std::shared_ptr<ui::ViewController> page_;
    std::vector<Field> fields_;
    std::shared_ptr<ui::TextView> body_;
    bool finished_ = false;
    std::string sendTitle_;
};

// Recipients as a composer shows them.
std::string joinedRecipients(const std::vector<std::string>& recipients);

}  // namespace platform::services
