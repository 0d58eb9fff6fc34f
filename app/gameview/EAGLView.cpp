#include "app/gameview/EAGLView.h"

#include <cmath>
#include <cstdio>

#include "platform/gfx/Framebuffer.h"
#include "platform/gfx/GLContext.h"
#include "platform/gfx/GLES1.h"
#include "util/LogMessage.h"

namespace app {

using platform::gfx::gl;

EAGLView::EAGLView(platform::Rect frame) : platform::ui::GLView(frame) {}

EAGLView::~EAGLView() {
    // Deleting GL objects needs the context; without one there is nothing of ours to delete.
    if (context_) destroySurface();
}

void EAGLView::start() {
    if (!context_) {
        format_ = "RGB565";
        depthFormat_ = 0;
        context_ = initialEAGLContext();
        if (!context_) return;
    }
    createSurface();
}

bool EAGLView::createSurface() {
    if (!context_ || framebuffer()) return false;
    if (!context_->makeCurrent()) return false;
    setOpaque(true);
    double w = std::round(bounds().size.width) * contentScaleFactor_;
    double h = std::round(bounds().size.height) * contentScaleFactor_;
    char line[64];
    std::snprintf(line, sizeof line, "eaglLayer.contentsScale: %f", contentScaleFactor_);
    util::LogMessage("-[EAGLView _createSurface]", 1, line);
    auto fb = platform::gfx::Framebuffer::create(int(std::lround(w)), int(std::lround(h)));
    if (!fb) return false;
    // A depth buffer was never asked for by the game; the surface has colour only.
    framebuffer() = fb;
    size_ = {double(fb->width()), double(fb->height())};
    fb->bind();
    gl().glViewport(0, 0, fb->width(), fb->height());
    gl().glScissor(0, 0, fb->width(), fb->height());
    fb->unbind();
    if (auto d = delegate()) d->didResizeEAGLSurfaceForView(*this);
    return true;
}

void EAGLView::destroySurface() {
    if (!context_) return;
    bool wasCurrent = context_->isCurrent();
    if (!wasCurrent) context_->makeCurrent();
    if (bound_ && framebuffer()) framebuffer()->unbind();
    bound_ = false;
    framebuffer().reset();
    // The toolkit has one GL context, so "the previous one" is ours or none.
    if (!wasCurrent) context_->clearCurrent();
}

bool EAGLView::bindSurface() {
    if (!context_) return false;
    if (!framebuffer() && !createSurface()) return false;
    if (!bound_) {
        framebuffer()->bind();
        bound_ = true;
    }
    return true;
}

void EAGLView::layoutSubviews() {
    if (!autoresize_ || !context_) return;
    platform::Size wanted{std::round(bounds().size.width) * contentScaleFactor_,
                          std::round(bounds().size.height) * contentScaleFactor_};
    if (wanted == size_) return;
    // A frame being drawn goes on into the new surface.
    bool wasBound = bound_;
    destroySurface();
    createSurface();
    if (wasBound) bindSurface();
}

void EAGLView::setAutoresizesEAGLSurface(bool autoresize) {
    autoresize_ = autoresize;
    if (autoresize_) layoutSubviews();
}

void EAGLView::renderContent(int pixelWidth, int pixelHeight) {
    size_ = {double(pixelWidth), double(pixelHeight)};
}

bool EAGLView::setCurrentContext() {
    if (!context_ || !context_->makeCurrent()) {
        std::printf("Failed to set current context %p in %s\n", static_cast<void*>(context_.get()),
                    "-[EAGLView setCurrentContext]");
        return false;
    }
    return true;
}

bool EAGLView::isCurrentContext() const {
    return context_ && context_->isCurrent();
}

bool EAGLView::clearCurrentContext() {
    if (!context_ || !context_->clearCurrent()) {
        std::printf("Failed to clear current context in %s\n", "-[EAGLView clearCurrentContext]");
        return false;
    }
    return true;
}

void EAGLView::swapBuffers() {
    if (!context_) return;
    if (!context_->isCurrent() && !context_->makeCurrent()) {
        std::printf("Failed to swap renderbuffer in %s\n", "-[EAGLView swapBuffers]");
        return;
    }
    if (bound_ && framebuffer()) framebuffer()->unbind();
    bound_ = false;
    ++framesSwapped_;
    setNeedsDisplay();
}

platform::Point EAGLView::convertPointFromViewToSurface(platform::Point p) const {
    platform::Rect b = bounds();
    if (b.size.width == 0 || b.size.height == 0) return {};
    return {(p.x - b.origin.x) / b.size.width * size_.width,
            (p.y - b.origin.y) / b.size.height * size_.height};
}

}  // namespace app
