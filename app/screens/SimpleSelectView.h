#pragma once

// The one-column selection screen: a picker of the delegate's items with an info text for the
// selected one, Done and Cancel in a navigation bar. One object per orientation is reused by
// every caller; each start replaces delegate, title and index, and each close hands control to
// the delegate's startNextView and forgets the delegate.

#include <memory>
#include <optional>
#include <string>

#include "app/screens/ViewControllerBase.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/TextView.h"

namespace app {

class SimpleSelectView;

class SimpleSelectViewDelegate {
  public:
    virtual ~SimpleSelectViewDelegate() = default;
    virtual int itemsNum() = 0;
    virtual std::string itemLabelAt(int index) = 0;
    // nullopt: no info for this item.
    virtual std::optional<std::string> itemInfoTextAt(int index) = 0;
    virtual bool canBeDoneWithIndex(int index, SimpleSelectView& view) = 0;
    virtual void didBeDoneWithIndex(int index, SimpleSelectView& view) = 0;
    // Shows whatever follows the selection.
    virtual void startNextView() = 0;
};

class SimpleSelectView : public ViewControllerBase,
                         public platform::ui::PickerViewDataSource,
                         public platform::ui::PickerViewDelegate {
  public:
    static constexpr double kComponentWidth = 300;
    static constexpr double kRowHeight = 40;

    explicit SimpleSelectView(std::string nibName = "SimpleSelect_Portrait");
    ~SimpleSelectView() override;
    const char* className() const override { return "SimpleSelectView"; }

    void startWithDelegate(std::shared_ptr<SimpleSelectViewDelegate> delegate,
                           const std::string& title, int initialIndex);
    void startWithDelegate(std::shared_ptr<SimpleSelectViewDelegate> delegate);
    void setDelegate(std::shared_ptr<SimpleSelectViewDelegate> delegate);
    std::shared_ptr<SimpleSelectViewDelegate> delegate() const { return delegate_; }
    void setSelectedIndex(int index);
    int selectedIndex() const { return selectedIndex_; }
    bool closeAnimationEnabled() const { return closeAnimationEnabled_; }
    void setCloseAnimationEnabled(bool e) { closeAnimationEnabled_ = e; }

    void updateView();
    void onDoneBtn();
    void closeWithAnimation();
    void close();
    // Closes the screen when the app goes to the background.
    void closeWhenSuspend();

    std::shared_ptr<platform::ui::NavigationController> containerVC() const {
        return containerVC_.lock();
    }
    std::shared_ptr<platform::ui::PickerView> picker() const { return picker_; }
    std::shared_ptr<platform::ui::TextView> itemInfoTextView() const { return itemInfoTextView_; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    // Picker data source and delegate
    int numberOfComponentsInPickerView(platform::ui::PickerView&) override { return 1; }
    int pickerViewNumberOfRowsInComponent(platform::ui::PickerView&, int) override;
    std::string pickerViewTitleForRow(platform::ui::PickerView&, int row, int) override;
    double pickerViewWidthForComponent(platform::ui::PickerView&, int) override {
        return kComponentWidth;
    }
    double pickerViewRowHeightForComponent(platform::ui::PickerView&, int) override {
        return kRowHeight;
    }
    void pickerViewDidSelectRow(platform::ui::PickerView&, int row, int) override;

  private:
    int rowCount() const;
    void selectRow(int row);

    std::shared_ptr<platform::ui::TextView> itemInfoTextView_;
    std::shared_ptr<platform::ui::PickerView> picker_;
    int selectedIndex_ = 0;
    std::shared_ptr<SimpleSelectViewDelegate> delegate_;
    std::optional<std::string> prevInfo_;
    std::shared_ptr<void> enterBackgroundObserver_;
    // The container holds this screen; holding it back weakly avoids a cycle. The window's
    // root keeps it while shown; a start after it has gone makes a new one.
    std::weak_ptr<platform::ui::NavigationController> containerVC_;
    bool closeAnimationEnabled_ = false;
    // Between a start and its close: a second close, or a Done after it, does nothing.
    bool open_ = false;
};

}  // namespace app
