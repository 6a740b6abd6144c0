#include "platform/sdl/sdl_keys.hpp"

namespace vlr::platform {
namespace {

// The numeric pad is taken by its physical key, so that its digits and point
// keep their codes whether Num Lock is on or off: operators use the pad for
// entries without minding the lock state.
int keypad_key(SDL_Scancode code) {
    if (code >= SDL_SCANCODE_KP_1 && code <= SDL_SCANCODE_KP_9) return 97 + (code - SDL_SCANCODE_KP_1);
    switch (code) {
        case SDL_SCANCODE_KP_0: return 96;
        case SDL_SCANCODE_KP_PERIOD: return 110;
        case SDL_SCANCODE_KP_ENTER: return 13;
        case SDL_SCANCODE_KP_MULTIPLY: return 106;
        case SDL_SCANCODE_KP_PLUS: return 107;
        case SDL_SCANCODE_KP_MINUS: return 109;
        case SDL_SCANCODE_KP_DIVIDE: return 111;
        default: return 0;
    }
}

int function_key(SDL_Keycode key) {
    if (key >= SDLK_F1 && key <= SDLK_F12) return 112 + (key - SDLK_F1);
    return 0;
}

// Keys whose meaning does not depend on the keyboard layout.
int fixed_key(SDL_Keycode key) {
    switch (key) {
        case SDLK_RETURN: return 13;
        case SDLK_SPACE: return 32;
        case SDLK_PAGEUP: return 33;
        case SDLK_PAGEDOWN: return 34;
        case SDLK_END: return 35;
        case SDLK_HOME: return 36;
        case SDLK_LEFT: return 37;
        case SDLK_UP: return 38;
        case SDLK_RIGHT: return 39;
        case SDLK_DOWN: return 40;
        case SDLK_INSERT: return 45;
        case SDLK_DELETE: return 46;
        case SDLK_ESCAPE: return 27;
        case SDLK_BACKSPACE: return 8;
        case SDLK_TAB: return 9;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return 16;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return 17;
        case SDLK_PAUSE: return 19;
        case SDLK_CAPSLOCK: return 20;
        case SDLK_LGUI: return 91;
        case SDLK_RGUI: return 92;
        case SDLK_APPLICATION: return 93;
        case SDLK_NUMLOCKCLEAR: return 144;
        case SDLK_SCROLLLOCK: return 145;
        default: return function_key(key);
    }
}

// Letters, digits and punctuation by the character the layout puts on the key.
int character_key(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return key;
    switch (key) {
        case SDLK_SEMICOLON: return 186;
        case SDLK_EQUALS:
        case SDLK_PLUS: return 187;
        case SDLK_COMMA: return 188;
        case SDLK_MINUS: return 189;
        case SDLK_PERIOD: return 190;
        case SDLK_SLASH: return 191;
        case SDLK_BACKQUOTE: return 192;
        case SDLK_LEFTBRACKET: return 219;
        case SDLK_BACKSLASH: return 220;
        case SDLK_RIGHTBRACKET: return 221;
        case SDLK_QUOTE: return 222;
        default: return 0;
    }
}

// A layout whose keys carry no Latin letters (Cyrillic, Greek) still gives the
// letter printed in the US position, as Windows does.
int positional_key(SDL_Scancode code) {
    if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) return 'A' + (code - SDL_SCANCODE_A);
    if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9) return '1' + (code - SDL_SCANCODE_1);
    if (code == SDL_SCANCODE_0) return '0';
    return 0;
}

}  // namespace

int virtual_key(const SDL_Keysym& key) {
    if (int vk = keypad_key(key.scancode)) return vk;
    if (int vk = fixed_key(key.sym)) return vk;
    if (int vk = character_key(key.sym)) return vk;
    return positional_key(key.scancode);
}

}  // namespace vlr::platform
