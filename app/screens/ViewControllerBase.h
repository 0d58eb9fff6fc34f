#pragma once

// Base of every screen: holds the app core without owning it, and never rotates by itself -
// the app core chooses the orientation. MyNavigationController and MyTabBarController share
// the same field and orientation answers. All three show the game's bundle pictures by name
// (interface files, tab icons), with or without an app core.

#include <memory>
#include <string>

#include "app/screens/AppCoreScreens.h"
#include "app/textures/BundlePictures.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/ViewController.h"

namespace app {

// The orientation rule shared by the screen base and the containers.
class AppCoreOrientation {
  public:
    std::shared_ptr<AppCoreScreens> appCore() const { return appCore_.lock(); }
    void setAppCore(std::weak_ptr<AppCoreScreens> core) { appCore_ = std::move(core); }

  protected:
    int coreOrientation() const {
        auto core = appCore();
        return core ? core->interfaceOrientation() : platform::ui::OrientationPortrait;
    }
    bool answersOrientation(int o) const { return o == coreOrientation(); }
    unsigned orientationMask() const { return 1u << (unsigned(coreOrientation()) & 31u); }

  private:
    std::weak_ptr<AppCoreScreens> appCore_;
};

class ViewControllerBase : public platform::ui::ViewController, public AppCoreOrientation {
  public:
    explicit ViewControllerBase(std::string nibName = {})
        : platform::ui::ViewController(std::move(nibName)) {}
    const char* className() const override { return "ViewControllerBase"; }

    // Makes a controller and runs its setup once, before anything can reach it: setup binds the
    // outlets and actions its interface file names.
    template <typename T, typename... Args>
    static std::shared_ptr<T> make(Args&&... args) {
        auto vc = std::make_shared<T>(std::forward<Args>(args)...);
        vc->setup();
        return vc;
    }

    virtual void setup() {}
    // The window's root view controller and the app core's current screen become this one.
    void startAsRootView();
    // Takes the view out of its superview (never loads it just for that).
    virtual void stop();

    bool shouldAutorotate() const override { return true; }
    bool shouldAutorotateToInterfaceOrientation(int o) const override {
        return answersOrientation(o);
    }
    unsigned supportedInterfaceOrientations() const override { return orientationMask(); }
    int preferredInterfaceOrientationForPresentation() const override { return coreOrientation(); }
    platform::ui::ImagePtr interfaceImageNamed(const std::string& name) override {
        return BundlePictures::interfaceImageNamed(name);
    }
};

class MyNavigationController : public platform::ui::NavigationController,
                               public AppCoreOrientation {
  public:
    static std::shared_ptr<MyNavigationController> create(
        const std::shared_ptr<platform::ui::ViewController>& root,
        std::weak_ptr<AppCoreScreens> core);
    const char* className() const override { return "MyNavigationController"; }
    bool shouldAutorotate() const override { return true; }
    bool shouldAutorotateToInterfaceOrientation(int o) const override {
        return answersOrientation(o);
    }
    unsigned supportedInterfaceOrientations() const override { return orientationMask(); }
    int preferredInterfaceOrientationForPresentation() const override { return coreOrientation(); }
    platform::ui::ImagePtr interfaceImageNamed(const std::string& name) override {
        return BundlePictures::interfaceImageNamed(name);
    }
};

class MyTabBarController : public platform::ui::TabBarController, public AppCoreOrientation {
  public:
    static std::shared_ptr<MyTabBarController> create(std::weak_ptr<AppCoreScreens> core);
    const char* className() const override { return "MyTabBarController"; }
    bool shouldAutorotate() const override { return true; }
    bool shouldAutorotateToInterfaceOrientation(int o) const override {
        return answersOrientation(o);
    }
    unsigned supportedInterfaceOrientations() const override { return orientationMask(); }
    int preferredInterfaceOrientationForPresentation() const override { return coreOrientation(); }
    platform::ui::ImagePtr interfaceImageNamed(const std::string& name) override {
        return BundlePictures::interfaceImageNamed(name);
    }
};

}  // namespace app
