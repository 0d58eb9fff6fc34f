#pragma once

// SDL's keyboard events in the terms a web page's engine takes (X keysyms and modifier bits),
// so the frame loop can hand keys to web pages.

#include <SDL.h>

namespace platform::web {

// WebKeyEvent modifier bits of SDL's modifier state.
unsigned keyModifiers(Uint16 sdlModifiers);
// The X keysym of an SDL key (letters upper case with shift), or 0 for keys pages never see.
unsigned keysymForSdlKey(SDL_Keycode key, unsigned modifiers);

}  // namespace platform::web
