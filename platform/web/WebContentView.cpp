#include "platform/web/WebContentView.h"

#include <algorithm>

#include "platform/runtime/MainLoop.h"
#include "platform/ui/Touch.h"
#include "platform/ui/Window.h"
#include "platform/web/WebKeys.h"

namespace platform::web {

namespace {

// The web content view clicked last, where keys go. Main thread only.
std::weak_ptr<WebContentView>& keyTarget() {
    static std::weak_ptr<WebContentView> target;
    return target;
}

gfx::Image imageOf(const WebSnapshot& frame) {
    if (frame.empty()) return {};
    gfx::Image image(frame.width, frame.height, gfx::Image::ColorSpace::RGB, true, frame.rgba);
    image.setPremultiplied(true);
    return image;
}

}  // namespace

std::shared_ptr<WebContentView> WebContentView::create(ui::Rect frame) {
    return std::make_shared<WebContentView>(frame);
}

WebContentView::WebContentView(ui::Rect frame) : PixelContentView(frame) {}

WebContentView::~WebContentView() = default;

void WebContentView::setWebView(std::shared_ptr<WebView> view) {
    releaseHold();
    webView_ = std::move(view);
    shownGeneration_ = ~std::uint64_t(0);
    if (!webView_) setContent({});
}

gfx::Image WebContentView::pagePicture() {
    if (hold_) return content();
    return webView_ ? imageOf(webView_->paintedFrame()) : gfx::Image{};
}

std::uint64_t WebContentView::holdFrame(gfx::Image frame, double seconds) {
    releaseHold();
    const std::uint64_t id = ++holds_;
    hold_ = Hold{id, std::nullopt, nullptr};
    std::weak_ptr<WebContentView> weak =
        std::static_pointer_cast<WebContentView>(shared_from_this());
    hold_->limit = MainLoop::main().postAfter(seconds, [weak, id] {
        auto self = weak.lock();
        if (self && self->hold_ && self->hold_->id == id) self->endHold();
    });
    setContent(std::move(frame));
    return id;
}

void WebContentView::resumeAfterFreshFrame(std::uint64_t hold) {
    if (!hold_ || hold_->id != hold) return;
    if (!webView_) {
        endHold();
        return;
    }
    hold_->freshFrame = webView_->requestFreshFrame();
    // It may be painted already (a page with nothing to draw asks for nothing).
    setNeedsDisplay();
}

void WebContentView::endHold() {
    if (!hold_) return;
    releaseHold();
    setNeedsDisplay();
}

void WebContentView::releaseHold() {
    if (!hold_) return;
    if (hold_->limit) hold_->limit->invalidate();
    hold_.reset();
    // The page's frame shows at the next draw, whatever its generation.
    shownGeneration_ = ~std::uint64_t(0);
}

bool WebContentView::paintedFrameEndsHold() {
    // Asked for on every draw all the same: a transparent page's repaint is fetched only when
    // its frame is asked for.
    const WebSnapshot& frame = webView_->paintedFrame();
    if (!hold_->freshFrame || webView_->paintedFrameNumber() < *hold_->freshFrame) return false;
    const Size size = webView_->size();
    return frame.width == static_cast<int>(size.width) &&
           frame.height == static_cast<int>(size.height);
}

void WebContentView::draw(ui::Painter& painter) {
    if (webView_ && hold_ && paintedFrameEndsHold()) releaseHold();
    if (webView_ && !hold_ && webView_->paintedGeneration() != shownGeneration_) {
        // Asking for the frame may only start fetching a newer one, which comes with a
        // generation of its own: until then the frame shown is not uploaded again.
        const WebSnapshot& frame = webView_->paintedFrame();
        const std::uint64_t generation = webView_->paintedGeneration();
        if (generation != shownGeneration_) {
            shownGeneration_ = generation;
            setContent(imageOf(frame));
        }
    }
    PixelContentView::draw(painter);
}

Point WebContentView::toPage(Point p) const {
    // The page is stretched over the bounds, so points scale by its size over theirs.
    const ui::Rect b = bounds();
    const Size page = webView_ ? webView_->size() : Size{};
    const double sx = b.size.width > 0 ? page.width / b.size.width : 1;
    const double sy = b.size.height > 0 ? page.height / b.size.height : 1;
    return {(p.x - b.origin.x) * sx, (p.y - b.origin.y) * sy};
}

const ui::Touch* WebContentView::tracked(const ui::TouchSet& touches) const {
    for (const auto& touch : touches) {
        if (touch && touch.get() == tracked_) return touch.get();
    }
    return nullptr;
}

void WebContentView::sendMouse(WebMouseEvent::Type type, const ui::Touch& touch) {
    if (!webView_) return;
    WebMouseEvent e;
    e.type = type;
    e.location = toPage(touch.locationInView(this));
    webView_->sendMouseEvent(e);
}

void WebContentView::touchesBegan(const ui::TouchSet& touches, const ui::Event&) {
    // The page gets one mouse: the first finger down drives it until it lifts.
    if (tracked_ || touches.empty() || !touches.front()) return;
    tracked_ = touches.front().get();
    keyTarget() = std::static_pointer_cast<WebContentView>(shared_from_this());
    // A move first, as a real pointer arrives where it presses.
    sendMouse(WebMouseEvent::Type::Move, *touches.front());
    sendMouse(WebMouseEvent::Type::Down, *touches.front());
}

void WebContentView::touchesMoved(const ui::TouchSet& touches, const ui::Event&) {
    if (const ui::Touch* touch = tracked(touches)) sendMouse(WebMouseEvent::Type::Move, *touch);
}

void WebContentView::touchesEnded(const ui::TouchSet& touches, const ui::Event&) {
    const ui::Touch* touch = tracked(touches);
    if (!touch ||
        (touch->phase() != ui::TouchPhase::Ended && touch->phase() != ui::TouchPhase::Cancelled)) {
        return;
    }
    tracked_ = nullptr;
    sendMouse(WebMouseEvent::Type::Up, *touch);
}

void WebContentView::touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) {
    touchesEnded(touches, event);
}

