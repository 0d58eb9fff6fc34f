#include "app/screens/ToolViewControllerBase.h"

#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"

namespace app {

ToolViewControllerBase::ToolViewControllerBase(std::string nibName)
    : ViewControllerBase(std::move(nibName)) {
    outlet("scrollView", scrollView_);
    outlet("contentView", contentView_);
}

void ToolViewControllerBase::setup() {
    ViewControllerBase::setup();
    // The item outlives no controller it calls: it holds us weakly.
    std::weak_ptr<ToolViewControllerBase> weak =
        std::static_pointer_cast<ToolViewControllerBase>(shared_from_this());
    navigationItem().leftBarButtonItem = platform::ui::BarButtonItem::createSystem(
        platform::ui::SystemItem::Done, [weak](platform::ui::BarButtonItem&) {
            if (auto self = weak.lock()) self->stop();
        });
}

void ToolViewControllerBase::setToolsCore(std::weak_ptr<ToolsCore> core) {
    AppCoreOrientation::setAppCore(core);
    toolsCore_ = std::move(core);
}

void ToolViewControllerBase::stop() {
    auto c = core();
    if (!c) return;
    // Removing the tools may release the last owner of this tab; stay alive to the end.
    auto keep = shared_from_this();
    c->stopToolsView();
    c->startTitleView();
    c->transitionAnimation(platform::ui::AnimationTransition::FlipFromLeft, 0.5);
}

void ToolViewControllerBase::loadView() {
    ViewControllerBase::loadView();
    if (!scrollView_ || !contentView_) return;
    scrollView_->addSubview(contentView_);
    auto b = contentView_->bounds();
    contentView_->setFrame({0, 0, b.size.width, b.size.height});
    scrollView_->setContentSize(b.size);
}

void ToolViewControllerBase::labelTabs() {
    auto tabs = tabBarController();
    if (!tabs) return;
    // Our tab bar labels a tab with the item of the controller it holds, which here is the
    // navigation controller around each tool; the tools carry the names and pictures.
    for (const auto& vc : tabs->viewControllers()) {
        auto nav = std::dynamic_pointer_cast<platform::ui::NavigationController>(vc);
        if (!nav || nav->viewControllers().empty()) continue;
        const auto& item = nav->viewControllers().front()->tabBarItem();
        if (nav->tabBarItem().title == item.title && nav->tabBarItem().imageName == item.imageName)
            continue;
        nav->tabBarItem() = item;
        nav->setTitle(nav->title());  // lets the tab bar redraw its buttons
    }
}

void ToolViewControllerBase::viewWillAppear(bool animated) {
    ViewControllerBase::viewWillAppear(animated);
    labelTabs();
    if (!scrollView_) return;
    scrollView_->setContentOffset({0, 0});
    scrollView_->flashScrollIndicators();
}

std::shared_ptr<platform::ui::View> ToolViewControllerBase::sheetHostView() {
    if (auto tabs = tabBarController()) return tabs->view();
    return view();
}

}  // namespace app
