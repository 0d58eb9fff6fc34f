#include "platform/ui/Compositor.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/Framebuffer.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/TextRaster.h"
#include "platform/gfx/TextureSampling.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/Button.h"
#include "platform/ui/GLView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TabBarButton.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Window.h"

namespace platform::ui {

using gfx::gl;

namespace {

int pot(int n) {
    int p = 1;
    while (p < n) p <<= 1;
    return p;
}

// The view's own coordinates to its superview's: undo the bounds origin and centre, apply the
// transform, move to the centre.
AffineTransform localToSuper(const View& v) {
    Rect b = v.bounds();
    return AffineTransform::translation(-b.origin.x - b.size.width / 2,
                                        -b.origin.y - b.size.height / 2)
        .concat(v.transform())
        .concat(AffineTransform::translation(v.center().x, v.center().y));
}

void loadMatrix(const AffineTransform& t) {
    const GLfloat m[16] = {float(t.a), float(t.b), 0, 0, float(t.c),  float(t.d),  0, 0,
                           0,          0,          1, 0, float(t.tx), float(t.ty), 0, 1};
    gl().glMatrixMode(GL_MODELVIEW);
    gl().glLoadIdentity();
    gl().glMultMatrixf(m);
}

double scaleOf(const AffineTransform& t) {
    return std::sqrt(std::fabs(t.a * t.d - t.b * t.c));
}

// A bound texture of power-of-two size with undefined contents, smoothed and clamped at the
// edges, ready for the picture to be copied into its corner.
GLuint newBoundTexture(GLenum format, int potW, int potH) {
    auto& g = gl();
    GLuint name = 0;
    g.glGenTextures(1, &name);
    g.glBindTexture(GL_TEXTURE_2D, name);
    gfx::setSmoothClampedSampling(g);
    g.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    g.glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), potW, potH, 0, format,
                   GL_UNSIGNED_BYTE, nullptr);
    return name;
}

}  // namespace

Compositor::Compositor() = default;

Compositor::~Compositor() {
    for (auto& [_, t] : textures_) gl().glDeleteTextures(1, &t.name);
}

bool Compositor::prepareFrameBuffers(int w, int h) {
    for (auto& f : frames_) {
        if (f && f->width() == w && f->height() == h) continue;
        f = gfx::Framebuffer::create(w, h);
        if (!f) return false;
        fadeFrom_ = -1;
    }
    return true;
}

