#pragma once

// A view whose content is drawn with GL by its owner (the game's view). The painter gives it a
// framebuffer object of its size in pixels, lets it draw, and composes the result like any
// other view's content.

#include <memory>

#include "platform/ui/Painter.h"
#include "platform/ui/View.h"

namespace platform::gfx {
class Framebuffer;
}

namespace platform::ui {

class GLView : public View {
  public:
    explicit GLView(Rect frame = {}) : View(frame) { setOpaque(true); }
    const char* className() const override { return "EAGLView"; }

    // Draws the content into the bound framebuffer of the given pixel size (viewport set,
    // origin bottom left as GL has it). Called once per frame the view is drawn in.
    virtual void renderContent(int pixelWidth, int pixelHeight) = 0;

    // The target for this view's drawing; kept between frames, remade on resize.
    std::shared_ptr<gfx::Framebuffer>& framebuffer() { return framebuffer_; }

  protected:
    void draw(Painter& painter) override {
        painter.drawGLContent(framebuffer_, [this](int w, int h) { renderContent(w, h); });
    }

  private:
    std::shared_ptr<gfx::Framebuffer> framebuffer_;
};

}  // namespace platform::ui
