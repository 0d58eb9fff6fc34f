#pragma once

// A screen's controller: owns its view (loaded lazily from an interface file or loadView),
// gets the appearance callbacks when that view enters or leaves a window, and presents other
// controllers modally. The rules are written down in docs/presentation.md.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/BarItems.h"
#include "platform/ui/InterfaceOrientation.h"
#include "platform/ui/InterfaceOwner.h"
#include "platform/ui/Responder.h"

namespace platform::ui {

class View;
class Window;
class NavigationController;
class TabBarController;
class PercentDrivenInteractiveTransition;
class TransitionContainerView;
class TransitionContext;
class ViewControllerAnimatedTransitioning;
class ViewControllerTransitioningDelegate;

enum class ModalPresentationStyle {
    FullScreen = 0,
    PageSheet = 1,
    FormSheet = 2,
    CurrentContext = 3,
    Custom = 4,
    OverFullScreen = 5,
    OverCurrentContext = 6,
};

enum class ModalTransitionStyle {
    CoverVertical = 0,
    FlipHorizontal = 1,
    CrossDissolve = 2,
    PartialCurl = 3
};

class ViewController : public Responder,
                       public InterfaceOwner,
                       public std::enable_shared_from_this<ViewController> {
  public:
    // How long an animated presentation or dismissal takes, on the clock.
    static constexpr double kTransitionDuration = 0.3;

    static std::shared_ptr<ViewController> create(std::string nibName = {});
    explicit ViewController(std::string nibName = {});
    ~ViewController() override;

    virtual const char* className() const { return "UIViewController"; }

    // The view, loaded on first use.
    std::shared_ptr<View> view();
    void setView(std::shared_ptr<View> v);
    bool isViewLoaded() const { return view_ != nullptr; }
    const std::string& nibName() const { return nibName_; }
    // The interface file failed to load (the view is then an empty one); empty when fine.
    const std::string& loadError() const { return loadError_; }

    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool /*animated*/) {}
    virtual void viewDidAppear(bool /*animated*/) {}
    virtual void viewWillDisappear(bool /*animated*/) {}
    virtual void viewDidDisappear(bool /*animated*/) {}

    const std::string& title() const { return title_; }
    void setTitle(std::string t);
    NavigationItem& navigationItem() { return navigationItem_; }
    TabBarItem& tabBarItem() { return tabBarItem_; }

    // Orientation answers; by default portrait only, the layout every screen has.
    virtual bool shouldAutorotate() const { return true; }
    virtual bool shouldAutorotateToInterfaceOrientation(int o) const {
        return o == OrientationPortrait;
    }
    virtual unsigned supportedInterfaceOrientations() const { return 1u << OrientationPortrait; }
    virtual int preferredInterfaceOrientationForPresentation() const { return OrientationPortrait; }
    // The orientation the interface stands in now (the status bar's).
    InterfaceOrientation interfaceOrientation() const;

    // Presentation. present answers false and does nothing when this controller already
    // presents one, is not in a window, or the other one is already on screen.
    // Both are virtual so that a controller that is shown by other means than a presentation
    // (laid into the window by the ads SDK, say) can hand them on to the controller that
    // really stands on screen; the rules of docs/presentation.md hold for the base versions.
    virtual bool presentViewController(const std::shared_ptr<ViewController>& vc, bool animated,
                                       std::function<void()> completion = {});
    // Dismisses what this controller presents (with everything above it), or, when it presents
    // nothing, asks its presenter to dismiss it. False when there is nothing to dismiss.
    virtual bool dismissViewController(bool animated, std::function<void()> completion = {});
    std::shared_ptr<ViewController> presentedViewController() const { return presented_; }
    std::shared_ptr<ViewController> presentingViewController() const { return presenting_.lock(); }
    bool isBeingPresented() const { return beingPresented_; }
    bool isBeingDismissed() const { return beingDismissed_; }
    ModalPresentationStyle modalPresentationStyle() const { return modalPresentationStyle_; }
    void setModalPresentationStyle(ModalPresentationStyle s) { modalPresentationStyle_ = s; }
    ModalTransitionStyle modalTransitionStyle() const { return modalTransitionStyle_; }
    void setModalTransitionStyle(ModalTransitionStyle s) { modalTransitionStyle_ = s; }
    // Draws this controller's animated presentation and dismissal itself
    // (ViewControllerTransitioning.h); held weakly.
    std::shared_ptr<ViewControllerTransitioningDelegate> transitioningDelegate() const {
        return transitioningDelegate_.lock();
    }
    void setTransitioningDelegate(std::weak_ptr<ViewControllerTransitioningDelegate> d) {
        transitioningDelegate_ = std::move(d);
    }

    // Containment
    std::shared_ptr<ViewController> parentViewController() const { return parent_.lock(); }
    const std::vector<std::shared_ptr<ViewController>>& childViewControllers() const {
        return children_;
    }
    void addChildViewController(const std::shared_ptr<ViewController>& child);
    void removeFromParentViewController();
    std::shared_ptr<NavigationController> navigationController() const;
    std::shared_ptr<TabBarController> tabBarController() const;

