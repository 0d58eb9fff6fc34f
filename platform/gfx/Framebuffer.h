#pragma once

#include <memory>

#include <GLES/gl.h>

namespace platform::gfx {

// An off-screen render target: a framebuffer object whose colour attachment is an RGBA texture,
// so that a GL-backed view can draw its frame into it and the compositor can draw that texture
// into the window. All calls go through gl(), on the thread whose context is current.
class Framebuffer {
  public:
    // nullptr when the size is not positive or GL reports the framebuffer incomplete.
    static std::shared_ptr<Framebuffer> create(int width, int height);
    ~Framebuffer();

    Framebuffer(const Framebuffer&) = delete;
    Framebuffer& operator=(const Framebuffer&) = delete;

    // Directs drawing here (framebuffer and viewport); remembers what was bound before.
    void bind();
    // Restores the framebuffer and viewport that were in force at bind().
    void unbind();

    GLuint framebuffer() const { return framebuffer_; }
    // The colour texture: width() x height() pixels, bottom row first as GL draws.
    GLuint texture() const { return texture_; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    Framebuffer(int width, int height) : width_(width), height_(height) {}

    int width_;
    int height_;
    GLuint framebuffer_ = 0;
    GLuint texture_ = 0;
    bool bound_ = false;
    GLint previousFramebuffer_ = 0;
    GLint previousViewport_[4] = {0, 0, 0, 0};
};

}  // namespace platform::gfx