bool WebContentView::scrollWheel(ui::Window& window, Point point, double deltaX, double deltaY) {
    auto hit = window.hitTest(point, nullptr);
    for (auto view = hit; view; view = view->superview()) {
        auto content = std::dynamic_pointer_cast<WebContentView>(view);
        if (!content || !content->webView_) continue;
        Point inView = content->convertPointFromView(point, nullptr);
        WebScrollEvent e;
        e.location = content->toPage(inView);
        e.deltaX = deltaX;
        e.deltaY = deltaY;
        content->webView_->sendScrollEvent(e);
        return true;
    }
    return false;
}

bool WebContentView::sendKey(const WebKeyEvent& event) {
    auto target = keyTarget().lock();
    if (!target || !target->webView_ || !target->window()) return false;
    target->webView_->sendKeyEvent(event);
    return true;
}

bool WebContentView::handleSdlEvent(ui::Window& window, const SDL_Event& event, Point pointer) {
    switch (event.type) {
        case SDL_MOUSEWHEEL: {
            // SDL counts wheel notches, away from the user positive; a notch scrolls 40 points.
            double sign = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
            return scrollWheel(window, pointer, event.wheel.x * 40.0 * sign,
                               -event.wheel.y * 40.0 * sign);
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            WebKeyEvent key;
            key.down = event.type == SDL_KEYDOWN;
            key.modifiers = keyModifiers(event.key.keysym.mod);
            key.keysym = keysymForSdlKey(event.key.keysym.sym, key.modifiers);
            if (key.keysym == 0) return false;
            return sendKey(key);
        }
        default:
            return false;
    }
}

}  // namespace platform::web
