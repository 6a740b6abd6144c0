// Translation of SDL key events into the Windows virtual-key codes that the
// key rules are written in.
#pragma once

#include <SDL2/SDL_keyboard.h>

namespace vlr::platform {

// The virtual-key code of a key, or 0 for a key the program has no code for
// (such keys are not delivered at all).
int virtual_key(const SDL_Keysym& key);

}  // namespace vlr::platform
