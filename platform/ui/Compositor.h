#pragma once

// Draws a window's view tree with GL ES 1 into the current framebuffer. The compositor walks
// the tree and keeps what no view decides for itself: the order, clipping, alpha, the
// background colours and the frames of a screen change; each view draws its own content
// through its drawing hook with a painter over the compositor's texture cache. A screen change
// the window marks with beginTransition() cross-fades from the last frame before it.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/Painter.h"
#include "platform/ui/TextureCache.h"

namespace platform::gfx {
class Framebuffer;
class Image;
}  // namespace platform::gfx

namespace platform::ui {

class View;
class Window;

class Compositor {
  public:
    Compositor();
    ~Compositor();
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

    // Lays out and draws the window into a target of the given pixel size (the window's points
    // scaled to fit). The GL context must be current.
    void drawFrame(Window& window, int pixelWidth, int pixelHeight);

    // Whether drawFrame would show anything the last frame did not: a view changed since then
    // (markDisplayChanged), a cross-fade or a view that draws over time is under way, or the
    // last frame caught one part-way. A frame loop draws only then, and sleeps otherwise.
    bool needsFrame(const Window& window) const;

    // Where a window of `points` size shows in a drawable of the given pixels: as large as
    // fits with its aspect ratio kept, centred, in whole pixels. A drawable of another shape
    // (a resized or maximised window) gets black bars instead of a stretched picture.
    static Rect letterbox(Size points, int pixelWidth, int pixelHeight);

    // Draws one view's subtree offscreen, as it would show on its own: its bounds at `scale`
    // pixels per point, its own alpha applied, over transparency; where it sits and how its
    // ancestors transform it do not matter, and GL views show the frame they last finished.
    // Premultiplied RGBA, top row first. An empty image when the view is empty or larger than
    // 4096 pixels either way, or framebuffers are missing. Textures it makes stay cached like
    // a frame's. The GL context must be current; the bound framebuffer and viewport are kept.
    gfx::Image renderView(View& view, double scale);

    // Number of cached textures (tests: the cache must not grow without bound).
    std::size_t cachedTextureCount() const { return textures_.size(); }

  private:
    void composite(Window& window, int drawableWidth, int drawableHeight);
    void drawTree(Window& window, int pixelWidth, int pixelHeight);
    // Frames go through two framebuffers so the last one can be faded out when a screen
    // change asks for it; false when framebuffers are not available (drawn directly then).
    bool prepareFrameBuffers(int pixelWidth, int pixelHeight);
    void drawView(View& v, float alpha, const Painter::Clip& clip, const AffineTransform& toTarget);
    // One pass of renderView into the bound framebuffer: its RGBA rows, bottom up.
    std::vector<std::uint8_t> renderPass(View& view, int width, int height,
                                         const AffineTransform& toPixels, bool coverageOnly);

    Painter::Target target_;
    TextureCache textures_;
    std::shared_ptr<gfx::Framebuffer> frames_[2];
    int current_ = 0;
    // The transition being faded (its start on the clock) and the frame it fades from.
    double fadeStart_ = -1;
    int fadeFrom_ = -1;
    // Where the window's picture starts in the drawable when it is drawn without framebuffers.
    std::array<int, 2> viewportOrigin_{0, 0};
    // The display changes the last frame showed, and whether it was part of an animation.
    std::uint64_t drawnGeneration_ = 0;
    bool drewAnimation_ = false;
    bool drewAny_ = false;
};

// renderView with a compositor of its own (and its own textures, deleted afterwards).
gfx::Image renderViewToImage(View& view, double scale);

}  // namespace platform::ui
