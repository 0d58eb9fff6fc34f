#pragma once

#include <memory>
#include <string>

#include "platform/gfx/GLContext.h"

struct SDL_Window;

namespace platform::gfx {

// A GL ES 1.1 context on an SDL2 window: what the game draws into when it is played. The window
// is made here because SDL picks the GL profile when the window is created; event handling and
// everything else about the window belong to the user-interface layer, which reaches the window
// through window().
class WindowContext final : public GLContext {
  public:
    // nullptr (with the reason in *error) when there is no display or no GL ES 1 driver.
    static std::unique_ptr<WindowContext> create(const std::string& title, int width, int height,
                                                 std::string* error = nullptr);
    ~WindowContext() override;

    WindowContext(const WindowContext&) = delete;
    WindowContext& operator=(const WindowContext&) = delete;

    bool makeCurrent() override;
    bool isCurrent() const override;
    bool clearCurrent() override;
    bool present() override;
    // The drawable size, which is larger than the window's size on high-density screens.
    int width() const override;
    int height() const override;

    SDL_Window* window() const { return window_; }

  private:
    WindowContext() = default;

    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace platform::gfx
