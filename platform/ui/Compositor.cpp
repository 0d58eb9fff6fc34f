#include "platform/ui/Compositor.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gfx/Framebuffer.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/Image.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::ui {

using gfx::gl;

namespace {

// The view's own coordinates to its superview's: undo the bounds origin and centre, apply the
// transform, move to the centre.
AffineTransform localToSuper(const View& v) {
    Rect b = v.bounds();
    return AffineTransform::translation(-b.origin.x - b.size.width / 2,
                                        -b.origin.y - b.size.height / 2)
        .concat(v.transform())
        .concat(AffineTransform::translation(v.center().x, v.center().y));
}

// Whether a visible view of the subtree draws differently as time passes.
bool drawsOverTime(const View& v) {
    if (v.isHidden() || v.alpha() < 0.01) return false;
    if (v.drawsOverTime()) return true;
    for (const auto& sub : v.subviews())
        if (drawsOverTime(*sub)) return true;
    return false;
}

bool animating(const Window& window) {
    return window.activeTransition().has_value() || drawsOverTime(window);
}

void setPixelProjection(int pixelWidth, int pixelHeight) {
    auto& g = gl();
    g.glMatrixMode(GL_PROJECTION);
    g.glLoadIdentity();
    g.glOrthof(0, float(pixelWidth), float(pixelHeight), 0, -1, 1);
}

}  // namespace

Compositor::Compositor() = default;

Compositor::~Compositor() = default;

bool Compositor::prepareFrameBuffers(int w, int h) {
    for (auto& f : frames_) {
        if (f && f->width() == w && f->height() == h) continue;
        f = gfx::Framebuffer::create(w, h);
        if (!f) return false;
        fadeFrom_ = -1;
    }
    return true;
}

Rect Compositor::letterbox(Size points, int pixelWidth, int pixelHeight) {
    if (points.width <= 0 || points.height <= 0 || pixelWidth <= 0 || pixelHeight <= 0)
        return {0, 0, double(std::max(pixelWidth, 0)), double(std::max(pixelHeight, 0))};
    double scale = std::min(pixelWidth / points.width, pixelHeight / points.height);
    double w = std::clamp(std::round(points.width * scale), 1.0, double(pixelWidth));
    double h = std::clamp(std::round(points.height * scale), 1.0, double(pixelHeight));
    return {std::floor((pixelWidth - w) / 2), std::floor((pixelHeight - h) / 2), w, h};
}

bool Compositor::needsFrame(const Window& window) const {
    return !drewAny_ || drewAnimation_ || drawnGeneration_ != displayGeneration() ||
           animating(window);
}

void Compositor::drawFrame(Window& window, int drawableWidth, int drawableHeight) {
    if (drawableWidth <= 0 || drawableHeight <= 0) return;
    composite(window, drawableWidth, drawableHeight);
    // Read after the frame: the layout it runs first changes views, and those changes are in it.
    drawnGeneration_ = displayGeneration();
    drewAnimation_ = animating(window);
    drewAny_ = true;
}

