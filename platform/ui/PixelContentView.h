#pragma once

// A view showing pixels its owner renders elsewhere and hands over whole or in part (a web
// page's frames). Every change is a new content generation; the painter uploads the pixels
// again only then, so drawing an unchanged frame copies nothing. The content is stretched over
// the view's bounds. Main thread only, like every view.

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/gfx/Image.h"
#include "platform/ui/Painter.h"
#include "platform/ui/View.h"

namespace platform::ui {

class PixelContentView : public View {
  public:
    static std::shared_ptr<PixelContentView> create(Rect frame = {});
    explicit PixelContentView(Rect frame = {});
    const char* className() const override { return "PixelContentView"; }

    // The frame to show; the image says whether its colours are premultiplied. An empty image
    // shows nothing.
    void setContent(gfx::Image image);
    const gfx::Image& content() const { return content_; }
    // Changes the frame in place (the part the owner redrew); it counts as a new frame.
    void updateContent(const std::function<void(gfx::Image&)>& change);
    std::uint64_t contentGeneration() const { return generation_; }

  protected:
    void draw(Painter& painter) override;
    // Draws the content over `r` (in the view's coordinates) instead of the bounds.
    void drawContent(Painter& painter, const Rect& r);

  private:
    gfx::Image content_;
    const std::uint64_t bufferId_ = PixelBuffer::newId();
    std::uint64_t generation_ = 0;
};

}  // namespace platform::ui
