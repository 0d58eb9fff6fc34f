#include "platform/ui/Pasteboard.h"

#include <SDL2/SDL.h>

namespace platform::ui {

namespace {

bool desktopClipboard() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

}  // namespace

Pasteboard& Pasteboard::generalPasteboard() {
    static Pasteboard* board = new Pasteboard;
    return *board;
}

std::optional<std::string> Pasteboard::string() const {
    if (desktopClipboard() && SDL_HasClipboardText()) {
        if (char* text = SDL_GetClipboardText()) {
            std::string copied(text);
            SDL_free(text);
            return copied;
        }
    }
    return text_;
}

void Pasteboard::setString(std::string text) {
    if (desktopClipboard()) SDL_SetClipboardText(text.c_str());
    text_ = std::move(text);
    ++changeCount_;
}

std::int64_t Pasteboard::changeCount() const {
    return changeCount_;
}

}  // namespace platform::ui
