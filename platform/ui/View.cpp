#include "platform/ui/View.h"

#include <cmath>

#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/InterfaceProperties.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace platform::ui {

std::shared_ptr<View> View::create(Rect frame) {
    return std::make_shared<View>(frame);
}

View::View(Rect frame) {
    View::setFrame(frame);
}

View::~View() = default;

Rect View::frame() const {
    Size s = bounds_.size;
    Rect local(-s.width / 2, -s.height / 2, s.width, s.height);
    Rect r = transform_.isIdentity() ? local : transform_.apply(local);
    r.origin.x += center_.x;
    r.origin.y += center_.y;
    return r;
}

void View::setFrame(Rect f) {
    // A transformed view's frame has no single meaning; keeping centre and size gives the least
    // surprising answer for the rotations the app core applies.
    changeDrawn(center_, Point{f.midX(), f.midY()});
    Rect b = bounds_;
    b.size = {std::abs(f.size.width), std::abs(f.size.height)};
    setBounds(b);
}

void View::setBounds(Rect b) {
    Size old = bounds_.size;
    changeDrawn(bounds_, b);
    if (old != b.size) {
        resizeSubviews(old);
        setNeedsLayout();
    }
}

std::shared_ptr<View> View::viewWithTag(int tag) {
    if (tag_ == tag) return shared_from_this();
    for (auto& v : subviews_)
        if (auto found = v->viewWithTag(tag)) return found;
    return nullptr;
}

// ---- tree ----

Window* View::window() const {
    const View* v = this;
    while (auto s = v->superview_.lock()) v = s.get();
    return dynamic_cast<Window*>(const_cast<View*>(v));
}

bool View::isDescendantOf(const View* other) const {
    for (const View* v = this; v; v = v->superview_.lock().get())
        if (v == other) return true;
    return false;
}

void View::addSubview(const std::shared_ptr<View>& v) {
    insertSubview(v, static_cast<std::size_t>(-1));
}

void View::insertSubview(const std::shared_ptr<View>& v, std::size_t index) {
    if (!v || v.get() == this || isDescendantOf(v.get())) return;
    insertAt(v, index);
}

void View::insertSubviewBelow(const std::shared_ptr<View>& v,
                              const std::shared_ptr<View>& sibling) {
    auto it = std::find(subviews_.begin(), subviews_.end(), sibling);
    std::size_t index = it == subviews_.end() ? 0 : std::size_t(it - subviews_.begin());
    // Moving a view within this superview shifts the index of the views above it.
    auto self = std::find(subviews_.begin(), subviews_.end(), v);
    if (self != subviews_.end() && self < it) --index;
    insertSubview(v, index);
}

void View::insertAt(const std::shared_ptr<View>& v, std::size_t index) {
    auto keep = v;
    Window* oldWindow = v->window();
    Window* newWindow = window();
    auto oldSuper = v->superview();
    if (oldSuper.get() == this) {
        // A move within the same superview changes only the order.
        auto it = std::find(subviews_.begin(), subviews_.end(), v);
        subviews_.erase(it);
        subviews_.insert(subviews_.begin() + std::min(index, subviews_.size()), v);
        setNeedsDisplay();
        // Re-adding is how callers raise a view; the window must still keep its overlays on top.
        didAddSubview(v.get());
        return;
    }
    if (oldWindow != newWindow) notifyWillMoveToWindow(*v, oldWindow, newWindow);
    v->willMoveToSuperview(this);
    if (oldSuper) oldSuper->detachChild(v.get());
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + index, v);
    v->superview_ = weak_from_this();
    setNeedsDisplay();
    if (oldWindow != newWindow) notifyDidMoveToWindow(*v, oldWindow, newWindow);
    v->didMoveToSuperview();
    didAddSubview(v.get());
}

void View::detachChild(View* v) {
    willRemoveSubview(v);
    auto it = std::find_if(subviews_.begin(), subviews_.end(),
                           [v](const std::shared_ptr<View>& s) { return s.get() == v; });
    if (it != subviews_.end()) subviews_.erase(it);
    v->superview_.reset();
    setNeedsDisplay();
}

void View::bringSubviewToFront(const std::shared_ptr<View>& v) {
    auto it = std::find(subviews_.begin(), subviews_.end(), v);
    if (it == subviews_.end()) return;
    std::rotate(it, it + 1, subviews_.end());
    setNeedsDisplay();
}

void View::sendSubviewToBack(const std::shared_ptr<View>& v) {
    auto it = std::find(subviews_.begin(), subviews_.end(), v);
    if (it == subviews_.end()) return;
    std::rotate(subviews_.begin(), it, it + 1);
    setNeedsDisplay();
}

