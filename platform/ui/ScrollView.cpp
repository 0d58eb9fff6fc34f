#include "platform/ui/ScrollView.h"

#include <algorithm>

#include "platform/ui/InterfaceProperties.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Touch.h"

namespace platform::ui {

std::shared_ptr<ScrollView> ScrollView::create(Rect frame) {
    return std::make_shared<ScrollView>(frame);
}

ScrollView::ScrollView(Rect frame) : View(frame) {
    setClipsToBounds(true);
}

void ScrollView::setContentOffset(Point p, bool) {
    Rect b = bounds();
    b.origin = p;
    setBounds(b);
}

Point ScrollView::clamped(Point p) const {
    Size view = bounds().size;
    double maxX = std::max(0.0, contentSize_.width - view.width);
    double maxY = std::max(0.0, contentSize_.height - view.height);
    return {std::clamp(p.x, 0.0, maxX), std::clamp(p.y, 0.0, maxY)};
}

void ScrollView::flashScrollIndicators() {
    ++flashCount_;
    flashedAt_ = monotonicNow();
    setNeedsDisplay();
}

bool ScrollView::indicatorsVisible() const {
    if (dragging_) return true;
    return flashedAt_ >= 0 && monotonicNow() - flashedAt_ < kIndicatorFlashSeconds;
}

void ScrollView::touchesBegan(const TouchSet& t, const Event& e) {
    if (!scrollEnabled_) {
        View::touchesBegan(t, e);
        return;
    }
    dragging_ = true;
    setNeedsDisplay();
}

void ScrollView::touchesMoved(const TouchSet& t, const Event& e) {
    if (!dragging_ || t.empty()) {
        View::touchesMoved(t, e);
        return;
    }
    // Window coordinates: our own would move under the finger as we scroll.
    Point now = t.front()->locationInView(nullptr),
          before = t.front()->previousLocationInView(nullptr);
    Point o = contentOffset();
    setContentOffset(clamped({o.x - (now.x - before.x), o.y - (now.y - before.y)}));
}

void ScrollView::touchesEnded(const TouchSet& t, const Event& e) {
    if (!dragging_) {
        View::touchesEnded(t, e);
        return;
    }
    dragging_ = false;
    flashedAt_ = monotonicNow();
    setNeedsDisplay();
}

// A drag taken away (a recognizer, the app leaving the foreground) ends like a lift-off;
// otherwise the indicators would stay up and the next touch would scroll from a stale drag.
void ScrollView::touchesCancelled(const TouchSet& t, const Event& e) {
    if (!dragging_) {
        View::touchesCancelled(t, e);
        return;
    }
    dragging_ = false;
    flashedAt_ = monotonicNow();
    setNeedsDisplay();
}

// Indicators only mean something when there is more content than shows.
void ScrollView::drawOverSubviews(Painter& painter) {
    Rect b = bounds();
    if (!indicatorsVisible() || contentSize_.height <= b.size.height) return;
    double content = std::max(contentSize_.height, b.size.height);
    double len = std::max(20.0, b.size.height * b.size.height / content);
    double pos = (b.size.height - len) * (b.origin.y / std::max(1.0, content - b.size.height));
    painter.fillRect({b.maxX() - 5, b.origin.y + std::clamp(pos, 0.0, b.size.height - len), 3, len},
                     {0, 0, 0, 0.5f});
}

void ScrollView::applyInterfaceProperties(InterfaceProperties& p) {
    View::applyInterfaceProperties(p);
    if (p.has("contentSize")) setContentSize(p.size("contentSize"));
}

}  // namespace platform::ui
