#pragma once

// A choice of actions sliding up from the bottom. Index rules (the callers' delegates switch on
// these numbers): the destructive button (when given) first, then the others, then the cancel
// button last; addButtonWithTitle appends. Cancelling from outside answers the cancel index.

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/ModalChoice.h"

namespace platform::ui {

class ActionSheet;
class View;

class ActionSheetDelegate {
  public:
    virtual ~ActionSheetDelegate() = default;
    virtual void actionSheetClickedButtonAtIndex(ActionSheet&, int /*index*/) {}
    virtual void actionSheetCancel(ActionSheet&) {}
    virtual void willPresentActionSheet(ActionSheet&) {}
    virtual void didPresentActionSheet(ActionSheet&) {}
    virtual void actionSheetWillDismissWithButtonIndex(ActionSheet&, int /*index*/) {}
    virtual void actionSheetDidDismissWithButtonIndex(ActionSheet&, int /*index*/) {}
};

class ActionSheet : public ModalChoice {
  public:
    static std::shared_ptr<ActionSheet> create(std::string title,
                                               std::weak_ptr<ActionSheetDelegate> delegate = {},
                                               std::string cancelButtonTitle = {},
                                               std::string destructiveButtonTitle = {},
                                               std::vector<std::string> otherButtonTitles = {});

    const std::string& title() const { return title_; }
    void setTitle(std::string t) { title_ = std::move(t); }
    int tag() const { return tag_; }
    void setTag(int t) { tag_ = t; }
    std::shared_ptr<ActionSheetDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ActionSheetDelegate> d) { delegate_ = std::move(d); }

    int destructiveButtonIndex() const { return destructiveIndex_; }
    void setDestructiveButtonIndex(int index);
    int firstOtherButtonIndex() const;

    // Shows it over the window of the view (the key window when the view has none). While
    // shown it keeps itself alive.
    void showInView(const std::shared_ptr<View>& view);
    // A touch outside the sheet: a click on the cancel index.
    void tapOutside();
    void dismissWithClickedButtonIndex(int index, bool animated = true);

  private:
    void tellWillPresent() override;
    void tellDidPresent() override;
    void tellClicked(int index) override;
    void tellCancel() override;
    void tellWillDismiss(int index) override;
    void tellDidDismiss(int index) override;
    // Lets go of itself.
    void didFinish() override;

    std::shared_ptr<View> buildOverlay(double width, double height);

    std::string title_;
    int tag_ = 0;
    std::weak_ptr<ActionSheetDelegate> delegate_;
    int destructiveIndex_ = -1;
    std::shared_ptr<ActionSheet> self_;
};

}  // namespace platform::ui