void Compositor::composite(Window& window, int drawableWidth, int drawableHeight) {
    const Rect shown = letterbox(window.bounds().size, drawableWidth, drawableHeight);
    const int pixelWidth = int(shown.size.width), pixelHeight = int(shown.size.height);
    // GL counts rows from the bottom.
    const int shownX = int(shown.origin.x);
    const int shownY = drawableHeight - int(shown.origin.y) - pixelHeight;
    if (!prepareFrameBuffers(pixelWidth, pixelHeight)) {
        auto& g = gl();
        g.glDisable(GL_SCISSOR_TEST);
        g.glClearColor(0, 0, 0, 1);
        g.glClear(GL_COLOR_BUFFER_BIT);
        viewportOrigin_ = {shownX, shownY};
        drawTree(window, pixelWidth, pixelHeight);
        viewportOrigin_ = {0, 0};
        return;
    }
    auto transition = window.activeTransition();
    if (transition && transition->start != fadeStart_) {
        // The frame drawn last is what the screen showed before the change.
        fadeStart_ = transition->start;
        fadeFrom_ = current_;
    }
    if (!transition) fadeFrom_ = -1;
    // Draw into the buffer that is not being faded from.
    int target = fadeFrom_ >= 0 ? fadeFrom_ ^ 1 : current_ ^ 1;
    frames_[target]->bind();
    drawTree(window, pixelWidth, pixelHeight);
    frames_[target]->unbind();
    current_ = target;

    auto& g = gl();
    g.glDisable(GL_SCISSOR_TEST);
    if (pixelWidth != drawableWidth || pixelHeight != drawableHeight) {
        g.glViewport(0, 0, drawableWidth, drawableHeight);
        g.glClearColor(0, 0, 0, 1);
        g.glClear(GL_COLOR_BUFFER_BIT);
    }
    g.glViewport(shownX, shownY, pixelWidth, pixelHeight);
    setPixelProjection(pixelWidth, pixelHeight);
    Painter::loadMatrix(AffineTransform::identity());
    g.glEnable(GL_BLEND);
    g.glEnableClientState(GL_VERTEX_ARRAY);
    g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    auto blit = [&](const gfx::Framebuffer& f, float alpha) {
        GLTexture t;
        t.name = f.texture();
        t.width = t.potW = f.width();
        t.height = t.potH = f.height();
        t.premultiplied = true;
        // Framebuffer rows run bottom up.
        Painter::textureQuad(t, {0, double(pixelHeight), double(pixelWidth), -double(pixelHeight)},
                             alpha);
    };
    g.glDisable(GL_BLEND);
    blit(*frames_[current_], 1);
    g.glEnable(GL_BLEND);
    if (transition && fadeFrom_ >= 0) {
        double progress = (monotonicNow() - transition->start) / transition->duration;
        blit(*frames_[fadeFrom_], float(1 - std::clamp(progress, 0.0, 1.0)));
    }
    g.glDisableClientState(GL_VERTEX_ARRAY);
}

void Compositor::drawTree(Window& window, int pixelWidth, int pixelHeight) {
    textures_.beginFrame();
    window.layoutIfNeeded();
    target_ = {pixelWidth, pixelHeight};
    Size pts = window.bounds().size;
    double scaleX = pts.width > 0 ? pixelWidth / pts.width : 1;
    double scaleY = pts.height > 0 ? pixelHeight / pts.height : 1;

    auto& g = gl();
    g.glViewport(viewportOrigin_[0], viewportOrigin_[1], pixelWidth, pixelHeight);
    g.glDisable(GL_SCISSOR_TEST);
    if (viewportOrigin_ == std::array<int, 2>{0, 0}) {
        g.glClearColor(0, 0, 0, 1);
        g.glClear(GL_COLOR_BUFFER_BIT);
    }
    g.glEnable(GL_BLEND);
    g.glEnableClientState(GL_VERTEX_ARRAY);
    g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    // Window points to pixels, y down; the window's own bounds origin is its scroll.
    AffineTransform toPixels =
        AffineTransform::translation(-window.bounds().origin.x, -window.bounds().origin.y)
            .concat(AffineTransform::scale(scaleX, scaleY));
    // The window draws as the root: its frame is the screen.
    Painter::Clip none;
    float alpha = float(window.alpha());
    if (!window.isHidden() && alpha > 0.01f) {
        setPixelProjection(pixelWidth, pixelHeight);
        Painter root(textures_, target_, window.bounds(), toPixels, alpha, none);
        root.fillRect(window.bounds(), window.backgroundColor());
        for (auto& sub : std::vector<std::shared_ptr<View>>(window.subviews()))
            drawView(*sub, alpha, none, localToSuper(*sub).concat(toPixels));
    }
    g.glDisable(GL_SCISSOR_TEST);
    g.glDisableClientState(GL_VERTEX_ARRAY);
    textures_.endFrame();
}