    // Objects other code attaches to this controller (the ads SDK's overlay proxy): kept, one
    // per key, for as long as the controller lives and released with it. The key is any
    // address its owner keeps for the purpose; an empty object removes the entry.
    void setAssociatedObject(const void* key, std::shared_ptr<void> object);
    std::shared_ptr<void> associatedObject(const void* key) const;

    // Appearance state, for tests and containers.
    enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };
    Appearance appearance() const { return appearance_; }

    // InterfaceOwner: outlets and actions registered by subclasses, bound by name.
    BindResult bindOutlet(const std::string& name, const std::shared_ptr<View>& view) override;
    bool hasAction(const std::string& name) const override;
    void performAction(const std::string& name, Control* sender) override;
    std::string ownerName() const override { return className(); }

    // Responder: unhandled touches go on to the view's superview.
    void touchesBegan(const TouchSet& t, const Event& e) override;
    void touchesMoved(const TouchSet& t, const Event& e) override;
    void touchesEnded(const TouchSet& t, const Event& e) override;
    void touchesCancelled(const TouchSet& t, const Event& e) override;

  protected:
    // Registers an outlet: the loader stores the view into `slot` when its class fits.
    template <typename T>
    void outlet(const std::string& name, std::shared_ptr<T>& slot) {
        outlets_[name] = [&slot](const std::shared_ptr<View>& v) {
            auto typed = std::dynamic_pointer_cast<T>(v);
            if (!typed) return false;
            slot = typed;
            return true;
        };
    }
    void action(const std::string& name, std::function<void(Control*)> fn) {
        actions_[name] = std::move(fn);
    }
    // Called by containers when a title change must reach their bars.
    virtual void titleDidChange() {}

  private:
    friend class View;
    friend class Window;
    // A presentation above this controller (or its children) no longer puts `view` back when
    // it is dismissed: the view has left the screen for good.
    void forgetCoveredView(const View* view);
    // `window` is the one the view enters or leaves; it knows whether the move is animated.
    void appearanceWill(bool appearing, const Window& window);
    void appearanceDid(bool appearing, const Window& window);
    static void finish(bool animated, std::function<void()> completion);
    // For the full-screen styles, takes the view of our outermost container out of the window
    // under `vc`'s presentation, to come back when it is dismissed.
    void coverUnder(const std::shared_ptr<ViewController>& vc, const Window& window);
    bool startDismissalTransition(std::function<void()>& completion);
    // Starts `presented`'s transition in its container, through the interaction controller
    // when there is one; onComplete is the platform's step once the animator completes it.
    static void runTransition(const std::shared_ptr<ViewController>& presented,
                              const std::shared_ptr<ViewController>& from,
                              const std::shared_ptr<ViewController>& to,
                              std::shared_ptr<ViewControllerAnimatedTransitioning> animator,
                              std::shared_ptr<PercentDrivenInteractiveTransition> interaction,
                              std::function<void(bool didComplete)> onComplete);
    void presentationTransitionDidEnd(const std::shared_ptr<ViewController>& vc, bool didComplete,
                                      std::function<void()> completion);
    // Takes the stack (presented_ first) off the screen and puts the covered view back.
    void finishDismissal(const std::vector<std::shared_ptr<ViewController>>& stack, bool animated,
                         std::function<void()> completion);

    std::string nibName_;
    std::string loadError_;
    std::shared_ptr<View> view_;
    std::string title_;
    NavigationItem navigationItem_;
    TabBarItem tabBarItem_;
    Appearance appearance_ = Appearance::Disappeared;

    std::shared_ptr<ViewController> presented_;
    std::weak_ptr<ViewController> presenting_;
    // The view a full-screen presentation took out of the window, put back on dismissal.
    std::shared_ptr<View> coveredView_;
    std::weak_ptr<View> coveredSuperview_;
    std::size_t coveredIndex_ = 0;
    bool beingPresented_ = false;
    bool beingDismissed_ = false;
    ModalPresentationStyle modalPresentationStyle_ = ModalPresentationStyle::FullScreen;
    ModalTransitionStyle modalTransitionStyle_ = ModalTransitionStyle::CoverVertical;
    std::weak_ptr<ViewControllerTransitioningDelegate> transitioningDelegate_;
    // The container a custom presentation laid this controller's view into; it leaves the
    // window with the controller.
    std::shared_ptr<TransitionContainerView> transitionView_;
    // The custom presentation or dismissal under way.
    std::shared_ptr<TransitionContext> transition_;
    // A dismissal asked for while this controller's presentation was still moving.
    struct PendingDismissal {
        bool animated = false;
        std::function<void()> completion;
    };
    std::optional<PendingDismissal> pendingDismissal_;

    std::weak_ptr<ViewController> parent_;
    std::vector<std::shared_ptr<ViewController>> children_;

    std::map<const void*, std::shared_ptr<void>> associatedObjects_;
    std::map<std::string, std::function<bool(const std::shared_ptr<View>&)>> outlets_;
    std::map<std::string, std::function<void(Control*)>> actions_;
};

}  // namespace platform::ui