void View::removeFromSuperview() {
    auto parent = superview();
    if (!parent) return;
    auto self = shared_from_this();
    Window* oldWindow = window();
    if (oldWindow) notifyWillMoveToWindow(*this, oldWindow, nullptr);
    willMoveToSuperview(nullptr);
    parent->detachChild(this);
    if (oldWindow) notifyDidMoveToWindow(*this, oldWindow, nullptr);
    didMoveToSuperview();
}

void View::notifyWillMoveToWindow(View& v, Window* from, Window* to) {
    auto keep = v.shared_from_this();
    v.willMoveToWindow(to);
    if (auto vc = v.controller_.lock()) {
        if (from) vc->appearanceWill(false, *from);
        if (to) vc->appearanceWill(true, *to);
    }
    auto children = v.subviews_;
    for (auto& c : children) notifyWillMoveToWindow(*c, from, to);
}

void View::notifyDidMoveToWindow(View& v, Window* from, Window* to) {
    auto keep = v.shared_from_this();
    auto children = v.subviews_;
    v.didMoveToWindow();
    for (auto& c : children) notifyDidMoveToWindow(*c, from, to);
    if (auto vc = v.controller_.lock()) {
        if (from) vc->appearanceDid(false, *from);
        if (to) vc->appearanceDid(true, *to);
    }
}

// ---- coordinates ----

Point View::convertToSuperview(Point p) const {
    Point q{p.x - bounds_.origin.x - bounds_.size.width / 2,
            p.y - bounds_.origin.y - bounds_.size.height / 2};
    q = applyToVector(transform_, q);
    return {q.x + center_.x, q.y + center_.y};
}

Point View::convertFromSuperview(Point p) const {
    Point q{p.x - center_.x, p.y - center_.y};
    q = applyToVector(transform_.inverted(), q);
    return {q.x + bounds_.origin.x + bounds_.size.width / 2,
            q.y + bounds_.origin.y + bounds_.size.height / 2};
}

Point View::convertPointToView(Point p, const View* to) const {
    // Up to the root...
    const View* v = this;
    while (auto s = v->superview()) {
        p = v->convertToSuperview(p);
        v = s.get();
    }
    if (!to || to == v) return p;
    // ...and down to the target. Views of another tree share the root's space.
    return to->convertPointFromView(p, nullptr);
}

Point View::convertPointFromView(Point p, const View* from) const {
    if (from) p = from->convertPointToView(p, nullptr);
    std::vector<const View*> chain;
    for (const View* v = this; v->superview(); v = v->superview().get()) chain.push_back(v);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) p = (*it)->convertFromSuperview(p);
    return p;
}

