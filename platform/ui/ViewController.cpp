#include "platform/ui/ViewController.h"

#include "platform/ui/Application.h"

#include <optional>
#include <utility>

#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PercentDrivenInteractiveTransition.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/UiLog.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewControllerTransitioning.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {

// The controller whose view stands for a controller's place on screen: the outermost
// container holding it.
std::shared_ptr<ViewController> contextOf(std::shared_ptr<ViewController> vc) {
    while (auto p = vc->parentViewController()) vc = p;
    return vc;
}
}  // namespace

std::shared_ptr<ViewController> ViewController::create(std::string nibName) {
    return std::make_shared<ViewController>(std::move(nibName));
}

ViewController::ViewController(std::string nibName) : nibName_(std::move(nibName)) {}

ViewController::~ViewController() {
    // The view may outlive us in someone's hands; it must not point back.
    if (view_) view_->controller_.reset();
}

std::shared_ptr<View> ViewController::view() {
    if (!view_) {
        loadView();
        if (!view_) view_ = View::create(Screen::mainScreen().bounds());
        view_->controller_ = weak_from_this();
        viewDidLoad();
    }
    return view_;
}

void ViewController::setView(std::shared_ptr<View> v) {
    if (view_ == v) return;
    if (view_) view_->controller_.reset();
    view_ = std::move(v);
    if (view_) view_->controller_ = weak_from_this();
}

void ViewController::loadView() {
    if (nibName_.empty()) {
        setView(View::create(Screen::mainScreen().bounds()));
        return;
    }
    auto result = InterfaceLoader::load(nibName_, *this, weak_from_this());
    if (!result.view) {
        // A broken interface file must not take the program down: the screen shows empty
        // and the log says why.
        loadError_ = result.error;
        uiLog(LogLevel::Error, className(), result.error);
        setView(View::create(Screen::mainScreen().bounds()));
        return;
    }
    setView(result.view);
}

void ViewController::setTitle(std::string t) {
    title_ = std::move(t);
    navigationItem_.title = title_;
    if (tabBarItem_.title.empty()) tabBarItem_.title = title_;
    if (auto p = parentViewController()) p->titleDidChange();
}

// ---- appearance ----

void ViewController::appearanceWill(bool appearing, const Window& window) {
    auto keep = shared_from_this();
    bool animated = window.animatedTransition_;
    if (appearing) {
        appearance_ = Appearance::Appearing;
        viewWillAppear(animated);
    } else {
        appearance_ = Appearance::Disappearing;
        viewWillDisappear(animated);
    }
}

void ViewController::appearanceDid(bool appearing, const Window& window) {
    auto keep = shared_from_this();
    bool animated = window.animatedTransition_;
    if (appearing) {
        appearance_ = Appearance::Appeared;
        viewDidAppear(animated);
    } else {
        appearance_ = Appearance::Disappeared;
        viewDidDisappear(animated);
    }
}

// ---- presentation ----

InterfaceOrientation ViewController::interfaceOrientation() const {
    return Application::shared().statusBarOrientation();
}

void ViewController::finish(bool animated, std::function<void()> completion) {
    if (!completion) return;
    if (animated)
        postToMainAfter(kTransitionDuration, std::move(completion));
    else
        postToMain(std::move(completion));
}

