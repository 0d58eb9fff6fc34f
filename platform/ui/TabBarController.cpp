#include "platform/ui/TabBarController.h"

#include "platform/ui/Screen.h"
#include "platform/ui/TabBarButton.h"

namespace platform::ui {

std::shared_ptr<TabBarController> TabBarController::create() {
    return std::make_shared<TabBarController>();
}

void TabBarController::loadView() {
    auto v = View::create(Screen::mainScreen().bounds());
    v->setBackgroundColor(Color::black());
    Size s = v->bounds().size;
    bar_ = View::create({0, s.height - kBarHeight, s.width, kBarHeight});
    bar_->setBackgroundColor({0.1f, 0.1f, 0.1f, 1});
    bar_->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleTopMargin);
    v->addSubview(bar_);
    setView(v);
    rebuildBar();
    show(nullptr);
}

void TabBarController::setViewControllers(std::vector<std::shared_ptr<ViewController>> vcs, bool) {
    auto previous = selectedViewController();
    for (auto& vc : tabs_) vc->removeFromParentViewController();
    tabs_.clear();
    for (auto& vc : vcs) {
        if (!vc) continue;
        addChildViewController(vc);
        tabs_.push_back(vc);
    }
    if (selected_ >= int(tabs_.size())) selected_ = 0;
    rebuildBar();
    if (previous != selectedViewController()) {
        if (previous && previous->isViewLoaded() && isViewLoaded() &&
            previous->view()->superview() == view())
            previous->view()->removeFromSuperview();
        show(nullptr);
    }
}

std::shared_ptr<ViewController> TabBarController::selectedViewController() const {
    return tabs_.empty() ? nullptr : tabs_[std::size_t(selected_)];
}

void TabBarController::setSelectedIndex(int index) {
    if (index < 0 || index >= int(tabs_.size()) || index == selected_) return;
    auto previous = selectedViewController();
    selected_ = index;
    show(previous);
}

void TabBarController::show(const std::shared_ptr<ViewController>& previous) {
    if (!isViewLoaded()) return;
    if (previous && previous->isViewLoaded()) previous->view()->removeFromSuperview();
    auto vc = selectedViewController();
    for (std::size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->setSelected(int(i) == selected_);
    if (!vc) return;
    auto v = vc->view();
    Rect b = view()->bounds();
    v->setFrame({b.origin.x, b.origin.y, b.size.width, b.size.height - kBarHeight});
    v->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    if (v->superview() != view()) view()->insertSubviewBelow(v, bar_);
}

void TabBarController::rebuildBar() {
    if (!bar_) return;
    for (auto& b : buttons_) b->removeFromSuperview();
    buttons_.clear();
    if (tabs_.empty()) return;
    double w = bar_->bounds().size.width / double(tabs_.size());
    std::weak_ptr<TabBarController> self =
        std::static_pointer_cast<TabBarController>(shared_from_this());
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        auto b = TabBarButton::create({w * double(i), 0, w, kBarHeight});
        const TabBarItem& item = tabs_[i]->tabBarItem();
        b->setTitle(item.title, ControlStateNormal);
        b->setImage(item.imageName.empty() ? nullptr : interfaceImageNamed(item.imageName),
                    ControlStateNormal);
        b->setSelected(int(i) == selected_);
        b->addTarget(
            [self, i](Control*) {
                if (auto s = self.lock()) s->setSelectedIndex(int(i));
            },
            ControlEventTouchUpInside);
        bar_->addSubview(b);
        buttons_.push_back(b);
    }
}

}  // namespace platform::ui
