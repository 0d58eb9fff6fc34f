#pragma once

namespace platform::gfx {

// A GL ES 1.1 context with the surface it draws into: an SDL window for play, a headless surface
// for tests, screenshots and CI. Everything that draws assumes the game's context is current on
// the main thread.
class GLContext {
  public:
    virtual ~GLContext() = default;

    // Makes this context current on the calling thread. Answers false (and logs why) when the
    // platform refuses, so the caller can report it instead of drawing into nothing.
    virtual bool makeCurrent() = 0;
    virtual bool isCurrent() const = 0;
    // Leaves the calling thread without a current context.
    virtual bool clearCurrent() = 0;
    // Shows the finished frame (swaps the window's buffers; a headless surface just finishes).
    virtual bool present() = 0;

    // Drawable size in pixels.
    virtual int width() const = 0;
    virtual int height() const = 0;
};

}  // namespace platform::gfx
