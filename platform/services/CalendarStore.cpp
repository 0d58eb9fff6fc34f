#include "platform/services/CalendarStore.h"

#include <memory>

#include "platform/runtime/MainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/AlertView.h"

namespace platform::services {

namespace {

// Hears the one answer to the question and stores it.
class AccessQuestion : public ui::AlertViewDelegate, public CalendarAccessRequest {
  public:
    explicit AccessQuestion(std::function<void(bool)> completion)
        : completion_(std::move(completion)) {}

    void withdraw() override {
        if (!completion_) return;
        completion_ = nullptr;
        if (auto alert = alert_.lock()) {
            // Without a click: nobody hears an answer.
            alert->setDelegate({});
            alert->dismissWithClickedButtonIndex(0, false);
        }
        MainLoop::main().post([keep = std::move(self)] {});
    }

    void alertViewClickedButtonAtIndex(ui::AlertView& alert, int index) override {
        const bool granted = index == alert.firstOtherButtonIndex();
        CalendarStore::setAuthorizationStatus(granted ? CalendarAuthorizationStatus::Authorized
                                                      : CalendarAuthorizationStatus::Denied);
        answer(granted);
    }
    void alertViewCancel(ui::AlertView&) override { answer(false); }

    std::shared_ptr<AccessQuestion> self;
    std::weak_ptr<ui::AlertView> alert_;

  private:
    void answer(bool granted) {
        auto completion = std::move(completion_);
        completion_ = nullptr;
        // Released on a later turn, never inside the alert's own call.
        MainLoop::main().post([keep = std::move(self)] {});
        if (completion) completion(granted);
    }

    std::function<void(bool)> completion_;
};

}  // namespace

CalendarAuthorizationStatus CalendarStore::authorizationStatus() {
    const auto value = UserDefaults::standard().integerForKey(kAuthorizationStatusKey);
    if (value < 0 || value > 3) return CalendarAuthorizationStatus::NotDetermined;
    return static_cast<CalendarAuthorizationStatus>(value);
}

void CalendarStore::setAuthorizationStatus(CalendarAuthorizationStatus status) {
    UserDefaults::standard().setInteger(kAuthorizationStatusKey, static_cast<int>(status));
}

std::shared_ptr<CalendarAccessRequest> CalendarStore::requestAccess(
    std::function<void(bool granted)> completion) {
    const auto status = authorizationStatus();
    if (status != CalendarAuthorizationStatus::NotDetermined) {
        MainLoop::main().post([completion = std::move(completion), status] {
            if (completion) completion(status == CalendarAuthorizationStatus::Authorized);
        });
        return nullptr;
    }
    auto question = std::make_shared<AccessQuestion>(std::move(completion));
    question->self = question;
    auto alert = ui::AlertView::create("", kAccessQuestion, question, kDenyTitle, {kAllowTitle});
    question->alert_ = alert;
    alert->show();
    return question;
}

}  // namespace platform::services
