#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/Touch.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/ViewControllerTransitioning.h"

namespace platform::ui {

std::shared_ptr<Window> Window::create(Rect frame) {
    return std::make_shared<Window>(frame);
}

Window::Window(Rect frame) : View(frame) {}

void Window::setRootViewController(std::shared_ptr<ViewController> vc, bool /*animated*/) {
    if (vc == root_) {
        // The same root again: only put its view back if someone took it out.
        if (vc && (!vc->isViewLoaded() || vc->view()->superview().get() != this)) {
            auto v = vc->view();
            v->setFrame(bounds());
            insertSubview(v, rootViewIndex());
        }
        return;
    }
    auto old = std::move(root_);
    root_ = vc;
    if (old && old->isViewLoaded()) {
        if (old->view()->superview().get() == this)
            old->view()->removeFromSuperview();
        else
            // Covered by a full-screen presentation: its dismissal must not bring back a
            // screen that is no longer the root.
            old->forgetCoveredView(old->view().get());
    }
    if (vc) {
        auto v = vc->view();
        v->setFrame(bounds());
        v->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
        insertSubview(v, rootViewIndex());
    }
}

void Window::addOverlay(const std::shared_ptr<View>& v) {
    if (!v) return;
    overlays_.push_back(v);
    addSubview(v);
}

void Window::didAddSubview(View* v) {
    overlays_.erase(std::remove_if(overlays_.begin(), overlays_.end(),
                                   [this](const std::weak_ptr<View>& w) {
                                       auto o = w.lock();
                                       return !o || o->superview().get() != this;
                                   }),
                    overlays_.end());
    if (raisingOverlays_) return;
    for (auto& w : overlays_)
        if (w.lock().get() == v) return;
    raisingOverlays_ = true;
    for (auto& w : std::vector<std::weak_ptr<View>>(overlays_))
        if (auto o = w.lock()) bringSubviewToFront(o);
    raisingOverlays_ = false;
}

std::size_t Window::rootViewIndex() const {
    // On top of plain views (a game view lives in the window without a controller), under
    // anything presented.
    auto& subs = subviews();
    for (std::size_t i = 0; i < subs.size(); ++i) {
        if (auto vc = subs[i]->viewController(); vc && vc->presentingViewController()) return i;
        if (dynamic_cast<const TransitionContainerView*>(subs[i].get())) return i;
    }
    return subs.size();
}

Rect Window::convertRectToScreen(const Rect& r) const {
    Point a = convertPointToScreen({r.minX(), r.minY()});
    Point b = convertPointToScreen({r.maxX(), r.maxY()});
    return Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y));
}

void Window::makeKeyWindow() {
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    Application::shared().setKeyWindow(self);
    // An alert shown before there was a key window appears now.
    if (auto alert = AlertView::visibleAlert())
        if (auto v = alert->view(); v && !v->superview()) {
            v->setFrame(bounds());
            addOverlay(v);
        }
}

void Window::makeKeyAndVisible() {
    setHidden(false);
    makeKeyWindow();
}

void Window::beginTransition(AnimationTransition kind, double duration) {
    setNeedsDisplay();
    if (kind == AnimationTransition::None || duration <= 0) {
        transition_.reset();
        return;
    }
    transition_ = Transition{kind, monotonicNow(), duration};
}

std::optional<Window::Transition> Window::activeTransition() const {
    if (transition_ && monotonicNow() - transition_->start < transition_->duration)
        return transition_;
    return std::nullopt;
}

bool Window::isKeyWindow() const {
    return Application::shared().keyWindow().get() == this;
}

namespace {
using Phase = TouchPhase;

// Splits the event's touches by view for one phase, keeping first-seen order.
std::vector<std::pair<std::shared_ptr<View>, TouchSet>> byView(const TouchSet& touches) {
    std::vector<std::pair<std::shared_ptr<View>, TouchSet>> out;
    for (auto& t : touches) {
        auto v = t->view();
        if (!v) continue;
        auto it = std::find_if(out.begin(), out.end(), [&](auto& p) { return p.first == v; });
        if (it == out.end())
            out.push_back({v, {t}});
        else
            it->second.push_back(t);
    }
    return out;
}
}  // namespace

void Window::sendEvent(Event& event) {
    auto keep = shared_from_this();
    // Attach new touches to the view under them and to the recognizers of that view and its
    // ancestors.
    for (auto& t : event.allTouches()) {
        if (t->phase() != Phase::Began || t->view_) continue;
        t->window_ = weak_from_this();
        auto hit = hitTest(convertPointFromView(t->location_, nullptr), &event);
        // A view that takes one touch at a time never hears of a second finger.
        if (hit && !hit->isMultipleTouchEnabled()) {
            for (auto& other : event.allTouches())
                if (other != t && other->view_ == hit) hit = nullptr;
        }
        t->view_ = hit;
        t->recognizers_.clear();
        for (auto v = hit; v; v = v->superview())
            for (auto& g : v->gestureRecognizers())
                if (g->isEnabled()) t->recognizers_.push_back(g);
    }

    // Recognizers see every touch first.
    std::vector<std::shared_ptr<GestureRecognizer>> involved;
    for (Phase phase : {Phase::Began, Phase::Moved, Phase::Ended, Phase::Cancelled}) {
        std::vector<std::pair<std::shared_ptr<GestureRecognizer>, TouchSet>> groups;
        for (auto& t : event.allTouches()) {
            if (t->phase() != phase) continue;
            for (auto& w : t->recognizers_) {
                auto g = w.lock();
                if (!g) continue;
                auto it = std::find_if(groups.begin(), groups.end(),
                                       [&](auto& p) { return p.first == g; });
                if (it == groups.end())
                    groups.push_back({g, {t}});
                else
                    it->second.push_back(t);
            }
        }
        for (auto& [g, ts] : groups) {
            if (std::find(involved.begin(), involved.end(), g) == involved.end())
                involved.push_back(g);
            switch (phase) {
                case Phase::Began:
                    g->handleBegan(ts, event);
                    break;
                case Phase::Moved:
                    g->handleMoved(ts, event);
                    break;
                case Phase::Ended:
                    g->handleEnded(ts, event);
                    break;
                default:
                    g->handleCancelled(ts, event);
                    break;
            }
        }
    }

    // A recognizer that took a touch over cancels it in the view, once.
    TouchSet cancelled;
    for (auto& t : event.allTouches()) {
        if (t->cancelledForView_ || !t->view_) continue;
        bool taken = false;
        for (auto& w : t->recognizers_)
            if (auto g = w.lock()) taken |= g->hasRecognized() && g->cancelsTouchesInView();
        if (taken && t->phase() != Phase::Began) {
            t->cancelledForView_ = true;
            cancelled.push_back(t);
        }
    }
    for (auto& [v, ts] : byView(cancelled)) v->touchesCancelled(ts, event);

    // The views get the rest.
    for (Phase phase : {Phase::Began, Phase::Moved, Phase::Ended, Phase::Cancelled}) {
        TouchSet ts;
        for (auto& t : event.allTouches())
            if (t->phase() == phase && !t->cancelledForView_) ts.push_back(t);
        for (auto& [v, group] : byView(ts)) {
            switch (phase) {
                case Phase::Began:
                    v->touchesBegan(group, event);
                    break;
                case Phase::Moved:
                    v->touchesMoved(group, event);
                    break;
                case Phase::Ended:
                    v->touchesEnded(group, event);
                    break;
                default:
                    v->touchesCancelled(group, event);
                    break;
            }
        }
    }
    for (auto& g : involved) g->endOfEvent();
}

}  // namespace platform::ui