void Compositor::drawView(View& v, float parentAlpha, const Painter::Clip& parentClip,
                          const AffineTransform& toTarget) {
    if (v.isHidden()) return;
    float alpha = parentAlpha * float(v.alpha());
    if (alpha < 0.01f) return;

    Painter::Clip clip = parentClip;
    if (v.clipsToBounds()) {
        Rect mine = toTarget.apply(v.bounds());
        if (clip.enabled) {
            Rect both = clip.pixels.intersection(mine);
            clip.pixels = both.isNull() ? Rect(0, 0, 0, 0) : both;
        } else {
            clip.pixels = mine;
        }
        clip.enabled = true;
        if (clip.pixels.isEmpty()) return;
        if (v.cornerRadius() > 0) {
            clip.rounded = mine;
            clip.radius = v.cornerRadius() *
                          std::sqrt(std::fabs(toTarget.a * toTarget.d - toTarget.b * toTarget.c));
        }
    }

    Painter painter(textures_, target_, v.bounds(), toTarget, alpha, clip);
    painter.fillRect(v.bounds(), v.backgroundColor());
    v.draw(painter);
    for (auto& sub : std::vector<std::shared_ptr<View>>(v.subviews()))
        drawView(*sub, alpha, clip, localToSuper(*sub).concat(toTarget));
    painter.stateChanged();
    v.drawOverSubviews(painter);
}

gfx::Image Compositor::renderView(View& view, double scale) {
    view.layoutIfNeeded();
    Rect b = view.bounds();
    double w = std::round(b.size.width * scale), h = std::round(b.size.height * scale);
    if (!(scale > 0) || !(w >= 1 && w <= 4096 && h >= 1 && h <= 4096)) return {};
    const int width = int(w), height = int(h);
    auto target = gfx::Framebuffer::create(width, height);
    if (!target) return {};
    AffineTransform toPixels = AffineTransform::translation(-b.origin.x, -b.origin.y)
                                   .concat(AffineTransform::scale(scale, scale));
    textures_.beginFrame();
    target->bind();
    // Blending into transparency gets the colours right (premultiplied, as over black) but not
    // the alpha, which GL ES 1 blends like a colour; a second pass in white gets the alpha.
    auto colours = renderPass(view, width, height, toPixels, false);
    auto coverage = renderPass(view, width, height, toPixels, true);
    target->unbind();

    std::vector<std::uint8_t> rgba(colours.size());
    const std::size_t row = std::size_t(width) * 4;
    for (int y = 0; y < height; ++y) {
        // GL rows run bottom up.
        const std::size_t from = std::size_t(height - 1 - y) * row, to = std::size_t(y) * row;
        for (std::size_t x = 0; x < row; x += 4) {
            std::uint8_t a = coverage[from + x];
            for (std::size_t c = 0; c < 3; ++c)
                rgba[to + x + c] = std::min(colours[from + x + c], a);
            rgba[to + x + 3] = a;
        }
    }
    gfx::Image image(width, height, gfx::Image::ColorSpace::RGB, true, std::move(rgba));
    image.setPremultiplied(true);
    return image;
}

std::vector<std::uint8_t> Compositor::renderPass(View& view, int width, int height,
                                                 const AffineTransform& toPixels,
                                                 bool coverageOnly) {
    auto& g = gl();
    g.glViewport(0, 0, width, height);
    g.glDisable(GL_SCISSOR_TEST);
    g.glClearColor(0, 0, 0, 0);
    g.glClear(GL_COLOR_BUFFER_BIT);
    g.glEnable(GL_BLEND);
    g.glEnableClientState(GL_VERTEX_ARRAY);
    g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    setPixelProjection(width, height);
    target_ = {width, height, coverageOnly, true};
    // The view is the root here: its alpha counts, its place and transform do not.
    drawView(view, 1.0f, Painter::Clip{}, toPixels);
    target_ = {};
    g.glDisable(GL_SCISSOR_TEST);
    g.glDisableClientState(GL_VERTEX_ARRAY);
    std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height) * 4);
    g.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    g.glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

gfx::Image renderViewToImage(View& view, double scale) {
    Compositor compositor;
    return compositor.renderView(view, scale);
}

}  // namespace platform::ui