void Compositor::drawFrame(Window& window, int pixelWidth, int pixelHeight) {
    if (pixelWidth <= 0 || pixelHeight <= 0) return;
    if (!prepareFrameBuffers(pixelWidth, pixelHeight)) {
        drawTree(window, pixelWidth, pixelHeight);
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
    g.glViewport(0, 0, pixelWidth, pixelHeight);
    g.glDisable(GL_SCISSOR_TEST);
    g.glMatrixMode(GL_PROJECTION);
    g.glLoadIdentity();
    g.glOrthof(0, float(pixelWidth), float(pixelHeight), 0, -1, 1);
    loadMatrix(AffineTransform::identity());
    g.glEnable(GL_BLEND);
    g.glEnableClientState(GL_VERTEX_ARRAY);
    g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    auto blit = [&](const gfx::Framebuffer& f, float alpha) {
        Tex t;
        t.name = f.texture();
        t.width = t.potW = f.width();
        t.height = t.potH = f.height();
        t.premultiplied = true;
        // Framebuffer rows run bottom up.
        drawTexture(t, {0, double(pixelHeight), double(pixelWidth), -double(pixelHeight)}, alpha);
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
    ++frame_;
    window.layoutIfNeeded();
    pixelW_ = pixelWidth;
    pixelH_ = pixelHeight;
    Size pts = window.bounds().size;
    scaleX_ = pts.width > 0 ? pixelWidth / pts.width : 1;
    scaleY_ = pts.height > 0 ? pixelHeight / pts.height : 1;

    auto& g = gl();
    g.glViewport(0, 0, pixelWidth, pixelHeight);
    g.glDisable(GL_SCISSOR_TEST);
    g.glClearColor(0, 0, 0, 1);
    g.glClear(GL_COLOR_BUFFER_BIT);
    g.glEnable(GL_BLEND);
    g.glEnableClientState(GL_VERTEX_ARRAY);
    g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    // Window points to pixels, y down; the window's own bounds origin is its scroll.
    AffineTransform toPixels =
        AffineTransform::translation(-window.bounds().origin.x, -window.bounds().origin.y)
            .concat(AffineTransform::scale(scaleX_, scaleY_));
    // The window draws as the root: its frame is the screen.
    ClipState none;
    float alpha = float(window.alpha());
    if (!window.isHidden() && alpha > 0.01f) {
        auto setProjection = [&] {
            g.glMatrixMode(GL_PROJECTION);
            g.glLoadIdentity();
            g.glOrthof(0, float(pixelWidth), float(pixelHeight), 0, -1, 1);
        };
        setProjection();
        loadMatrix(toPixels);
        fillRect(window.bounds(), window.backgroundColor(), alpha);
        for (auto& sub : std::vector<std::shared_ptr<View>>(window.subviews()))
            drawView(*sub, alpha, none, localToSuper(*sub).concat(toPixels));
    }
    g.glDisable(GL_SCISSOR_TEST);
    g.glDisableClientState(GL_VERTEX_ARRAY);
    evictUnused();
}

void Compositor::setScissor(const ClipState& clip) {
    auto& g = gl();
    if (!clip.enabled) {
        g.glDisable(GL_SCISSOR_TEST);
        return;
    }
    g.glEnable(GL_SCISSOR_TEST);
    // Within the target, so huge views cannot overflow the integer rectangle.
    Rect r = clip.pixels.intersection(Rect(0, 0, pixelW_, pixelH_));
    if (r.isNull()) r = Rect(0, 0, 0, 0);
    int x = int(std::floor(r.minX())), y = int(std::floor(r.minY()));
    int w = std::max(0, int(std::ceil(r.maxX())) - x),
        h = std::max(0, int(std::ceil(r.maxY())) - y);
    g.glScissor(x, pixelH_ - (y + h), w, h);
}

void Compositor::drawView(View& v, float parentAlpha, const ClipState& parentClip,
                          const AffineTransform& toWindow) {
    if (v.isHidden()) return;
    float alpha = parentAlpha * float(v.alpha());
    if (alpha < 0.01f) return;

    ClipState clip = parentClip;
    if (v.clipsToBounds()) {
        Rect mine = toWindow.apply(v.bounds());
        if (clip.enabled) {
            Rect both = clip.pixels.intersection(mine);
            clip.pixels = both.isNull() ? Rect(0, 0, 0, 0) : both;
        } else {
            clip.pixels = mine;
        }
        clip.enabled = true;
        if (clip.pixels.isEmpty()) return;
    }

    if (auto* glv = dynamic_cast<GLView*>(&v)) {
        Rect px = toWindow.apply(v.bounds());
        int w = int(std::clamp(std::lround(px.width()), 1L, 4096L));
        int h = int(std::clamp(std::lround(px.height()), 1L, 4096L));
        auto& fb = glv->framebuffer();
        if (!fb || fb->width() != w || fb->height() != h) fb = gfx::Framebuffer::create(w, h);
        if (fb) {
            gl().glDisable(GL_SCISSOR_TEST);
            fb->bind();
            glv->renderContent(w, h);
            fb->unbind();
            // The view's drawing may leave any state behind; ours comes back.
            gl().glMatrixMode(GL_PROJECTION);
            gl().glLoadIdentity();
            gl().glOrthof(0, float(pixelW_), float(pixelH_), 0, -1, 1);
            gl().glEnable(GL_BLEND);
            gl().glEnableClientState(GL_VERTEX_ARRAY);
            gl().glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            setScissor(clip);
            loadMatrix(toWindow);
            Tex t;
            t.name = fb->texture();
            t.width = t.potW = w;
            t.height = t.potH = h;
            t.premultiplied = true;
            // Framebuffer rows run bottom up: flip by drawing with a negative height.
            Rect b = v.bounds();
            drawTexture(t, {b.origin.x, b.maxY(), b.size.width, -b.size.height}, alpha);
        }
    } else {
        setScissor(clip);
        loadMatrix(toWindow);
        fillRect(v.bounds(), v.backgroundColor(), alpha);
        drawContent(v, alpha, toWindow);
    }

    for (auto& sub : std::vector<std::shared_ptr<View>>(v.subviews()))
        drawView(*sub, alpha, clip, localToSuper(*sub).concat(toWindow));

    // Indicators only mean something when there is more content than shows.
    if (auto* sv = dynamic_cast<ScrollView*>(&v);
        sv && sv->indicatorsVisible() && sv->contentSize().height > sv->bounds().size.height) {
        setScissor(clip);
        loadMatrix(toWindow);
        Rect b = sv->bounds();
        double content = std::max(sv->contentSize().height, b.size.height);
        double len = std::max(20.0, b.size.height * b.size.height / content);
        double pos = (b.size.height - len) * (b.origin.y / std::max(1.0, content - b.size.height));
        fillRect({b.maxX() - 5, b.origin.y + std::clamp(pos, 0.0, b.size.height - len), 3, len},
                 {0, 0, 0, 0.5f}, alpha);
    }
}

void Compositor::drawContent(View& v, float alpha, const AffineTransform& toWindow) {
    Rect b = v.bounds();
    if (auto* label = dynamic_cast<Label*>(&v)) {
        drawText(label->text(), b, label->font().size, label->font().bold,
                 int(label->textAlignment()), label->textColor(), alpha, label->numberOfLines(),
                 true, toWindow);
    } else if (auto* tv = dynamic_cast<TextView*>(&v)) {
        double inset = TextView::kTextInset;
        Rect box{inset, inset, b.size.width - 2 * inset,
                 std::max(b.size.height, tv->contentSize().height) - 2 * inset};
        drawText(tv->text(), box, tv->font().size, tv->font().bold, int(tv->textAlignment()),
                 tv->textColor(), alpha, 0, false, toWindow);
    } else if (auto* tab = dynamic_cast<TabBarButton*>(&v)) {
        drawTabBarButton(*tab, alpha, toWindow);
    } else if (auto* button = dynamic_cast<Button*>(&v)) {
        if (auto bg = button->currentBackgroundImage(); bg && bg->pixels())
            if (auto* t = imageTexture(bg->pixels())) drawTexture(*t, b, alpha);
        if (button->isHighlighted()) fillRect(b, {0, 0, 0, 0.25f}, alpha);
        std::string title = button->currentTitle();
        auto img = button->currentImage();
        if (img && img->pixels()) {
            Size s = img->size();
            Rect r{b.midX() - s.width / 2, b.midY() - s.height / 2, s.width, s.height};
            if (title.empty())
                r = {b.midX() - s.width / 2, b.midY() - s.height / 2, s.width, s.height};
            if (auto* t = imageTexture(img->pixels())) drawTexture(*t, r, alpha);
        }
        if (!title.empty())
            drawText(title, b, button->font().size, button->font().bold, 1,
                     button->currentTitleColor(), button->isEnabled() ? alpha : alpha * 0.5f, 1,
                     true, toWindow);
    } else if (auto* iv = dynamic_cast<ImageView*>(&v)) {
        if (auto img = iv->currentImage(); img && img->pixels())
            if (auto* t = imageTexture(img->pixels())) drawTexture(*t, b, alpha);
    } else if (auto* sw = dynamic_cast<Switch*>(&v)) {
        Color track = sw->isOn() ? Color{0.2f, 0.45f, 0.9f, 1} : Color{0.75f, 0.75f, 0.75f, 1};
        fillRect(b, track, alpha);
        double knob = b.size.height - 4;
        double x = sw->isOn() ? b.maxX() - 2 - knob : b.origin.x + 2;
        fillRect({x, b.origin.y + 2, knob, knob}, Color::whiteColor(), alpha);
    } else if (auto* picker = dynamic_cast<PickerView*>(&v)) {
        int comps = picker->numberOfComponents();
        double total = 0;
        for (int c = 0; c < comps; ++c) total += picker->widthForComponent(c);
        double x = b.midX() - total / 2;
        for (int c = 0; c < comps; ++c) {
            double w = picker->widthForComponent(c), h = picker->rowHeightForComponent(c);
            int sel = picker->selectedRowInComponent(c);
            fillRect({x, b.midY() - h / 2, w, h}, {0.55f, 0.65f, 0.85f, 0.6f}, alpha);
            int visible = int(b.size.height / h / 2) + 1;
            for (int d = -visible; d <= visible; ++d) {
                int row = sel + d;
                if (sel < 0 || row < 0 || row >= picker->numberOfRowsInComponent(c)) continue;
                Rect cell{x + 8, b.midY() - h / 2 + d * h, w - 16, h};
                float fade = d == 0 ? 1.0f : 0.55f;
                drawText(picker->titleForRow(row, c), cell, std::min(22.0, h * 0.55), d == 0, 1,
                         Color::black(), alpha * fade, 1, true, toWindow);
            }
            x += w;
        }
    } else if (auto* spinner = dynamic_cast<ActivityIndicator*>(&v)) {
        if (!spinner->isAnimating()) return;
        // Eight spokes, the bright one turning with the clock.
        int lit = int(std::fmod(monotonicNow() * 8, 8));
        double r = std::min(b.size.width, b.size.height) / 2;
        Color base = spinner->style() == ActivityIndicatorStyle::Gray ? Color::white(0.4f)
                                                                      : Color::whiteColor();
        for (int i = 0; i < 8; ++i) {
            double a = i * M_PI / 4;
            double cx = b.midX() + std::cos(a) * r * 0.7, cy = b.midY() + std::sin(a) * r * 0.7;
            float spokeAlpha = i == lit ? 1.0f : 0.35f;
            fillRect({cx - r * 0.12, cy - r * 0.12, r * 0.24, r * 0.24}, base.withAlpha(spokeAlpha),
                     alpha);
        }
    }
}

void Compositor::drawTabBarButton(TabBarButton& tab, float alpha, const AffineTransform& toWindow) {
    Rect b = tab.bounds();
    if (tab.isSelected()) {
        double inset = TabBarButton::kSelectionInset;
        fillRect(
            {b.minX() + inset, b.minY() + inset, b.width() - 2 * inset, b.height() - 2 * inset},
            TabBarButton::kSelectionColor, alpha);
    }
    if (tab.isHighlighted()) fillRect(b, {0, 0, 0, 0.25f}, alpha);
    float contentAlpha = tab.isEnabled() ? alpha : alpha * 0.5f;
    if (auto img = tab.currentImage(); img && img->pixels())
        if (auto* t = shapeTexture(img->pixels()))
            drawTexture(*t, tab.imageRect(), contentAlpha, tab.currentImageColor());
    std::string title = tab.currentTitle();
    Font font = tab.titleFont();
    if (!title.empty())
        drawText(title, tab.titleRect(), font.size, font.bold, 1, tab.currentTitleColor(),
                 contentAlpha, 1, true, toWindow);
}

void Compositor::fillRect(const Rect& r, Color c, float alpha) {
    float a = c.a * alpha;
    if (a <= 0.001f) return;
    auto& g = gl();
    const GLfloat v[] = {float(r.minX()), float(r.minY()), float(r.maxX()), float(r.minY()),
                         float(r.minX()), float(r.maxY()), float(r.maxX()), float(r.maxY())};
    g.glDisable(GL_TEXTURE_2D);
    g.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    g.glColor4f(c.r, c.g, c.b, a);
    g.glVertexPointer(2, GL_FLOAT, 0, v);
    g.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void Compositor::drawTexture(const Tex& t, const Rect& r, float alpha, Color tint) {
    if (!t.name || t.potW <= 0 || t.potH <= 0) return;
    auto& g = gl();
    float s = float(t.width) / float(t.potW), tt = float(t.height) / float(t.potH);
    float x0 = float(r.origin.x), y0 = float(r.origin.y);
    float x1 = float(r.origin.x + r.size.width), y1 = float(r.origin.y + r.size.height);
    const GLfloat v[] = {x0, y0, x1, y0, x0, y1, x1, y1};
    const GLfloat uv[] = {0, 0, s, 0, 0, tt, s, tt};
    g.glEnable(GL_TEXTURE_2D);
    g.glBindTexture(GL_TEXTURE_2D, t.name);
    if (t.premultiplied) {
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
}

void Compositor::drawText(const std::string& text, const Rect& box, double fontSize, bool bold,
                          int alignment, Color color, float alpha, int maxLines,
                          bool centreVertically, const AffineTransform& toWindow) {
    if (text.empty() || box.width() < 1 || box.height() < 1) return;
    // Raster at the pixel density the view ends up at, so text stays sharp when scaled.
    double scale = std::max(0.25, scaleOf(toWindow));
    double lineH = fontSize * 1.2;
    gfx::TextRaster::Style style;
    style.fontName = bold ? "Helvetica-Bold" : "Helvetica";
    style.fontSize = fontSize * scale;
    style.alignment = gfx::TextAlignment(alignment);
    std::size_t lines = gfx::TextRaster::shared().wrap(text, box.width() * scale, style).size();
    if (maxLines > 0) lines = std::min<std::size_t>(lines, std::size_t(maxLines));
    lines = std::max<std::size_t>(lines, 1);
    double textH = std::min(box.height(), lineH * double(lines));
    double top = centreVertically ? box.minY() + (box.height() - textH) / 2 : box.minY();
    // Texts larger than any screen are not drawn (and never overflow an int).
    if (box.width() * scale > 4096 || textH * scale > 4096) return;
    int w = int(std::ceil(box.width() * scale)), h = int(std::ceil(textH * scale));
    const Tex* t = textTexture(text, w, h, fontSize * scale, bold, alignment);
    if (!t) return;
    drawTexture(*t, {box.minX(), top, double(w) / scale, double(h) / scale}, alpha, color);
}

const Compositor::Tex* Compositor::imageTexture(const std::shared_ptr<const gfx::Image>& image) {
    return cachedImageTexture(image, false);
}

const Compositor::Tex* Compositor::shapeTexture(const std::shared_ptr<const gfx::Image>& image) {
    return cachedImageTexture(image, true);
}

// One texture per picture and use, kept while the picture lives: its colours, or only its
// coverage (a shape the caller tints).
const Compositor::Tex* Compositor::cachedImageTexture(
    const std::shared_ptr<const gfx::Image>& image, bool shapeOnly) {
    if (!image || image->empty()) return nullptr;
    std::string key = (shapeOnly ? "shape:" : "img:") +
                      std::to_string(reinterpret_cast<std::uintptr_t>(image.get()));
    auto it = textures_.find(key);
    if (it != textures_.end() && it->second.keep == image) {
        it->second.lastFrame = frame_;
        return &it->second;
    }
    Tex t;
    t.width = image->width();
    t.height = image->height();
    t.potW = pot(t.width);
    t.potH = pot(t.height);
    t.keep = image;
    std::vector<std::uint8_t> alpha;
    if (shapeOnly) {
        alpha.resize(std::size_t(t.width) * std::size_t(t.height));
        for (std::size_t i = 0; i < alpha.size(); ++i) alpha[i] = image->rgba()[i * 4 + 3];
    }
    const GLenum format = shapeOnly ? GL_ALPHA : GL_RGBA;
    t.name = newBoundTexture(format, t.potW, t.potH);
    auto& g = gl();
    g.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, t.width, t.height, format, GL_UNSIGNED_BYTE,
                      shapeOnly ? alpha.data() : image->rgba().data());
    t.lastFrame = frame_;
    if (it != textures_.end()) g.glDeleteTextures(1, &it->second.name);
    return &(textures_[key] = std::move(t));
}

const Compositor::Tex* Compositor::textTexture(const std::string& text, int boxW, int boxH,
                                               double fontPx, bool bold, int alignment) {
    if (boxW <= 0 || boxH <= 0 || boxW > 4096 || boxH > 4096) return nullptr;
    std::string key = "txt:" + std::to_string(boxW) + "x" + std::to_string(boxH) + ":" +
                      std::to_string(fontPx) + (bold ? "b" : "r") + std::to_string(alignment) +
                      ":" + text;
    auto it = textures_.find(key);
    if (it != textures_.end()) {
        it->second.lastFrame = frame_;
        return &it->second;
    }
    gfx::TextRaster::Style style;
    style.fontName = bold ? "Helvetica-Bold" : "Helvetica";
    style.fontSize = fontPx;
    style.alignment = gfx::TextAlignment(alignment);
    auto coverage = gfx::TextRaster::shared().render(text, boxW, boxH, style);
    Tex t;
    t.width = boxW;
    t.height = boxH;
    t.potW = pot(boxW);
    t.potH = pot(boxH);
    t.name = newBoundTexture(GL_ALPHA, t.potW, t.potH);
    auto& g = gl();
    if (coverage.size() >= std::size_t(boxW) * std::size_t(boxH))
        g.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, boxW, boxH, GL_ALPHA, GL_UNSIGNED_BYTE,
                          coverage.data());
    t.lastFrame = frame_;
    return &(textures_[key] = std::move(t));
}

void Compositor::evictUnused() {
    for (auto it = textures_.begin(); it != textures_.end();) {
        if (it->second.lastFrame != frame_) {
            gl().glDeleteTextures(1, &it->second.name);
            it = textures_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace platform::ui
