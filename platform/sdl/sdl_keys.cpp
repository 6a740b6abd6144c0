#include "platform/sdl/sdl_keys.hpp"

namespace vlr::platform {
namespace {

template <class Code>
struct KeyCode {
    Code code;
    int vk;
};

template <class Code, size_t N>
int look_up(const KeyCode<Code> (&table)[N], Code code) {
    for (const auto& entry : table)
        if (entry.code == code) return entry.vk;
    return 0;
}

// The numeric pad is taken by its physical key, so that its digits and point
// keep their codes whether Num Lock is on or off: operators use the pad for
// entries without minding the lock state.
const KeyCode<SDL_Scancode> keypad_keys[] = {
    {SDL_SCANCODE_KP_0, 96},         {SDL_SCANCODE_KP_1, 97},       {SDL_SCANCODE_KP_2, 98},
    {SDL_SCANCODE_KP_3, 99},         {SDL_SCANCODE_KP_4, 100},      {SDL_SCANCODE_KP_5, 101},
    {SDL_SCANCODE_KP_6, 102},        {SDL_SCANCODE_KP_7, 103},      {SDL_SCANCODE_KP_8, 104},
    {SDL_SCANCODE_KP_9, 105},        {SDL_SCANCODE_KP_PERIOD, 110}, {SDL_SCANCODE_KP_ENTER, 13},
    {SDL_SCANCODE_KP_MULTIPLY, 106}, {SDL_SCANCODE_KP_PLUS, 107},   {SDL_SCANCODE_KP_MINUS, 109},
    {SDL_SCANCODE_KP_DIVIDE, 111},
};

// Keys whose meaning does not depend on the keyboard layout.
const KeyCode<SDL_Keycode> fixed_keys[] = {
    {SDLK_BACKSPACE, 8},      {SDLK_TAB, 9},          {SDLK_RETURN, 13},
    {SDLK_LSHIFT, 16},        {SDLK_RSHIFT, 16},      {SDLK_LCTRL, 17},
    {SDLK_RCTRL, 17},         {SDLK_PAUSE, 19},       {SDLK_CAPSLOCK, 20},
    {SDLK_ESCAPE, 27},        {SDLK_SPACE, 32},       {SDLK_PAGEUP, 33},
    {SDLK_PAGEDOWN, 34},      {SDLK_END, 35},         {SDLK_HOME, 36},
    {SDLK_LEFT, 37},          {SDLK_UP, 38},          {SDLK_RIGHT, 39},
    {SDLK_DOWN, 40},          {SDLK_INSERT, 45},      {SDLK_DELETE, 46},
    {SDLK_LGUI, 91},          {SDLK_RGUI, 92},        {SDLK_APPLICATION, 93},
    {SDLK_F1, 112},           {SDLK_F2, 113},         {SDLK_F3, 114},
    {SDLK_F4, 115},           {SDLK_F5, 116},         {SDLK_F6, 117},
    {SDLK_F7, 118},           {SDLK_F8, 119},         {SDLK_F9, 120},
    {SDLK_F10, 121},          {SDLK_F11, 122},        {SDLK_F12, 123},
    {SDLK_NUMLOCKCLEAR, 144}, {SDLK_SCROLLLOCK, 145},
};

// Punctuation by the character the layout puts on the key, as Windows names
// its "OEM" keys.
const KeyCode<SDL_Keycode> punctuation_keys[] = {
    {SDLK_SEMICOLON, 186},   {SDLK_EQUALS, 187},    {SDLK_PLUS, 187},         {SDLK_COMMA, 188},
    {SDLK_MINUS, 189},       {SDLK_PERIOD, 190},    {SDLK_SLASH, 191},        {SDLK_BACKQUOTE, 192},
    {SDLK_LEFTBRACKET, 219}, {SDLK_BACKSLASH, 220}, {SDLK_RIGHTBRACKET, 221}, {SDLK_QUOTE, 222},
};

// Letters and digits by the character the layout puts on the key.
int character_key(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return key;
    return look_up(punctuation_keys, key);
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
    if (int vk = look_up(keypad_keys, key.scancode)) return vk;
    if (int vk = look_up(fixed_keys, key.sym)) return vk;
    if (int vk = character_key(key.sym)) return vk;
    return positional_key(key.scancode);
}

}  // namespace vlr::platform
