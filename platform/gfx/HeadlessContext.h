#pragma once

#include <memory>
#include <string>

#include <EGL/egl.h>

#include "platform/gfx/GLContext.h"
#include "platform/gfx/Image.h"

namespace platform::gfx {

// A GL ES 1.1 context without a window, on Mesa's surfaceless EGL platform. It draws into a
// pbuffer; when the platform offers no pbuffer configuration it draws into a framebuffer object of
// the same size instead, which reads back the same way. Software rendering (llvmpipe) is forced so
// that pictures are the same on every machine.
class HeadlessContext final : public GLContext {
  public:
    struct Options {
        // Skip the pbuffer and render into a framebuffer object (the fallback path, also for
        // tests of that path).
        bool forceFramebuffer = false;
    };

    // nullptr (with the reason in *error) when EGL or GL ES 1 is not available.
    static std::unique_ptr<HeadlessContext> create(int width, int height, Options options,
                                                   std::string* error = nullptr);
    static std::unique_ptr<HeadlessContext> create(int width, int height,
                                                   std::string* error = nullptr) {
        return create(width, height, Options{}, error);
    }
    ~HeadlessContext() override;

    HeadlessContext(const HeadlessContext&) = delete;
    HeadlessContext& operator=(const HeadlessContext&) = delete;

    bool makeCurrent() override;
    bool isCurrent() const override;
    bool clearCurrent() override;
    bool present() override;
    int width() const override { return width_; }
    int height() const override { return height_; }

    // True when drawing goes into a pbuffer, false on the framebuffer-object fallback.
    bool usesPbuffer() const { return surface_ != EGL_NO_SURFACE; }

    // The frame drawn so far, top row first (GL reads bottom-up; this flips it). Makes the
    // context current first.
    Image readPixels();

  private:
    HeadlessContext(int width, int height) : width_(width), height_(height) {}
    bool makeFramebuffer(std::string* error);

    int width_;
    int height_;
    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLContext context_ = EGL_NO_CONTEXT;
    EGLSurface surface_ = EGL_NO_SURFACE;
    unsigned int framebuffer_ = 0;
    unsigned int colorTexture_ = 0;
};

}  // namespace platform::gfx
