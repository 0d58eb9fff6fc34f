#include "platform/gfx/WindowContext.h"

#include <SDL2/SDL.h>

#include <cstdio>

#include "platform/base/LogSink.h"
#include "platform/gfx/ResidentModules.h"

namespace platform::gfx {

namespace {

void setError(std::string* error, const std::string& message) {
    if (error) *error = message;
}

}  // namespace

std::unique_ptr<WindowContext> WindowContext::create(const std::string& title, int width,
                                                     int height, std::string* error) {
    if (width <= 0 || height <= 0) {
        setError(error, "window needs a positive size");
        return nullptr;
    }
    // Counted by SDL, so the matching SDL_QuitSubSystem in the destructor leaves other users of
    // the video subsystem alone.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        setError(error, std::string("SDL video: ") + SDL_GetError());
        return nullptr;
    }
    std::unique_ptr<WindowContext> result(new WindowContext());
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    result->window_ = SDL_CreateWindow(
        title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
        SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE);
    if (!result->window_) {
        setError(error, std::string("SDL window: ") + SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    result->context_ = SDL_GL_CreateContext(result->window_);
    if (!result->context_) {
        setError(error, std::string("GL ES 1 context: ") + SDL_GetError());
        return nullptr;
    }
    if (!result->makeCurrent()) {
        setError(error, std::string("make current: ") + SDL_GetError());
        return nullptr;
    }
    // By now the GL driver is loaded and SDL's video subsystem has loaded what it needs.
    keepLoadedModulesResident();
    return result;
}

WindowContext::~WindowContext() {
    if (context_) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
    if (window_) {
        SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool WindowContext::makeCurrent() {
    if (SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_)) != 0) {
        platform::LogSink::writef("Failed to set current context %p: %s", context_, SDL_GetError());
        return false;
    }
    return true;
}

bool WindowContext::isCurrent() const {
    return context_ && SDL_GL_GetCurrentContext() == context_;
}

bool WindowContext::clearCurrent() {
    if (SDL_GL_MakeCurrent(window_, nullptr) != 0) {
        platform::LogSink::writef("Failed to clear current context: %s", SDL_GetError());
        return false;
    }
    return true;
}

bool WindowContext::present() {
    if (!isCurrent() && !makeCurrent()) return false;
    SDL_GL_SwapWindow(window_);
    return true;
}

int WindowContext::width() const {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window_, &w, &h);
    return w;
}

int WindowContext::height() const {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window_, &w, &h);
    return h;
}

}  // namespace platform::gfx
