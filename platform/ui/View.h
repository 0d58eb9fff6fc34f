#pragma once

// The retained view tree. A view owns its subviews; the superview and the controller are weak back
// references, so a tree is freed from its root. Geometry: frame is derived from center, bounds size
// and transform; bounds origin scrolls the content.

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/Responder.h"

namespace platform::ui {

class Window;
class ViewController;
class GestureRecognizer;
class Painter;
class InterfaceProperties;

// Autoresizing bits, with the values interface files and callers use.
enum AutoresizingMask : unsigned {
    AutoresizingNone = 0,
    AutoresizingFlexibleLeftMargin = 1 << 0,
    AutoresizingFlexibleWidth = 1 << 1,
    AutoresizingFlexibleRightMargin = 1 << 2,
    AutoresizingFlexibleTopMargin = 1 << 3,
    AutoresizingFlexibleHeight = 1 << 4,
    AutoresizingFlexibleBottomMargin = 1 << 5,
};

class View : public Responder, public std::enable_shared_from_this<View> {
  public:
    static std::shared_ptr<View> create(Rect frame = {});
    explicit View(Rect frame = {});
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Diagnostics: the class name as logs and tests print it.
    virtual const char* className() const { return "UIView"; }

    // Geometry. A subclass may take part in frame, bounds and alpha changes (a banner that keeps
    // its size): the setters are virtual, and autoresizing, animations and interface files go
    // through them. A subclass's override sees no call from View's own constructor.
    Rect frame() const;
    virtual void setFrame(Rect frame);
    Rect bounds() const { return bounds_; }
    virtual void setBounds(Rect bounds);
    Point center() const { return center_; }
    void setCenter(Point c) { changeDrawn(center_, c); }
    const AffineTransform& transform() const { return transform_; }
    void setTransform(const AffineTransform& t) { changeDrawn(transform_, t); }

