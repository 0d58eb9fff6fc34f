#include "app/screens/SimpleSelectView.h"

#include <algorithm>

#include "platform/ui/Application.h"
#include "platform/ui/BarItems.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/Window.h"
#include "util/SystemVersion.h"

namespace app {

using platform::ui::BarButtonItem;
using platform::ui::SystemItem;

SimpleSelectView::SimpleSelectView(std::string nibName) : ViewControllerBase(std::move(nibName)) {
    outlet("itemInfoTextView", itemInfoTextView_);
    outlet("picker", picker_);
}

SimpleSelectView::~SimpleSelectView() = default;

void SimpleSelectView::viewDidLoad() {
    if (!picker_) return;
    auto self = std::static_pointer_cast<SimpleSelectView>(shared_from_this());
    picker_->setDataSource(std::static_pointer_cast<platform::ui::PickerViewDataSource>(self));
    picker_->setDelegate(std::static_pointer_cast<platform::ui::PickerViewDelegate>(self));
    picker_->reloadAllComponents();
}

int SimpleSelectView::rowCount() const {
    return delegate_ ? std::max(0, delegate_->itemsNum()) : 0;
}

void SimpleSelectView::startWithDelegate(std::shared_ptr<SimpleSelectViewDelegate> delegate,
                                         const std::string& title, int initialIndex) {
    setTitle(title);
    selectedIndex_ = initialIndex;
    closeAnimationEnabled_ = true;
    startWithDelegate(std::move(delegate));
}

void SimpleSelectView::startWithDelegate(std::shared_ptr<SimpleSelectViewDelegate> delegate) {
    setDelegate(std::move(delegate));
    // The index may have been chosen before the rows were known.
    setSelectedIndex(selectedIndex_);
    auto core = appCore();
    auto container = containerVC_.lock();
    if (!container) {
        std::weak_ptr<SimpleSelectView> weak =
            std::static_pointer_cast<SimpleSelectView>(shared_from_this());
        navigationItem().leftBarButtonItem =
            BarButtonItem::createSystem(SystemItem::Done, [weak](BarButtonItem&) {
                if (auto s = weak.lock()) s->onDoneBtn();
            });
        navigationItem().rightBarButtonItem =
            BarButtonItem::createSystem(SystemItem::Cancel, [weak](BarButtonItem&) {
                if (auto s = weak.lock()) s->closeWithAnimation();
            });
        container = MyNavigationController::create(shared_from_this(), appCore());
        containerVC_ = container;
    }
    open_ = true;
    if (core)
        if (auto window = core->window()) window->setRootViewController(container);
}

void SimpleSelectView::setDelegate(std::shared_ptr<SimpleSelectViewDelegate> delegate) {
    delegate_ = std::move(delegate);
    if (picker_) picker_->reloadAllComponents();
}

void SimpleSelectView::setSelectedIndex(int index) {
    // A caller's index outside the rows would make the delegate read past its items. Before
    // the rows are known the index is kept as given; the start clamps it.
    int rows = rowCount();
    selectedIndex_ = rows > 0 ? std::clamp(index, 0, rows - 1) : index;
    updateView();
}

void SimpleSelectView::updateView() {
    if (!picker_) return;
    picker_->selectRow(selectedIndex_, 0, false);
    selectRow(selectedIndex_);
}

int SimpleSelectView::pickerViewNumberOfRowsInComponent(platform::ui::PickerView&, int) {
    return rowCount();
}

std::string SimpleSelectView::pickerViewTitleForRow(platform::ui::PickerView&, int row, int) {
    return delegate_ ? delegate_->itemLabelAt(row) : std::string();
}

void SimpleSelectView::pickerViewDidSelectRow(platform::ui::PickerView&, int row, int) {
    selectRow(row);
}

void SimpleSelectView::selectRow(int row) {
    selectedIndex_ = row;
    // An empty list has no row 0 to ask about.
    if (!delegate_ || row < 0 || row >= rowCount()) return;
    auto info = delegate_->itemInfoTextAt(row);
    if (info == prevInfo_) return;
    if (itemInfoTextView_) {
        if (!info || info->empty()) {
            itemInfoTextView_->setHidden(true);
        } else {
            itemInfoTextView_->setHidden(false);
            itemInfoTextView_->setText(*info);
            itemInfoTextView_->flashScrollIndicators();
        }
    }
    prevInfo_ = std::move(info);
}

void SimpleSelectView::onDoneBtn() {
    if (!open_ || !delegate_) return;
    auto keep = shared_from_this();
    auto delegate = delegate_;
    // With no items there is nothing to choose: Done then means the same as Cancel.
    if (rowCount() == 0) {
        closeWithAnimation();
        return;
    }
    if (!delegate->canBeDoneWithIndex(selectedIndex_, *this)) return;
    delegate->didBeDoneWithIndex(selectedIndex_, *this);
    closeWithAnimation();
}

void SimpleSelectView::closeWithAnimation() {
    if (!open_) return;
    auto keep = shared_from_this();
    close();
    if (closeAnimationEnabled_)
        if (auto core = appCore())
            core->transitionAnimation(platform::ui::AnimationTransition::FlipFromLeft, 0.5);
}

void SimpleSelectView::close() {
    if (!open_) return;
    open_ = false;
    auto keep = shared_from_this();
    enterBackgroundObserver_.reset();
    if (auto container = containerVC_.lock(); container && container->isViewLoaded())
        container->view()->removeFromSuperview();
    // Forget the delegate before handing over: the next view may start this screen again
    // with a new one.
    auto delegate = std::move(delegate_);
    delegate_.reset();
    if (delegate) delegate->startNextView();
}

void SimpleSelectView::closeWhenSuspend() {
    if (enterBackgroundObserver_) return;
    std::weak_ptr<SimpleSelectView> weak =
        std::static_pointer_cast<SimpleSelectView>(shared_from_this());
    enterBackgroundObserver_ =
        platform::ui::observeNotification(platform::ui::kDidEnterBackgroundNotification, [weak] {
            if (auto s = weak.lock()) s->close();
        });
}

void SimpleSelectView::viewWillAppear(bool animated) {
    ViewControllerBase::viewWillAppear(animated);
    updateView();
}

}  // namespace app
