#include "platform/ui/Painter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

#include "platform/gfx/Framebuffer.h"
#include "platform/gfx/GLES1.h"
#include "platform/ui/TextureCache.h"

namespace platform::ui {

using gfx::gl;

namespace {
// Framebuffers beyond this are refused by some drivers and larger than any screen.
constexpr int kMaxGLContentPixels = 4096;

// A rounded rectangle as horizontal bands: one pixel row each where the corners cut in, inset
// by the circle at the row's middle, and one band for the straight part between.
std::vector<Rect> roundedBands(const Rect& r, double radius) {
    radius = std::min({radius, r.width() / 2, r.height() / 2});
    const int rows = int(std::ceil(radius));
    std::vector<Rect> bands;
    bands.reserve(std::size_t(rows) * 2 + 1);
    for (int i = 0; i < rows; ++i) {
        const double dy = radius - (i + 0.5);
        const double inset =
            dy > 0 ? std::round(radius - std::sqrt(radius * radius - dy * dy)) : 0.0;
        const double width = r.width() - 2 * inset;
        bands.push_back({r.minX() + inset, r.minY() + i, width, 1});
        bands.push_back({r.minX() + inset, r.maxY() - i - 1, width, 1});
    }
    bands.push_back({r.minX(), r.minY() + rows, r.width(), r.height() - 2 * rows});
    return bands;
}
}  // namespace

std::uint64_t PixelBuffer::newId() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1);
}

double Painter::pixelScale() const {
    const auto& t = toTarget_;
    return std::sqrt(std::fabs(t.a * t.d - t.b * t.c));
}

void Painter::apply() {
    if (applied_) return;
    setScissor(clip_, target_.width, target_.height);
    loadMatrix(toTarget_);
    applied_ = true;
}

void Painter::paint(const std::function<void()>& quad) {
    apply();
    if (!clip_.enabled || !(clip_.radius > 0)) {
        quad();
        return;
    }
    for (const Rect& band : roundedBands(clip_.rounded, clip_.radius)) {
        Clip part = clip_;
        part.pixels = clip_.pixels.intersection(band);
        if (part.pixels.isEmpty()) continue;
        setScissor(part, target_.width, target_.height);
        quad();
    }
    setScissor(clip_, target_.width, target_.height);
}

void Painter::fillRect(const Rect& r, Color color, float opacity) {
    if (color.a * alpha_ * opacity <= 0.001f) return;
    paint([&] { fillQuad(r, color, alpha_ * opacity, target_.coverageOnly); });
}

void Painter::drawImage(const std::shared_ptr<const gfx::Image>& image, const Rect& r,
                        float opacity) {
    if (auto* t = cache_.image(image, false))
        paint([&] {
            textureQuad(*t, r, alpha_ * opacity, Color::whiteColor(), target_.coverageOnly);
        });
}

void Painter::drawImagePart(const std::shared_ptr<const gfx::Image>& image, const Rect& part,
                            const Rect& r, float opacity) {
    if (auto* t = cache_.image(image, false))
        paint([&] {
            textureQuad(*t, part, r, alpha_ * opacity, Color::whiteColor(), target_.coverageOnly);
        });
}

void Painter::drawImageShape(const std::shared_ptr<const gfx::Image>& image, const Rect& r,
                             Color color, float opacity) {
    if (auto* t = cache_.image(image, true))
        paint([&] { textureQuad(*t, r, alpha_ * opacity, color, target_.coverageOnly); });
}

void Painter::drawText(const std::string& text, const Rect& box, const TextStyle& style,
                       Color color, float opacity) {
    drawTextBlock(nullptr, nullptr, text, box, style, color, opacity);
}

void Painter::drawText(const SharedText& text, const Rect& box, const TextStyle& style, Color color,
                       float opacity) {
    if (text) drawTextBlock(text.get(), text, *text, box, style, color, opacity);
}

void Painter::drawTextBlock(const void* identity, const SharedText& keep, const std::string& text,
                            const Rect& box, const TextStyle& style, Color color, float opacity) {
    if (text.empty() || box.width() < 1 || box.height() < 1) return;
    // Raster at the pixel density the view ends up at, so text stays sharp when scaled.
    double scale = std::max(0.25, pixelScale());
    const auto* block = cache_.text(identity, keep, text, box.width(), box.height(), scale, style);
    if (!block || !block->texture.name) return;
    double top =
        style.centreVertically ? box.minY() + (box.height() - block->height) / 2 : box.minY();
    paint([&] {
        textureQuad(block->texture,
                    {box.minX(), top, double(block->texture.width) / scale,
                     double(block->texture.height) / scale},
                    alpha_ * opacity, color, target_.coverageOnly);
    });
}

void Painter::drawPixels(const PixelBuffer& pixels, const Rect& r, float opacity) {
    if (auto* t = cache_.pixels(pixels))
        paint([&] {
            textureQuad(*t, r, alpha_ * opacity, Color::whiteColor(), target_.coverageOnly);
        });
}

