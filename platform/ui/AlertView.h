#pragma once

// A modal alert: title, message and buttons. Button indices (the callers' delegates switch on these
// numbers): the cancel button (when given) is 0, the other buttons follow in order, and
// addButtonWithTitle appends. Alerts queue: only one is on screen; the next shows when it goes.
// While shown or queued an alert keeps itself alive, so callers may drop their reference after
// show().

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/ModalChoice.h"

namespace platform::ui {

class AlertView;
class View;

class AlertViewDelegate {
  public:
    virtual ~AlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(AlertView&, int /*index*/) {}
    virtual void alertViewCancel(AlertView&) {}
    virtual void willPresentAlertView(AlertView&) {}
    virtual void didPresentAlertView(AlertView&) {}
    virtual void alertViewWillDismissWithButtonIndex(AlertView&, int /*index*/) {}
    virtual void alertViewDidDismissWithButtonIndex(AlertView&, int /*index*/) {}
};

class AlertView : public ModalChoice {
  public:
    // An empty cancel title means no cancel button.
    static std::shared_ptr<AlertView> create(std::string title, std::string message,
                                             std::weak_ptr<AlertViewDelegate> delegate = {},
                                             std::string cancelButtonTitle = {},
                                             std::vector<std::string> otherButtonTitles = {});

    const std::string& title() const { return title_; }
    void setTitle(std::string t) { title_ = std::move(t); }
    const std::string& message() const { return message_; }
    void setMessage(std::string m) { message_ = std::move(m); }
    int tag() const { return tag_; }
    void setTag(int t) { tag_ = t; }
    std::shared_ptr<AlertViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<AlertViewDelegate> d) { delegate_ = std::move(d); }

    // The first button that is not the cancel button; -1 when there is none.
    int firstOtherButtonIndex() const;

    // Shows it now, or after the alerts before it. A second show is ignored.
    void show();
    bool isQueued() const;
    // Goes away without a click: the delegate hears will/did dismiss only. A queued alert
    // simply leaves the queue.
    void dismissWithClickedButtonIndex(int index, bool animated = true);

    // The alert on screen, and how many wait (tests, diagnostics).
    static std::shared_ptr<AlertView> visibleAlert();
    static std::size_t queuedCount();
    // Drops every alert without callbacks (tests).
    static void resetAll();

  private:
    void tellWillPresent() override;
    void tellDidPresent() override;
    void tellClicked(int index) override;
    void tellCancel() override;
    void tellWillDismiss(int index) override;
    void tellDidDismiss(int index) override;
    // The next queued alert comes up.
    void didFinish() override;

    std::shared_ptr<AlertView> self() {
        return std::static_pointer_cast<AlertView>(shared_from_this());
    }
    void presentNow();
    std::shared_ptr<View> buildOverlay();

    std::string title_;
    std::string message_;
    int tag_ = 0;
    std::weak_ptr<AlertViewDelegate> delegate_;
};

}  // namespace platform::ui
