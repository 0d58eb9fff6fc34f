#include "platform/ui/NavigationController.h"

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Toolbar.h"

namespace platform::ui {

std::shared_ptr<NavigationController> NavigationController::create(
    const std::shared_ptr<ViewController>& root) {
    auto nav = std::make_shared<NavigationController>();
    if (root) nav->pushViewController(root, false);
    return nav;
}

void NavigationController::loadView() {
    auto v = View::create(Screen::mainScreen().bounds());
    v->setBackgroundColor(Color::black());
    bar_ = View::create({0, 0, v->bounds().size.width, kBarHeight});
    bar_->setBackgroundColor({0.43f, 0.52f, 0.64f, 1});
    bar_->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleBottomMargin);
    titleLabel_ = Label::create({60, 0, v->bounds().size.width - 120, kBarHeight});
    titleLabel_->setTextAlignment(TextAlignment::Center);
    titleLabel_->setTextColor(Color::whiteColor());
    titleLabel_->setFont({20, true});
    titleLabel_->setAutoresizingMask(AutoresizingFlexibleWidth);
    bar_->addSubview(titleLabel_);
    v->addSubview(bar_);
    setView(v);
    // The top controller's view joins now that there is somewhere to put it.
    showTop(nullptr);
}

Rect NavigationController::contentFrame() const {
    Rect b = isViewLoaded() ? const_cast<NavigationController*>(this)->view()->bounds()
                            : Screen::mainScreen().bounds();
    if (barHidden_) return b;
    return {b.origin.x, b.origin.y + kBarHeight, b.size.width, b.size.height - kBarHeight};
}

void NavigationController::showTop(const std::shared_ptr<ViewController>& previous) {
    if (!isViewLoaded()) return;
    if (previous && previous->isViewLoaded()) previous->view()->removeFromSuperview();
    if (auto top = topViewController()) {
        auto v = top->view();
        v->setFrame(contentFrame());
        v->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
        if (v->superview() != view()) view()->insertSubviewBelow(v, bar_);
    }
    updateBar();
}

void NavigationController::updateBar() {
    if (!bar_) return;
    auto top = topViewController();
    titleLabel_->setText(top ? top->navigationItem().title : std::string());
    if (leftButton_) leftButton_->removeFromSuperview();
    if (rightButton_) rightButton_->removeFromSuperview();
    leftButton_ = rightButton_ = nullptr;
    if (!top) return;
    auto& item = top->navigationItem();
    if (item.leftBarButtonItem) {
        leftButton_ = makeBarButton(item.leftBarButtonItem);
        if (leftButton_) {
            Rect f = leftButton_->frame();
            f.origin = {6, (kBarHeight - f.size.height) / 2};
            leftButton_->setFrame(f);
            bar_->addSubview(leftButton_);
        }
    } else if (stack_.size() > 1 && !item.hidesBackButton) {
        std::weak_ptr<NavigationController> self =
            std::static_pointer_cast<NavigationController>(shared_from_this());
        auto back =
            BarButtonItem::createWithTitle(stack_[stack_.size() - 2]->navigationItem().title.empty()
                                               ? "Back"
                                               : stack_[stack_.size() - 2]->navigationItem().title,
                                           BarButtonItemStyle::Bordered, [self](BarButtonItem&) {
                                               if (auto s = self.lock()) s->popViewController(true);
                                           });
        leftButton_ = makeBarButton(back);
        Rect f = leftButton_->frame();
        f.origin = {6, (kBarHeight - f.size.height) / 2};
        leftButton_->setFrame(f);
        bar_->addSubview(leftButton_);
        backItem_ = back;
    }
    if (item.rightBarButtonItem) {
        rightButton_ = makeBarButton(item.rightBarButtonItem);
        if (rightButton_) {
            Rect f = rightButton_->frame();
            f.origin = {bar_->bounds().size.width - 6 - f.size.width,
                        (kBarHeight - f.size.height) / 2};
            rightButton_->setFrame(f);
            rightButton_->setAutoresizingMask(AutoresizingFlexibleLeftMargin);
            bar_->addSubview(rightButton_);
        }
    }
}

void NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> vcs,
                                              bool) {
    auto previous = topViewController();
    for (auto& vc : stack_) vc->removeFromParentViewController();
    stack_.clear();
    for (auto& vc : vcs) {
        if (!vc) continue;
        addChildViewController(vc);
        stack_.push_back(vc);
    }
    if (previous != topViewController())
        showTop(previous);
    else
        updateBar();
}

void NavigationController::pushViewController(const std::shared_ptr<ViewController>& vc, bool) {
    if (!vc || vc.get() == this) return;
    if (std::find(stack_.begin(), stack_.end(), vc) != stack_.end()) return;
    auto previous = topViewController();
    addChildViewController(vc);
    stack_.push_back(vc);
    showTop(previous);
}

std::shared_ptr<ViewController> NavigationController::popViewController(bool) {
    if (stack_.size() < 2) return nullptr;
    auto popped = stack_.back();
    stack_.pop_back();
    showTop(popped);
    popped->removeFromParentViewController();
    return popped;
}

void NavigationController::popToRootViewController(bool) {
    if (stack_.size() < 2) return;
    auto previous = stack_.back();
    std::vector<std::shared_ptr<ViewController>> removed(stack_.begin() + 1, stack_.end());
    stack_.resize(1);
    showTop(previous);
    for (auto& vc : removed) vc->removeFromParentViewController();
}

void NavigationController::setNavigationBarHidden(bool hidden, bool) {
    barHidden_ = hidden;
    if (bar_) bar_->setHidden(hidden);
    if (auto top = topViewController(); top && top->isViewLoaded())
        top->view()->setFrame(contentFrame());
}

}  // namespace platform::ui
