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

class AlertView : public std::enable_shared_from_this<AlertView> {
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

    int addButtonWithTitle(std::string title);
    int numberOfButtons() const { return int(buttons_.size()); }
    // Empty out of range.
    std::string buttonTitleAtIndex(int index) const;
    int cancelButtonIndex() const { return cancelIndex_; }
    void setCancelButtonIndex(int index);
    // The first button that is not the cancel button; -1 when there is none.
    int firstOtherButtonIndex() const;

    // Shows it now, or after the alerts before it. A second show is ignored.
    void show();
    bool isVisible() const { return visible_; }
    bool isQueued() const;
    // Goes away without a click: the delegate hears will/did dismiss only. A queued alert
    // simply leaves the queue.
    void dismissWithClickedButtonIndex(int index, bool animated = true);
    // The user's press: click, then will/did dismiss. Ignored unless shown and in range.
    void tapButton(int index);
    // The system takes the alert away (the app leaves the foreground): alertViewCancel, then
    // dismissal with the cancel index.
    void cancel();

    // The overlay while shown, for drawing and touches.
    std::shared_ptr<View> view() const { return overlay_; }

    // The alert on screen, and how many wait (tests, diagnostics).
    static std::shared_ptr<AlertView> visibleAlert();
    static std::size_t queuedCount();
    // Drops every alert without callbacks (tests).
    static void resetAll();

  private:
    void present();
    void finish(int index);
    std::shared_ptr<View> buildOverlay();

    std::string title_;
    std::string message_;
    int tag_ = 0;
    std::weak_ptr<AlertViewDelegate> delegate_;
    std::vector<std::string> buttons_;
    int cancelIndex_ = -1;
    bool visible_ = false;
    bool dismissing_ = false;
    std::shared_ptr<View> overlay_;
};

}  // namespace platform::ui