void Painter::drawGLContent(std::shared_ptr<gfx::Framebuffer>& target,
                            const std::function<void(int, int)>& render) {
    // The view's size in target pixels, so the content is as sharp as the rest of the frame.
    Rect px = toTarget_.apply(bounds_);
    int w = int(std::clamp(std::lround(px.width()), 1L, long(kMaxGLContentPixels)));
    int h = int(std::clamp(std::lround(px.height()), 1L, long(kMaxGLContentPixels)));
    bool keep = target_.keepGLContent && target;
    if (!keep) {
        if (!target || target->width() != w || target->height() != h)
            target = gfx::Framebuffer::create(w, h);
        if (!target) return;
        auto& g = gl();
        g.glDisable(GL_SCISSOR_TEST);
        target->bind();
        if (render) render(w, h);
        target->unbind();
        // The owner's drawing may leave any state behind; ours comes back.
        g.glMatrixMode(GL_PROJECTION);
        g.glLoadIdentity();
        g.glOrthof(0, float(target_.width), float(target_.height), 0, -1, 1);
        g.glEnable(GL_BLEND);
        g.glEnableClientState(GL_VERTEX_ARRAY);
        g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        stateChanged();
    }
    GLTexture t;
    t.name = target->texture();
    t.width = t.potW = target->width();
    t.height = t.potH = target->height();
    t.premultiplied = true;
    // Framebuffer rows run bottom up: flip by drawing with a negative height.
    const Rect& b = bounds_;
    paint([&] {
        textureQuad(t, {b.origin.x, b.maxY(), b.size.width, -b.size.height}, alpha_,
                    Color::whiteColor(), target_.coverageOnly);
    });
}

// ---- GL ----

void Painter::setScissor(const Clip& clip, int targetWidth, int targetHeight) {
    auto& g = gl();
    if (!clip.enabled) {
        g.glDisable(GL_SCISSOR_TEST);
        return;
    }
    g.glEnable(GL_SCISSOR_TEST);
    // Within the target, so huge views cannot overflow the integer rectangle.
    Rect r = clip.pixels.intersection(Rect(0, 0, targetWidth, targetHeight));
    if (r.isNull()) r = Rect(0, 0, 0, 0);
    int x = int(std::floor(r.minX())), y = int(std::floor(r.minY()));
    int w = std::max(0, int(std::ceil(r.maxX())) - x),
        h = std::max(0, int(std::ceil(r.maxY())) - y);
    g.glScissor(x, targetHeight - (y + h), w, h);
}

void Painter::loadMatrix(const AffineTransform& t) {
    const GLfloat m[16] = {float(t.a), float(t.b), 0, 0, float(t.c),  float(t.d),  0, 0,
                           0,          0,          1, 0, float(t.tx), float(t.ty), 0, 1};
    gl().glMatrixMode(GL_MODELVIEW);
    gl().glLoadIdentity();
    gl().glMultMatrixf(m);
}

void Painter::fillQuad(const Rect& r, Color c, float alpha, bool coverageOnly) {
    float a = c.a * alpha;
    if (a <= 0.001f) return;
    if (coverageOnly) c = Color::whiteColor();
    auto& g = gl();
    const GLfloat v[] = {float(r.minX()), float(r.minY()), float(r.maxX()), float(r.minY()),
                         float(r.minX()), float(r.maxY()), float(r.maxX()), float(r.maxY())};
    g.glDisable(GL_TEXTURE_2D);
    g.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    g.glColor4f(c.r, c.g, c.b, a);
    g.glVertexPointer(2, GL_FLOAT, 0, v);
    g.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void Painter::textureQuad(const GLTexture& t, const Rect& r, float alpha, Color tint,
                          bool coverageOnly) {
    textureQuad(t, {0, 0, double(t.width), double(t.height)}, r, alpha, tint, coverageOnly);
}

void Painter::textureQuad(const GLTexture& t, const Rect& part, const Rect& r, float alpha,
                          Color tint, bool coverageOnly) {
    if (!t.name || t.potW <= 0 || t.potH <= 0) return;
    auto& g = gl();
    const float u0 = float(part.minX() / t.potW), u1 = float(part.maxX() / t.potW);
    const float v0 = float(part.minY() / t.potH), v1 = float(part.maxY() / t.potH);
    float x0 = float(r.origin.x), y0 = float(r.origin.y);
    float x1 = float(r.origin.x + r.size.width), y1 = float(r.origin.y + r.size.height);
    const GLfloat v[] = {x0, y0, x1, y0, x0, y1, x1, y1};
    const GLfloat uv[] = {u0, v0, u1, v0, u0, v1, u1, v1};
    g.glEnable(GL_TEXTURE_2D);
    g.glBindTexture(GL_TEXTURE_2D, t.name);
    if (coverageOnly) {
        // White at the texel's alpha whatever the texel's colour: adding to white saturates.
        g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
        g.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        g.glColor4f(1, 1, 1, t.premultiplied ? alpha : tint.a * alpha);
    } else if (t.premultiplied) {
        g.glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        g.glColor4f(tint.r * alpha, tint.g * alpha, tint.b * alpha, alpha);
    } else {
        g.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        g.glColor4f(tint.r, tint.g, tint.b, tint.a * alpha);
    }
    g.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    g.glVertexPointer(2, GL_FLOAT, 0, v);
    g.glTexCoordPointer(2, GL_FLOAT, 0, uv);
    g.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    g.glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    g.glDisable(GL_TEXTURE_2D);
    if (coverageOnly) g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

}  // namespace platform::ui
