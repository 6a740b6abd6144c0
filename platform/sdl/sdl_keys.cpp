#include "platform/sdl/sdl_keys.hpp"

#include "platform/keycodes.hpp"

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
    {SDL_SCANCODE_KP_0, vk::pad0},         {SDL_SCANCODE_KP_1, vk::pad0 + 1},       {SDL_SCANCODE_KP_2, vk::pad0 + 2},
    {SDL_SCANCODE_KP_3, vk::pad0 + 3},         {SDL_SCANCODE_KP_4, vk::pad0 + 4},      {SDL_SCANCODE_KP_5, vk::pad0 + 5},
    {SDL_SCANCODE_KP_6, vk::pad0 + 6},        {SDL_SCANCODE_KP_7, vk::pad0 + 7},      {SDL_SCANCODE_KP_8, vk::pad0 + 8},
    {SDL_SCANCODE_KP_9, vk::pad0 + 9},        {SDL_SCANCODE_KP_PERIOD, vk::pad_point}, {SDL_SCANCODE_KP_ENTER, vk::enter},
    {SDL_SCANCODE_KP_MULTIPLY, vk::pad_multiply}, {SDL_SCANCODE_KP_PLUS, vk::pad_plus},   {SDL_SCANCODE_KP_MINUS, vk::pad_minus},
    {SDL_SCANCODE_KP_DIVIDE, vk::pad_divide},
};

// Keys whose meaning does not depend on the keyboard layout.
const KeyCode<SDL_Keycode> fixed_keys[] = {
    {SDLK_BACKSPACE, vk::backspace},      {SDLK_TAB, vk::tab},          {SDLK_RETURN, vk::enter},
    {SDLK_LSHIFT, vk::shift},        {SDLK_RSHIFT, vk::shift},      {SDLK_LCTRL, vk::ctrl},
    {SDLK_RCTRL, vk::ctrl},         {SDLK_PAUSE, vk::pause},       {SDLK_CAPSLOCK, vk::caps_lock},
    {SDLK_ESCAPE, vk::escape},        {SDLK_SPACE, vk::space},       {SDLK_PAGEUP, vk::page_up},
    {SDLK_PAGEDOWN, vk::page_down},      {SDLK_END, vk::end},         {SDLK_HOME, vk::home},
    {SDLK_LEFT, vk::left},          {SDLK_UP, vk::up},          {SDLK_RIGHT, vk::right},
    {SDLK_DOWN, vk::down},          {SDLK_INSERT, vk::insert},      {SDLK_DELETE, vk::del},
    {SDLK_LGUI, vk::win},          {SDLK_RGUI, vk::right_win},        {SDLK_APPLICATION, vk::apps},
    {SDLK_F1, vk::f(1)},           {SDLK_F2, vk::f(2)},         {SDLK_F3, vk::f(3)},
    {SDLK_F4, vk::f(4)},           {SDLK_F5, vk::f(5)},         {SDLK_F6, vk::f(6)},
    {SDLK_F7, vk::f(7)},           {SDLK_F8, vk::f(8)},         {SDLK_F9, vk::f(9)},
    {SDLK_F10, vk::f(10)},          {SDLK_F11, vk::f(11)},        {SDLK_F12, vk::f(12)},
    {SDLK_NUMLOCKCLEAR, vk::num_lock}, {SDLK_SCROLLLOCK, vk::scroll_lock},
};

// Punctuation by the character the layout puts on the key, as Windows names
// its "OEM" keys.
const KeyCode<SDL_Keycode> punctuation_keys[] = {
    {SDLK_SEMICOLON, vk::semicolon},   {SDLK_EQUALS, vk::plus},    {SDLK_PLUS, vk::plus},         {SDLK_COMMA, vk::comma},
    {SDLK_MINUS, vk::minus},       {SDLK_PERIOD, vk::point},    {SDLK_SLASH, vk::slash},        {SDLK_BACKQUOTE, vk::backquote},
    {SDLK_LEFTBRACKET, vk::left_bracket}, {SDLK_BACKSLASH, vk::backslash}, {SDLK_RIGHTBRACKET, vk::right_bracket}, {SDLK_QUOTE, vk::quote},
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