Rect View::convertRectToView(const Rect& r, const View* to) const {
    Point c[4] = {
        {r.minX(), r.minY()}, {r.maxX(), r.minY()}, {r.minX(), r.maxY()}, {r.maxX(), r.maxY()}};
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (auto& p : c) {
        Point q = convertPointToView(p, to);
        x0 = std::min(x0, q.x), y0 = std::min(y0, q.y);
        x1 = std::max(x1, q.x), y1 = std::max(y1, q.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect View::convertRectFromView(const Rect& r, const View* from) const {
    Point c[4] = {
        {r.minX(), r.minY()}, {r.maxX(), r.minY()}, {r.minX(), r.maxY()}, {r.maxX(), r.maxY()}};
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (auto& p : c) {
        Point q = convertPointFromView(p, from);
        x0 = std::min(x0, q.x), y0 = std::min(y0, q.y);
        x1 = std::max(x1, q.x), y1 = std::max(y1, q.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

// ---- hit testing ----

std::shared_ptr<View> View::hitTest(Point p, const Event* event) {
    if (hidden_ || !userInteractionEnabled_ || alpha_ < 0.01) return nullptr;
    if (!pointInside(p, event)) return nullptr;
    auto children = subviews_;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (auto hit = (*it)->hitTest((*it)->convertFromSuperview(p), event)) return hit;
    }
    return shared_from_this();
}

bool View::pointInside(Point p, const Event*) const {
    return bounds_.contains(p);
}

// ---- layout ----

void View::layoutIfNeeded() {
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSubviews();
    }
    auto children = subviews_;
    for (auto& c : children) c->layoutIfNeeded();
}

void View::sizeToFit() {
    Size s = sizeThatFits(bounds_.size);
    Rect f = frame();
    f.size = s;
    setFrame(f);
}

void View::resizeSubviews(Size oldSize) {
    if (!autoresizesSubviews_) return;
    auto children = subviews_;
    for (auto& c : children) c->autoresize(oldSize, bounds_.size);
}

namespace {
// Spreads the change of the superview's length over the flexible parts of one axis, in
// proportion to their current lengths (evenly when they are all zero).
void resizeAxis(double& pos, double& len, double oldSuper, double newSuper, bool flexLead,
                bool flexLen, bool flexTrail) {
    double delta = newSuper - oldSuper;
    if (delta == 0 || !(flexLead || flexLen || flexTrail)) return;
    double lead = pos, trail = oldSuper - pos - len;
    double total = (flexLead ? lead : 0) + (flexLen ? len : 0) + (flexTrail ? trail : 0);
    int count = int(flexLead) + int(flexLen) + int(flexTrail);
    auto share = [&](bool flex, double part) {
        if (!flex) return 0.0;
        return total > 0 ? delta * part / total : delta / count;
    };
    double dLead = share(flexLead, lead), dLen = share(flexLen, len);
    pos += dLead;
    len = std::max(0.0, len + dLen);
}
}  // namespace

void View::autoresize(Size oldSuper, Size newSuper) {
    unsigned m = autoresizingMask_;
    if (m == AutoresizingNone) return;
    Rect f = frame();
    resizeAxis(f.origin.x, f.size.width, oldSuper.width, newSuper.width,
               m & AutoresizingFlexibleLeftMargin, m & AutoresizingFlexibleWidth,
               m & AutoresizingFlexibleRightMargin);
    resizeAxis(f.origin.y, f.size.height, oldSuper.height, newSuper.height,
               m & AutoresizingFlexibleTopMargin, m & AutoresizingFlexibleHeight,
               m & AutoresizingFlexibleBottomMargin);
    setFrame(f);
}

// ---- touches ----

namespace {
template <typename F>
void forwardTouches(View& v, F&& f) {
    if (auto vc = v.viewController()) {
        f(static_cast<Responder&>(*vc));
        return;
    }
    if (auto s = v.superview()) f(static_cast<Responder&>(*s));
}
}  // namespace

void View::touchesBegan(const TouchSet& t, const Event& e) {
    forwardTouches(*this, [&](Responder& r) { r.touchesBegan(t, e); });
}
void View::touchesMoved(const TouchSet& t, const Event& e) {
    forwardTouches(*this, [&](Responder& r) { r.touchesMoved(t, e); });
}
void View::touchesEnded(const TouchSet& t, const Event& e) {
    forwardTouches(*this, [&](Responder& r) { r.touchesEnded(t, e); });
}
void View::touchesCancelled(const TouchSet& t, const Event& e) {
    forwardTouches(*this, [&](Responder& r) { r.touchesCancelled(t, e); });
}

// ---- gestures ----

void View::addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& g) {
    if (!g) return;
    if (auto old = g->view()) old->removeGestureRecognizer(g.get());
    gestureRecognizers_.push_back(g);
    g->attach(weak_from_this());
}

void View::removeGestureRecognizer(const GestureRecognizer* g) {
    auto it = std::find_if(gestureRecognizers_.begin(), gestureRecognizers_.end(),
                           [g](auto& p) { return p.get() == g; });
    if (it == gestureRecognizers_.end()) return;
    (*it)->attach({});
    gestureRecognizers_.erase(it);
}

// ---- interface files ----

void View::applyInterfaceProperties(InterfaceProperties& p) {
    if (p.has("frame")) setFrame(p.rect("frame"));
    if (p.has("backgroundColor")) setBackgroundColor(p.color("backgroundColor"));
    if (p.has("alpha")) setAlpha(p.number("alpha"));
    if (p.has("hidden")) setHidden(p.boolean("hidden"));
    if (p.has("opaque")) setOpaque(p.boolean("opaque"));
    if (p.has("clipsToBounds")) setClipsToBounds(p.boolean("clipsToBounds"));
    if (p.has("tag")) setTag(p.integer("tag"));
    if (p.has("autoresizingMask")) {
        double m = p.number("autoresizingMask");
        if (m != std::floor(m) || m < 0 || m > 63)
            p.fail("autoresizingMask must be a whole number in 0..63");
        setAutoresizingMask(unsigned(m));
    }
    if (p.has("autoresizesSubviews")) setAutoresizesSubviews(p.boolean("autoresizesSubviews"));
    if (p.has("userInteractionEnabled"))
        setUserInteractionEnabled(p.boolean("userInteractionEnabled"));
    if (p.has("multipleTouchEnabled")) setMultipleTouchEnabled(p.boolean("multipleTouchEnabled"));
}

}  // namespace platform::ui
