#pragma once

// What alerts and action sheets share: numbered buttons with at most one cancel button, and
// one life from presentation through a click or a cancel to dismissal. The delegate hears each
// step once and in order (will present, did present; click or cancel; will dismiss, did
// dismiss), a dismissal asked for from inside will-dismiss is the same dismissal, and the
// object stays alive through its own callbacks. Main thread only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

class View;

class ModalChoice : public std::enable_shared_from_this<ModalChoice> {
  public:
    virtual ~ModalChoice() = default;

    int addButtonWithTitle(std::string title);
    int numberOfButtons() const { return int(buttons_.size()); }
    // Empty out of range.
    std::string buttonTitleAtIndex(int index) const;
    int cancelButtonIndex() const { return cancelIndex_; }
    void setCancelButtonIndex(int index);

    bool isVisible() const { return visible_; }
    // The user's press: click, then will/did dismiss. Ignored unless shown and in range.
    void tapButton(int index);
    // The system takes it away (the app leaves the foreground): the cancel callback, then
    // dismissal with the cancel index.
    void cancel();

    // The overlay while shown, for drawing and touches.
    std::shared_ptr<View> view() const { return overlay_; }

  protected:
    // The delegate's side of each step; a choice without a delegate does nothing.
    virtual void tellWillPresent() = 0;
    virtual void tellDidPresent() = 0;
    virtual void tellClicked(int index) = 0;
    virtual void tellCancel() = 0;
    virtual void tellWillDismiss(int index) = 0;
    virtual void tellDidDismiss(int index) = 0;
    // After dismissal, once the delegate heard it.
    virtual void didFinish() {}

    // Will present, shown, the overlay that showOverlay answers (and puts on screen), did present.
    void present(const std::function<std::shared_ptr<View>()>& showOverlay);
    // A click on the index, then dismissal with it (unless the click dismissed already).
    void clickAndFinish(int index);
    // Will dismiss, hidden, overlay gone, did dismiss, didFinish.
    void finish(int index);
    // Hidden without callbacks (tests resetting the screen).
    void hideSilently();

    std::vector<std::string> buttons_;
    int cancelIndex_ = -1;

  private:
    bool visible_ = false;
    bool dismissing_ = false;
    std::shared_ptr<View> overlay_;
};

}  // namespace platform::ui
