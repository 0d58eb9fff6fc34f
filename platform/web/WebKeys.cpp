#include "platform/web/WebKeys.h"

namespace platform::web {

unsigned keyModifiers(Uint16 mod) {
    unsigned bits = 0;
    if (mod & KMOD_SHIFT) bits |= 1;
    if (mod & KMOD_CTRL) bits |= 4;
    if (mod & KMOD_ALT) bits |= 8;
    return bits;
}

unsigned keysymForSdlKey(SDL_Keycode key, unsigned modifiers) {
    // Printable ASCII keys are their own keysyms; shift makes letters capitals (other shifted
    // symbols depend on the layout and come as text from the engine's own keymap).
    if (key >= SDLK_a && key <= SDLK_z) {
        return static_cast<unsigned>((modifiers & 1) ? key - 'a' + 'A' : key);
    }
    if (key >= SDLK_SPACE && key <= SDLK_AT) return static_cast<unsigned>(key);
    if (key >= SDLK_LEFTBRACKET && key <= SDLK_BACKQUOTE) return static_cast<unsigned>(key);
    switch (key) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return 0xff0d;
        case SDLK_BACKSPACE:
            return 0xff08;
        case SDLK_TAB:
            return 0xff09;
        case SDLK_ESCAPE:
            return 0xff1b;
        case SDLK_DELETE:
            return 0xffff;
        case SDLK_HOME:
            return 0xff50;
        case SDLK_LEFT:
            return 0xff51;
        case SDLK_UP:
            return 0xff52;
        case SDLK_RIGHT:
            return 0xff53;
        case SDLK_DOWN:
            return 0xff54;
        case SDLK_PAGEUP:
            return 0xff55;
        case SDLK_PAGEDOWN:
            return 0xff56;
        case SDLK_END:
            return 0xff57;
        default:
            return 0;
    }
}

}  // namespace platform::web