bool ViewController::presentViewController(const std::shared_ptr<ViewController>& vc, bool animated,
                                           std::function<void()> completion) {
    if (!vc || vc.get() == this || presented_ || !isViewLoaded()) return false;
    Window* window = view_->window();
    if (!window) return false;
    if (vc->presenting_.lock() || vc->parentViewController() ||
        (vc->isViewLoaded() && vc->view_->window()))
        return false;

    auto self = shared_from_this();
    // A controller may draw its animated presentation itself.
    std::shared_ptr<ViewControllerAnimatedTransitioning> animator;
    std::shared_ptr<PercentDrivenInteractiveTransition> interaction;
    if (auto delegate = animated ? vc->transitioningDelegate() : nullptr) {
        animator = delegate->animationControllerForPresentedController(vc, self, self);
        if (animator) interaction = delegate->interactionControllerForPresentation(animator);
    }
    auto windowView = std::static_pointer_cast<Window>(window->shared_from_this());
    std::optional<Window::TransitionMark> mark;
    mark.emplace(windowView, animated);
    presented_ = vc;
    vc->presenting_ = self;
    vc->beingPresented_ = true;

    auto v = vc->view();
    v->setFrame(windowView->bounds());
    v->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    if (animator) {
        // The presenter stays where it stands until the move is over; the presented view
        // enters the window inside the transition's own container.
        vc->transitionView_ = TransitionContainerView::create(windowView->bounds());
        vc->transitionView_->addSubview(v);
        windowView->addSubview(vc->transitionView_);
    } else {
        windowView->addSubview(v);
        coverUnder(vc, *window);
    }
    vc->beingPresented_ = false;
    mark.reset();
    // A screen that cannot stand in the interface's orientation turns it.
    Application::shared().turnInterfaceForMask(vc->supportedInterfaceOrientations(), window);
    if (!animator) {
        finish(animated, std::move(completion));
        return true;
    }
    runTransition(vc, self, vc, std::move(animator), std::move(interaction),
                  [weakSelf = weak_from_this(), weakVc = std::weak_ptr(vc),
                   completion = std::move(completion)](bool didComplete) mutable {
                      auto self = weakSelf.lock();
                      if (auto vc = weakVc.lock(); self && vc) {
                          self->presentationTransitionDidEnd(vc, didComplete,
                                                             std::move(completion));
                      } else if (vc && vc->transitionView_) {
                          // The presenter went meanwhile: the transition's views go too.
                          vc->transition_.reset();
                          vc->transitionView_->removeFromSuperview();
                      }
                  });
    return true;
}

void ViewController::coverUnder(const std::shared_ptr<ViewController>& vc, const Window& window) {
    auto style = vc->modalPresentationStyle_;
    if (style == ModalPresentationStyle::OverFullScreen ||
        style == ModalPresentationStyle::OverCurrentContext)
        return;
    auto context = contextOf(shared_from_this());
    auto covered = context->isViewLoaded() ? context->view_ : nullptr;
    if (!covered || covered->window() != &window) return;
    auto parent = covered->superview();
    auto& siblings = parent->subviews();
    vc->coveredIndex_ =
        std::size_t(std::find(siblings.begin(), siblings.end(), covered) - siblings.begin());
    vc->coveredView_ = covered;
    vc->coveredSuperview_ = parent;
    covered->removeFromSuperview();
}

void ViewController::runTransition(const std::shared_ptr<ViewController>& presented,
                                   const std::shared_ptr<ViewController>& from,
                                   const std::shared_ptr<ViewController>& to,
                                   std::shared_ptr<ViewControllerAnimatedTransitioning> animator,
                                   std::shared_ptr<PercentDrivenInteractiveTransition> interaction,
                                   std::function<void(bool didComplete)> onComplete) {
    auto context = std::shared_ptr<TransitionContext>(new TransitionContext());
    context->presenting_ = presented == to;
    context->from_ = from;
    context->to_ = to;
    context->container_ = presented->transitionView_;
    context->animator_ = std::move(animator);
    context->interaction_ = interaction;
    context->interactive_ = interaction != nullptr;
    context->onComplete_ = std::move(onComplete);
    presented->transition_ = context;
    if (interaction)
        interaction->startInteractiveTransition(context);
    else
        context->animator_->animateTransition(context);
}

