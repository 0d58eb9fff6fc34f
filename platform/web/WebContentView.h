#pragma once

// Shows a WebView in our view tree: the compositor draws the page's painted frames (uploaded
// only when the page painted anew), stretched over the view's bounds. Touches on the view become
// the page's button and motion events (first touch only, as a mouse); the wheel scrolls the page
// under the pointer; keys go to the page of the web content view clicked last. The view keeps
// its WebView alive while it shows it. Main thread only, like every view.

#include <memory>

#include <SDL.h>

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
    Point toPage(Point inView) const;
    const ui::Touch* tracked(const ui::TouchSet& touches) const;
    void sendMouse(WebMouseEvent::Type type, const ui::Touch& touch);

    std::shared_ptr<WebView> webView_;
    std::uint64_t shownGeneration_ = ~std::uint64_t(0);
    // The touch that drives the page's mouse; only compared, never followed.
    const ui::Touch* tracked_ = nullptr;
};

}  // namespace platform::web
