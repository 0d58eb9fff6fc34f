#include "platform/gfx/HeadlessContext.h"

#include <EGL/eglext.h>
#include <GLES/gl.h>
#include <GLES/glext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/base/LogSink.h"
#include "platform/gfx/RealGL.h"

namespace platform::gfx {

namespace {

void setError(std::string* error, const std::string& message) {
    if (error) *error = message;
}

std::string eglErrorText(const char* what) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%s failed (EGL error 0x%04X)", what, eglGetError());
    return buffer;
}

// Pictures must come out the same on every machine, so never a hardware driver. Chosen before
// main: setenv while another thread reads the environment (curl does on every transfer) can
// crash that thread, and before main there is no other thread.
[[maybe_unused]] const bool softwareDriverChosen = [] {
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    return true;
}();

// One display for the whole process: EGL initialisation is not counted, so terminating it for one
// context would pull it from under every other. It lives until exit.
EGLDisplay sharedDisplay(std::string* error) {
    static std::once_flag once;
    static EGLDisplay display = EGL_NO_DISPLAY;
    static std::string failure;
    std::call_once(once, [] {
        EGLDisplay candidate =
            eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (candidate == EGL_NO_DISPLAY) {
            failure = eglErrorText("eglGetPlatformDisplay(surfaceless)");
            return;
        }
        EGLint major = 0, minor = 0;
        if (!eglInitialize(candidate, &major, &minor)) {
            failure = eglErrorText("eglInitialize");
            return;
        }
        display = candidate;
    });
    if (display == EGL_NO_DISPLAY) setError(error, failure);
    return display;
}

}  // namespace

std::unique_ptr<HeadlessContext> HeadlessContext::create(int width, int height, Options options,
                                                         std::string* error) {
    if (width <= 0 || height <= 0) {
        setError(error, "headless surface needs a positive size");
        return nullptr;
    }
    EGLDisplay display = sharedDisplay(error);
    if (display == EGL_NO_DISPLAY) return nullptr;
    if (!eglBindAPI(EGL_OPENGL_ES_API)) {
        setError(error, eglErrorText("eglBindAPI(GL ES)"));
        return nullptr;
    }

    std::unique_ptr<HeadlessContext> result(new HeadlessContext(width, height));
    result->display_ = display;

    const EGLint pbufferAttributes[] = {EGL_SURFACE_TYPE,
                                        EGL_PBUFFER_BIT,
                                        EGL_RENDERABLE_TYPE,
                                        EGL_OPENGL_ES_BIT,
                                        EGL_RED_SIZE,
                                        8,
                                        EGL_GREEN_SIZE,
                                        8,
                                        EGL_BLUE_SIZE,
                                        8,
                                        EGL_ALPHA_SIZE,
                                        8,
                                        EGL_NONE};
    const EGLint anyAttributes[] = {EGL_SURFACE_TYPE, EGL_DONT_CARE, EGL_RENDERABLE_TYPE,
                                    EGL_OPENGL_ES_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    bool pbuffer = !options.forceFramebuffer &&
                   eglChooseConfig(display, pbufferAttributes, &config, 1, &count) && count > 0;
    if (!pbuffer && (!eglChooseConfig(display, anyAttributes, &config, 1, &count) || count == 0)) {
        setError(error, "no EGL configuration for GL ES 1");
        return nullptr;
    }
    if (!pbuffer && !options.forceFramebuffer)
        platform::LogSink::write(
            "gfx: no pbuffer configuration; rendering into a framebuffer "
            "object instead");

    const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
    result->context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (result->context_ == EGL_NO_CONTEXT) {
        setError(error, eglErrorText("eglCreateContext(GL ES 1)"));
        return nullptr;
    }
    if (pbuffer) {
        const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        result->surface_ = eglCreatePbufferSurface(display, config, surfaceAttributes);
        if (result->surface_ == EGL_NO_SURFACE) {
            // Some drivers list the configuration and still refuse the surface.
            platform::LogSink::writef("gfx: %s; rendering into a framebuffer object instead",
                                      eglErrorText("eglCreatePbufferSurface").c_str());
        }
    }
    if (!result->makeCurrent()) {
        setError(error, eglErrorText("eglMakeCurrent"));
        return nullptr;
    }
    if (result->surface_ == EGL_NO_SURFACE && !result->makeFramebuffer(error)) return nullptr;
    RealGL& gl = RealGL::shared();
    gl.glViewport(0, 0, width, height);
    return result;
}

bool HeadlessContext::makeFramebuffer(std::string* error) {
    RealGL& gl = RealGL::shared();
    if (!gl.hasFramebufferObjects()) {
        setError(error, "no pbuffer and no framebuffer objects: nowhere to draw");
        return false;
    }
    gl.glGenTextures(1, &colorTexture_);
    gl.glBindTexture(GL_TEXTURE_2D, colorTexture_);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width_, height_, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                    nullptr);
    gl.glBindTexture(GL_TEXTURE_2D, 0);
    gl.glGenFramebuffersOES(1, &framebuffer_);
    gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
    gl.glFramebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D,
                                 colorTexture_, 0);
    if (gl.glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES) {
        setError(error, "headless framebuffer object is incomplete");
        return false;
    }
    return true;
}

HeadlessContext::~HeadlessContext() {
    if (context_ == EGL_NO_CONTEXT) return;
    if (framebuffer_ || colorTexture_) {
        if (makeCurrent()) {
            RealGL& gl = RealGL::shared();
            gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
            if (framebuffer_) gl.glDeleteFramebuffersOES(1, &framebuffer_);
            if (colorTexture_) gl.glDeleteTextures(1, &colorTexture_);
        }
    }
    if (isCurrent()) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display_, surface_);
    eglDestroyContext(display_, context_);
}

bool HeadlessContext::makeCurrent() {
    if (!eglMakeCurrent(display_, surface_, surface_, context_)) {
        platform::LogSink::writef("gfx: %s", eglErrorText("eglMakeCurrent").c_str());
        return false;
    }
    // The fallback framebuffer stands in for the default one, so it is what "current" binds.
    if (framebuffer_) RealGL::shared().glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
    return true;
}

bool HeadlessContext::isCurrent() const {
    return eglGetCurrentContext() == context_;
}

bool HeadlessContext::clearCurrent() {
    if (!eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT)) {
        platform::LogSink::writef("gfx: %s", eglErrorText("eglMakeCurrent(none)").c_str());
        return false;
    }
    return true;
}

bool HeadlessContext::present() {
    if (!isCurrent()) return false;
    RealGL::shared().glFinish();
    return true;
}

Image HeadlessContext::readPixels() {
    Image image = Image::blank(width_, height_);
    if (!makeCurrent()) return image;
    RealGL& gl = RealGL::shared();
    std::vector<std::uint8_t> rows(size_t(width_) * height_ * 4);
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    const size_t stride = size_t(width_) * 4;
    for (int y = 0; y < height_; ++y)
        std::memcpy(image.pixel(0, y), &rows[size_t(height_ - 1 - y) * stride], stride);
    return image;
}

}  // namespace platform::gfx