void ViewController::presentationTransitionDidEnd(const std::shared_ptr<ViewController>& vc,
                                                  bool didComplete,
                                                  std::function<void()> completion) {
    vc->transition_.reset();
    auto pending = std::exchange(vc->pendingDismissal_, std::nullopt);
    if (presented_ != vc) {
        // Dismissed with a stack beneath it meanwhile: nothing is left to dismiss.
        if (pending) finish(false, std::move(pending->completion));
        return;
    }
    if (!didComplete) {
        // Cancelled: the presentation is undone, and a dismissal asked for meanwhile is over.
        finishDismissal({vc}, true, nullptr);
        if (pending) finish(false, std::move(pending->completion));
        return;
    }
    if (Window* window = vc->view_ ? vc->view_->window() : nullptr) {
        auto windowView = std::static_pointer_cast<Window>(window->shared_from_this());
        Window::TransitionMark mark(windowView, true);
        coverUnder(vc, *window);
    }
    finish(false, std::move(completion));
    if (pending) dismissViewController(pending->animated, std::move(pending->completion));
}

bool ViewController::dismissViewController(bool animated, std::function<void()> completion) {
    if (!presented_) {
        if (auto p = presenting_.lock())
            return p->dismissViewController(animated, std::move(completion));
        return false;
    }
    if (auto& moving = presented_->transition_) {
        // A presentation still moving ends first (finished or cancelled), then this dismissal
        // runs; a dismissal already moving is the one asked for.
        if (!moving->isPresentation() || presented_->pendingDismissal_) return false;
        presented_->pendingDismissal_ = PendingDismissal{animated, std::move(completion)};
        return true;
    }
    // Top of the stack first, so each view leaves before the one under it returns.
    std::vector<std::shared_ptr<ViewController>> stack;
    for (auto vc = presented_; vc; vc = vc->presented_) stack.push_back(vc);
    if (animated && stack.size() == 1 && presented_->transitionView_ &&
        startDismissalTransition(completion))
        return true;
    finishDismissal(stack, animated, std::move(completion));
    return true;
}

bool ViewController::startDismissalTransition(std::function<void()>& completion) {
    auto dismissed = presented_;
    auto delegate = dismissed->transitioningDelegate();
    auto animator =
        delegate ? delegate->animationControllerForDismissedController(dismissed) : nullptr;
    if (!animator) return false;
    auto interaction = delegate->interactionControllerForDismissal(animator);
    runTransition(dismissed, dismissed, shared_from_this(), animator, interaction,
                  [weakSelf = weak_from_this(), weakDismissed = std::weak_ptr(dismissed),
                   completion = std::move(completion)](bool didComplete) mutable {
                      auto dismissed = weakDismissed.lock();
                      if (!dismissed) return;
                      dismissed->transition_.reset();
                      // Not completed: it stays presented.
                      if (!didComplete) return;
                      auto self = weakSelf.lock();
                      if (self && self->presented_ == dismissed) {
                          // The animator took its time already: no further wait.
                          self->finishDismissal({dismissed}, true, nullptr);
                          finish(false, std::move(completion));
                      } else if (dismissed->transitionView_) {
                          dismissed->transitionView_->removeFromSuperview();
                      }
                  });
    return true;
}

void ViewController::finishDismissal(const std::vector<std::shared_ptr<ViewController>>& stack,
                                     bool animated, std::function<void()> completion) {
    auto self = shared_from_this();
    // The presented views share one window (our own view may have left it, covered).
    std::shared_ptr<Window> windowView;
    for (auto& vc : stack) {
        if (Window* w = vc->isViewLoaded() ? vc->view_->window() : nullptr) {
            windowView = std::static_pointer_cast<Window>(w->shared_from_this());
            break;
        }
    }
    std::optional<Window::TransitionMark> mark;
    mark.emplace(windowView, animated);
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        auto& vc = *it;
        vc->beingDismissed_ = true;
        // A custom presentation's container leaves with everything laid into it.
        if (vc->transitionView_) vc->transitionView_->removeFromSuperview();
        if (vc->isViewLoaded()) vc->view_->removeFromSuperview();
    }
    auto bottom = stack.front();
    auto covered = std::move(bottom->coveredView_);
    auto parent = bottom->coveredSuperview_.lock();
    std::size_t index = bottom->coveredIndex_;
    for (auto& vc : stack) {
        vc->coveredView_.reset();
        vc->coveredSuperview_.reset();
        vc->presented_.reset();
        vc->presenting_.reset();
        vc->beingDismissed_ = false;
        vc->transitionView_.reset();
    }
    presented_.reset();
    if (covered && parent && !covered->superview()) parent->insertSubview(covered, index);
    mark.reset();
    // The screen shown again may not take the orientation the dismissed one turned to.
    if (windowView) {
        Application::shared().turnInterfaceForMask(supportedInterfaceOrientations(),
                                                   windowView.get());
    }
    finish(animated, std::move(completion));
}

