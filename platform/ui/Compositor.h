#pragma once

// Draws a window's view tree with GL ES 1 into the current framebuffer: background colours,
// images, text, alpha and clipping, and the framebuffers of GL-backed views. Textures for
// images and texts are made on demand and dropped when a frame no longer uses them. A screen
// change the window marks with beginTransition() cross-fades from the last frame before it.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <GLES/gl.h>

#include "platform/ui/Geometry.h"

namespace platform::gfx {
class Framebuffer;
class Image;
}  // namespace platform::gfx

namespace platform::ui {

class TabBarButton;
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

    // Number of cached textures (tests: the cache must not grow without bound).
    std::size_t cachedTextureCount() const { return textures_.size(); }

  private:
    void drawTree(Window& window, int pixelWidth, int pixelHeight);
    // Frames go through two framebuffers so the last one can be faded out when a screen
    // change asks for it; false when framebuffers are not available (drawn directly then).
    bool prepareFrameBuffers(int pixelWidth, int pixelHeight);

    struct Tex {
        GLuint name = 0;
        int width = 0, height = 0;  // content in pixels
        int potW = 0, potH = 0;     // storage
        bool premultiplied = false;
        std::shared_ptr<const gfx::Image> keep;  // image textures hold their source
        unsigned lastFrame = 0;
    };
    struct ClipState {
        bool enabled = false;
        Rect pixels;  // window pixels, y down
    };

    void drawView(View& v, float alpha, const ClipState& clip, const AffineTransform& toWindow);
    void drawContent(View& v, float alpha, const AffineTransform& toWindow);
    void drawTabBarButton(TabBarButton& tab, float alpha, const AffineTransform& toWindow);
    void fillRect(const Rect& r, Color c, float alpha);
    void drawTexture(const Tex& t, const Rect& r, float alpha, Color tint = Color::whiteColor());
    void drawText(const std::string& text, const Rect& box, double fontSize, bool bold,
                  int alignment, Color color, float alpha, int maxLines, bool centreVertically,
                  const AffineTransform& toWindow);
    const Tex* imageTexture(const std::shared_ptr<const gfx::Image>& image);
    // The picture's alpha alone, to be drawn in one colour.
    const Tex* shapeTexture(const std::shared_ptr<const gfx::Image>& image);
    const Tex* cachedImageTexture(const std::shared_ptr<const gfx::Image>& image, bool shapeOnly);
    const Tex* textTexture(const std::string& text, int boxW, int boxH, double fontPx, bool bold,
                           int alignment);
    void setScissor(const ClipState& clip);
    void evictUnused();

    int pixelW_ = 0, pixelH_ = 0;
    double scaleX_ = 1, scaleY_ = 1;
    unsigned frame_ = 0;
    std::map<std::string, Tex> textures_;
    std::shared_ptr<gfx::Framebuffer> frames_[2];
    int current_ = 0;
    // The transition being faded (its start on the clock) and the frame it fades from.
    double fadeStart_ = -1;
    int fadeFrom_ = -1;
};

}  // namespace platform::ui
