// The codes the window delivers: event ids, and Windows virtual-key codes for
// every key the program knows. The program's keyboard is described in these
// codes on every platform (letters and digits are their ASCII capitals).
#pragma once

namespace vlr {

namespace platform {
inline constexpr int event_key_down = 256;
inline constexpr int event_key_up = 257;
inline constexpr int event_timer = 275;
inline constexpr int event_close = 32770;
}  // namespace platform

namespace vk {
inline constexpr int backspace = 8, tab = 9, enter = 13, shift = 16, ctrl = 17, pause = 19,
                     caps_lock = 20, escape = 27, space = 32, page_up = 33, page_down = 34,
                     end = 35, home = 36, left = 37, up = 38, right = 39, down = 40, insert = 45,
                     del = 46, win = 91, right_win = 92, apps = 93, pad0 = 96, pad9 = 105,
                     pad_multiply = 106, pad_plus = 107, pad_minus = 109, pad_point = 110,
                     pad_divide = 111, num_lock = 144, scroll_lock = 145, semicolon = 186,
                     plus = 187, comma = 188, minus = 189, point = 190, slash = 191,
                     backquote = 192, left_bracket = 219, backslash = 220, right_bracket = 221,
                     quote = 222;
// F1..F12 are 112..123.
inline constexpr int f(int n) { return 111 + n; }
}  // namespace vk

}  // namespace vlr