void ViewController::forgetCoveredView(const View* v) {
    if (presented_ && presented_->coveredView_.get() == v) {
        presented_->coveredView_.reset();
        presented_->coveredSuperview_.reset();
    }
    for (auto& child : children_) child->forgetCoveredView(v);
}

// ---- associated objects ----

void ViewController::setAssociatedObject(const void* key, std::shared_ptr<void> object) {
    if (object) {
        associatedObjects_[key] = std::move(object);
        return;
    }
    // The object may refer back to this controller as it goes; let it go outside the map.
    auto it = associatedObjects_.find(key);
    if (it == associatedObjects_.end()) return;
    auto old = std::move(it->second);
    associatedObjects_.erase(it);
}

std::shared_ptr<void> ViewController::associatedObject(const void* key) const {
    auto it = associatedObjects_.find(key);
    return it == associatedObjects_.end() ? nullptr : it->second;
}

// ---- containment ----

void ViewController::addChildViewController(const std::shared_ptr<ViewController>& child) {
    if (!child || child.get() == this) return;
    if (child->parentViewController().get() == this) return;
    child->removeFromParentViewController();
    children_.push_back(child);
    child->parent_ = weak_from_this();
}

void ViewController::removeFromParentViewController() {
    auto p = parent_.lock();
    if (!p) return;
    auto keep = shared_from_this();
    auto& c = p->children_;
    c.erase(std::remove(c.begin(), c.end(), keep), c.end());
    parent_.reset();
}

std::shared_ptr<NavigationController> ViewController::navigationController() const {
    for (auto p = parent_.lock(); p; p = p->parent_.lock())
        if (auto n = std::dynamic_pointer_cast<NavigationController>(p)) return n;
    return nullptr;
}

std::shared_ptr<TabBarController> ViewController::tabBarController() const {
    for (auto p = parent_.lock(); p; p = p->parent_.lock())
        if (auto t = std::dynamic_pointer_cast<TabBarController>(p)) return t;
    return nullptr;
}

// ---- interface owner ----

InterfaceOwner::BindResult ViewController::bindOutlet(const std::string& name,
                                                      const std::shared_ptr<View>& v) {
    auto it = outlets_.find(name);
    if (it == outlets_.end()) return BindResult::UnknownName;
    return it->second(v) ? BindResult::Bound : BindResult::WrongClass;
}

bool ViewController::hasAction(const std::string& name) const {
    return actions_.count(name) != 0;
}

void ViewController::performAction(const std::string& name, Control* sender) {
    auto it = actions_.find(name);
    if (it == actions_.end()) return;
    auto keep = shared_from_this();
    auto fn = it->second;
    fn(sender);
}

// ---- responder ----

namespace {
template <typename F>
void toSuperview(const std::shared_ptr<View>& v, F&& f) {
    if (!v) return;
    if (auto s = v->superview()) f(*s);
}
}  // namespace

void ViewController::touchesBegan(const TouchSet& t, const Event& e) {
    toSuperview(view_, [&](View& s) { s.touchesBegan(t, e); });
}
void ViewController::touchesMoved(const TouchSet& t, const Event& e) {
    toSuperview(view_, [&](View& s) { s.touchesMoved(t, e); });
}
void ViewController::touchesEnded(const TouchSet& t, const Event& e) {
    toSuperview(view_, [&](View& s) { s.touchesEnded(t, e); });
}
void ViewController::touchesCancelled(const TouchSet& t, const Event& e) {
    toSuperview(view_, [&](View& s) { s.touchesCancelled(t, e); });
}

}  // namespace platform::ui
