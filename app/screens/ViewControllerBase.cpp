#include "app/screens/ViewControllerBase.h"

#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace app {

void ViewControllerBase::startAsRootView() {
    auto core = appCore();
    if (!core) return;
    auto self = std::static_pointer_cast<ViewControllerBase>(shared_from_this());
    if (auto window = core->window()) window->setRootViewController(self);
    core->setRootViewController(self);
}

void ViewControllerBase::stop() {
    if (isViewLoaded()) view()->removeFromSuperview();
}

std::shared_ptr<MyNavigationController> MyNavigationController::create(
    const std::shared_ptr<platform::ui::ViewController>& root, std::weak_ptr<AppCoreScreens> core) {
    auto nav = std::make_shared<MyNavigationController>();
    nav->setAppCore(std::move(core));
    if (root) nav->pushViewController(root, false);
    return nav;
}

std::shared_ptr<MyTabBarController> MyTabBarController::create(std::weak_ptr<AppCoreScreens> core) {
    auto tabs = std::make_shared<MyTabBarController>();
    tabs->setAppCore(std::move(core));
    return tabs;
}

}  // namespace app
