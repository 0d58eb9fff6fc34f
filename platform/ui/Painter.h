#pragma once

// What a view draws its own content with. The compositor hands one painter to each view it
// draws (View::draw, then View::drawOverSubviews): coordinates are the view's bounds (points,
// y down); the clip of the view and its ancestors and their combined opacity are already in
// force, and every texture comes from the compositor's cache, made on first use and dropped
// after a frame that did not use it. A painter lives for one view of one frame, on the thread
// whose GL context is current.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/Geometry.h"
#include "platform/ui/TextStyle.h"

namespace platform::gfx {
class Framebuffer;
class Image;
}  // namespace platform::gfx

namespace platform::ui {

class TextureCache;
struct GLTexture;

// Pixels their owner keeps and changes now and then (a web page's frames). The painter keeps
// one texture per buffer id and uploads the pixels again only when the generation changed, so
// an unchanged frame costs nothing to draw again. The pixels are read only during the call.
struct PixelBuffer {
    // One id per owner, for its whole life (newId()): a texture is found again by it.
    std::uint64_t id = 0;
    // Changes whenever the pixels change.
    std::uint64_t generation = 0;
    int width = 0;
    int height = 0;
    // width * height * 4 bytes of RGBA, top row first.
    const std::uint8_t* rgba = nullptr;
    // Colours already multiplied by alpha, as web engines and framebuffers deliver them.
    bool premultiplied = true;

    // A process-wide unique id (never 0).
    static std::uint64_t newId();
};

class Painter {
  public:
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    // The opacity the view draws at: its own alpha times its ancestors'.
    float alpha() const { return alpha_; }
    // Pixels per point where the view ends up (its transforms and the target's scale).
    double pixelScale() const;

    // Every call below multiplies its `opacity` with alpha().
    void fillRect(const Rect& r, Color color, float opacity = 1);
    // A picture (straight alpha) stretched over r.
    void drawImage(const std::shared_ptr<const gfx::Image>& image, const Rect& r,
                   float opacity = 1);
    // The part of a picture inside `part` (in the picture's pixels) stretched over r.
    void drawImagePart(const std::shared_ptr<const gfx::Image>& image, const Rect& part,
                       const Rect& r, float opacity = 1);
    // Only the picture's alpha, as a shape filled with one colour (tab bar icons).
    void drawImageShape(const std::shared_ptr<const gfx::Image>& image, const Rect& r, Color color,
                        float opacity = 1);
    // Text wrapped in the box, cached by its content and look.
    void drawText(const std::string& text, const Rect& box, const TextStyle& style, Color color,
                  float opacity = 1);
    // The same for a text the view keeps: the cache knows it by the string it points at, so a
    // long unchanged text is neither wrapped nor hashed again.
    void drawText(const SharedText& text, const Rect& box, const TextStyle& style, Color color,
                  float opacity = 1);
    // The buffer's pixels stretched over r, uploaded only when their generation changed.
    void drawPixels(const PixelBuffer& pixels, const Rect& r, float opacity = 1);
    // Content drawn with GL by its owner: `render` draws into `target` (made or remade at the
    // view's size in pixels, at most 4096 square, and bound with its viewport; origin bottom
    // left as GL has it), which then covers the view's bounds. GL state is restored after.
    void drawGLContent(std::shared_ptr<gfx::Framebuffer>& target,
                       const std::function<void(int pixelWidth, int pixelHeight)>& render);

  private:
    friend class Compositor;

    struct Clip {
        bool enabled = false;
        Rect pixels;  // target pixels, y down
        // A rounded clip: drawing also stays inside this rectangle (target pixels) with its
        // corners rounded by `radius` pixels. The nearest rounded view counts alone.
        Rect rounded;
        double radius = 0;
    };
    struct Target {
        int width = 0;
        int height = 0;
        // Every colour drawn white at its alpha, so the red channel ends up holding the alpha
        // the picture would have (GL ES 1 cannot blend alpha apart from colour).
        bool coverageOnly = false;
        // Offscreen pictures leave GL views' framebuffers alone (their owners draw into them
        // between frames) and show what they hold.
        bool keepGLContent = false;
    };

    Painter(TextureCache& cache, const Target& target, const Rect& bounds,
            const AffineTransform& toTarget, float alpha, const Clip& clip)
        : cache_(cache),
          target_(target),
          bounds_(bounds),
          toTarget_(toTarget),
          alpha_(alpha),
          clip_(clip) {}

    // Scissor and matrix of this view, set before its first drawing and again after anything
    // else (its subviews, a GL view's own drawing) may have changed them.
    void apply();
    void stateChanged() { applied_ = false; }
    // Applies this view's state and draws: once, or once per band of a rounded clip (GL ES 1
    // clips to one scissor rectangle, so the rounded shape is a stack of them).
    void paint(const std::function<void()>& quad);
    void drawTextBlock(const void* identity, const SharedText& keep, const std::string& text,
                       const Rect& box, const TextStyle& style, Color color, float opacity);

    // The GL quads every drawing ends in, in the current modelview.
    static void fillQuad(const Rect& r, Color color, float alpha, bool coverageOnly = false);
    static void textureQuad(const GLTexture& texture, const Rect& r, float alpha,
                            Color tint = Color::whiteColor(), bool coverageOnly = false);
    // The texels inside `part` only.
    static void textureQuad(const GLTexture& texture, const Rect& part, const Rect& r, float alpha,
                            Color tint, bool coverageOnly);
    static void setScissor(const Clip& clip, int targetWidth, int targetHeight);
    static void loadMatrix(const AffineTransform& t);

    TextureCache& cache_;
    Target target_;
    Rect bounds_;  // the view's
    AffineTransform toTarget_;
    float alpha_;
    Clip clip_;
    bool applied_ = false;
};

}  // namespace platform::ui