    // Appearance
    double alpha() const { return alpha_; }
    virtual void setAlpha(double a) { changeDrawn(alpha_, std::clamp(a, 0.0, 1.0)); }
    bool isHidden() const { return hidden_; }
    void setHidden(bool h) { changeDrawn(hidden_, h); }
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool o) { opaque_ = o; }
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool c) { changeDrawn(clipsToBounds_, c); }
    // Points of rounding at each corner of what the view clips (with clipsToBounds, the view
    // and its subviews show inside the rounded rectangle); 0 for square corners.
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double r) { changeDrawn(cornerRadius_, r > 0 ? r : 0.0); }
    Color backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(Color c) { changeDrawn(backgroundColor_, c); }

    // Interaction
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool e) { userInteractionEnabled_ = e; }
    bool isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
    void setMultipleTouchEnabled(bool e) { multipleTouchEnabled_ = e; }

    // What assistive technology says for the view (a button that shows only a picture).
    const std::string& accessibilityLabel() const { return accessibilityLabel_; }
    void setAccessibilityLabel(std::string label) { accessibilityLabel_ = std::move(label); }

    int tag() const { return tag_; }
    void setTag(int t) { tag_ = t; }
    // Depth first, this view first.
    std::shared_ptr<View> viewWithTag(int tag);

    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned m) { autoresizingMask_ = m; }
    bool autoresizesSubviews() const { return autoresizesSubviews_; }
    void setAutoresizesSubviews(bool a) { autoresizesSubviews_ = a; }

    // Tree. Adding a view that already has a superview moves it.
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    void addSubview(const std::shared_ptr<View>& v);
    void insertSubview(const std::shared_ptr<View>& v, std::size_t index);
    void insertSubviewBelow(const std::shared_ptr<View>& v, const std::shared_ptr<View>& sibling);
    void bringSubviewToFront(const std::shared_ptr<View>& v);
    void sendSubviewToBack(const std::shared_ptr<View>& v);
    void removeFromSuperview();
    std::shared_ptr<View> superview() const { return superview_.lock(); }
    // The window this view is in, or nullptr.
    Window* window() const;
    bool isDescendantOf(const View* other) const;

    // Coordinates. A null view means the window (the root of this view's tree).
    Point convertPointToView(Point p, const View* to) const;
    Point convertPointFromView(Point p, const View* from) const;
    Rect convertRectToView(const Rect& r, const View* to) const;
    Rect convertRectFromView(const Rect& r, const View* from) const;
    // One level: between this view's bounds and its superview's bounds.
    Point convertToSuperview(Point p) const;
    Point convertFromSuperview(Point p) const;

    // Hit testing in this view's coordinates. Hidden views, views that do not take touches and
    // nearly transparent ones are skipped with all their subviews.
    virtual std::shared_ptr<View> hitTest(Point p, const Event* event);
    virtual bool pointInside(Point p, const Event* event) const;

    // Layout
    void setNeedsLayout() {
        needsLayout_ = true;
        setNeedsDisplay();
    }
    bool needsLayout() const { return needsLayout_; }
    void layoutIfNeeded();
    virtual void layoutSubviews() {}
    virtual Size sizeThatFits(Size s) const { return bounds_.size.width ? bounds_.size : s; }
    void sizeToFit();

    // Interface files: the loader made this view by its class name and hands it the keys of
    // its object. A subclass reads its own keys after calling its superclass's version.
    virtual void applyInterfaceProperties(InterfaceProperties& properties);

    // Hooks
    virtual void willMoveToSuperview(View*) {}
    virtual void didMoveToSuperview() {}
    virtual void willMoveToWindow(Window*) {}
    virtual void didMoveToWindow() {}
    virtual void didAddSubview(View*) {}
    virtual void willRemoveSubview(View*) {}

    // Touches. The default passes them on to the controller, then the superview, so a touch no view
    // takes still reaches the screen that owns it.
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;

    // Gesture recognizers
    void addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& g);
    void removeGestureRecognizer(const GestureRecognizer* g);
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const {
        return gestureRecognizers_;
    }

    // Animations apply their end state at once (the changes run now) and complete after their
    // duration on the clock; a zero duration completes on the next turn of the main loop.
    static void animate(double duration, const std::function<void()>& changes,
                        std::function<void(bool finished)> completion = {});

    // The controller whose view this is, or nullptr.
    std::shared_ptr<ViewController> viewController() const { return controller_.lock(); }

    // What the view draws changed: the window is drawn again on the next frame. The view's own
    // setters and those of the toolkit's views call it; a subclass whose draw() shows state of
    // its own calls it when that state changes.
    void setNeedsDisplay() const { markDisplayChanged(); }
    // Whether what the view draws changes with the clock alone just now (a spinner, indicators
    // that fade): frames go on being drawn while a visible view says so.
    virtual bool drawsOverTime() const { return false; }

  protected:
    // Sets a field that drawing reads, counting a display change only when the value moves.
    template <typename T, typename U>
    void changeDrawn(T& field, U&& value) {
        if (field == value) return;
        field = std::forward<U>(value);
        setNeedsDisplay();
    }

    // Drawing. The compositor fills the background colour, calls draw() with a painter in this
    // view's bounds, draws the subviews, then calls drawOverSubviews(); clipping, alpha and
    // traversal are its business. Both draw nothing here.
    virtual void draw(Painter&) {}
    virtual void drawOverSubviews(Painter&) {}

  private:
    friend class ViewController;
    friend class Compositor;
    void detachChild(View* v);
    void insertAt(const std::shared_ptr<View>& v, std::size_t index);
    void resizeSubviews(Size oldSize);
    void autoresize(Size oldSuper, Size newSuper);
    // Window moves: the controller callbacks and the hooks, over a whole subtree.
    static void notifyWillMoveToWindow(View& v, Window* from, Window* to);
    static void notifyDidMoveToWindow(View& v, Window* from, Window* to);

    Rect bounds_;
    Point center_;
    AffineTransform transform_;
    double alpha_ = 1;
    bool hidden_ = false;
    bool opaque_ = true;
    bool clipsToBounds_ = false;
    double cornerRadius_ = 0;
    Color backgroundColor_ = Color::clear();
    bool userInteractionEnabled_ = true;
    bool multipleTouchEnabled_ = false;
    int tag_ = 0;
    std::string accessibilityLabel_;
    unsigned autoresizingMask_ = AutoresizingNone;
    bool autoresizesSubviews_ = true;
    bool needsLayout_ = true;
    std::vector<std::shared_ptr<View>> subviews_;
    std::weak_ptr<View> superview_;
    std::weak_ptr<ViewController> controller_;
    std::vector<std::shared_ptr<GestureRecognizer>> gestureRecognizers_;
};

}  // namespace platform::ui
