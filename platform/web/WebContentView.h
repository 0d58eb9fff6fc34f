#pragma once

// Shows a WebView in our view tree: the compositor draws the page's painted frames (uploaded
// only when the page painted anew), stretched over the view's bounds. Touches on the view become
// the page's button and motion events (first touch only, as a mouse); the wheel scrolls the page
// under the pointer; keys go to the page of the web content view clicked last. The view keeps
// its WebView alive while it shows it. Main thread only, like every view.
//
// A page that is about to lay itself out anew for a place it goes back to (an ad back in its
// banner) would show its old layout cut to the new size until it has heard of the change and
// painted. The view can hold a picture meanwhile (holdFrame): the page's last frame in that
// place, shown in place of its frames, which are still asked for. Once the page has been told
// (resumeAfterFreshFrame, after the script that tells it has run), the first frame asked for
// from then on that has the web view's size ends the hold. A hold ends anyway after its time,
// or with another web view, so a page that never paints is shown as it is.

#include <cstdint>
#include <memory>
#include <optional>

#include <SDL.h>

#include "platform/runtime/Timer.h"
#include "platform/ui/PixelContentView.h"
#include "platform/web/WebView.h"

namespace platform::ui {
class Window;
}

namespace platform::web {

class WebContentView : public ui::PixelContentView {
  public:
    static std::shared_ptr<WebContentView> create(ui::Rect frame = {});
    explicit WebContentView(ui::Rect frame = {});
    ~WebContentView() override;
    const char* className() const override { return "WebContentView"; }

    void setWebView(std::shared_ptr<WebView> view);
    const std::shared_ptr<WebView>& webView() const { return webView_; }

    // The picture of the page the view would show now: the frame it holds, else the page's
    // last painted frame. Empty without one.
    gfx::Image pagePicture();
    // Shows `frame` in place of the page's frames for at most `seconds` on the main loop's
    // clock (a frame held already gives way to it). Answers the hold's number.
    std::uint64_t holdFrame(gfx::Image frame, double seconds);
    // The hold in force (its number), 0 without one.
    std::uint64_t hold() const { return hold_ ? hold_->id : 0; }
    // The page has been told what it paints next: when `hold` is still in force, asks the page
    // for a frame now, and the first one from then on that has the web view's size ends it.
    // (What the page was told before a hold began says nothing of the layout it holds for.)
    void resumeAfterFreshFrame(std::uint64_t hold);
    void endHold();
    bool isHoldingFrame() const { return hold_.has_value(); }

    void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
    void touchesMoved(const ui::TouchSet& touches, const ui::Event& event) override;
    void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;
    void touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) override;

    // The wheel over `window` at `point` (window points): scrolls the page of the web content
    // view there, if any. Answers whether one took it.
    static bool scrollWheel(ui::Window& window, Point point, double deltaX, double deltaY);
    // A key for the page of the web content view clicked last; false when there is none.
    static bool sendKey(const WebKeyEvent& event);
    // SDL's wheel and key events, for the frame loop: answers whether a web page took it.
    static bool handleSdlEvent(ui::Window& window, const SDL_Event& event, Point pointer);

  protected:
    void draw(ui::Painter& painter) override;

  private:
    struct Hold {
        std::uint64_t id = 0;
        // The fresh frame's number once asked for.
        std::optional<std::uint64_t> freshFrame;
        std::shared_ptr<Timer> limit;
    };

    // Whether the page's painted frame ends the hold: asked for since the page was told, and
    // of the web view's size.
    bool paintedFrameEndsHold();
    void releaseHold();
    Point toPage(Point inView) const;
    const ui::Touch* tracked(const ui::TouchSet& touches) const;
    void sendMouse(WebMouseEvent::Type type, const ui::Touch& touch);

    std::shared_ptr<WebView> webView_;
    std::uint64_t shownGeneration_ = ~std::uint64_t(0);
    std::optional<Hold> hold_;
    std::uint64_t holds_ = 0;
    // The touch that drives the page's mouse; only compared, never followed.
    const ui::Touch* tracked_ = nullptr;
};

}  // namespace platform::web
