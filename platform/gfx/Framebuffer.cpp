#include "platform/gfx/Framebuffer.h"

#include <GLES/glext.h>

#include "platform/gfx/GLES1.h"
#include "platform/gfx/TextureSampling.h"

namespace platform::gfx {

std::shared_ptr<Framebuffer> Framebuffer::create(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    std::shared_ptr<Framebuffer> result(new Framebuffer(width, height));
    GLES1& g = gl();

    GLint previousTexture = 0;
    g.glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    g.glGenTextures(1, &result->texture_);
    g.glBindTexture(GL_TEXTURE_2D, result->texture_);
    setSmoothClampedSampling(g);
    g.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    g.glBindTexture(GL_TEXTURE_2D, GLuint(previousTexture));

    GLint previousFramebuffer = 0;
    g.glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &previousFramebuffer);
    g.glGenFramebuffersOES(1, &result->framebuffer_);
    g.glBindFramebufferOES(GL_FRAMEBUFFER_OES, result->framebuffer_);
    g.glFramebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D,
                                result->texture_, 0);
    const GLenum status = g.glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES);
    g.glBindFramebufferOES(GL_FRAMEBUFFER_OES, GLuint(previousFramebuffer));
    if (status != GL_FRAMEBUFFER_COMPLETE_OES || result->framebuffer_ == 0) return nullptr;
    return result;
}

Framebuffer::~Framebuffer() {
    GLES1& g = gl();
    if (bound_) unbind();
    if (framebuffer_) g.glDeleteFramebuffersOES(1, &framebuffer_);
    if (texture_) g.glDeleteTextures(1, &texture_);
}

void Framebuffer::bind() {
    GLES1& g = gl();
    if (!bound_) {
        g.glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &previousFramebuffer_);
        g.glGetIntegerv(GL_VIEWPORT, previousViewport_);
        bound_ = true;
    }
    g.glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
    g.glViewport(0, 0, width_, height_);
}

void Framebuffer::unbind() {
    if (!bound_) return;
    GLES1& g = gl();
    g.glBindFramebufferOES(GL_FRAMEBUFFER_OES, GLuint(previousFramebuffer_));
    g.glViewport(previousViewport_[0], previousViewport_[1], previousViewport_[2],
                 previousViewport_[3]);
    bound_ = false;
}

}  // namespace platform::gfx
