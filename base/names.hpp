// Names for the numbers the operating state keeps as plain ints: keyboard
// states, mode codes and band indexes. The state stays plain ints (the file
// formats and the panel use the numbers); code compares with these names.
#pragma once

#include "base/modes.hpp"

namespace vlr {

// What the next key means (`key_state`).
namespace ks {
inline constexpr int normal = 0;
inline constexpr int band = 1;           // B: the next key picks a band
inline constexpr int width = 2;          // W: arrows set the filter width
inline constexpr int power = 3;          // P: arrows set the power
inline constexpr int rf_gain = 4;        // R: up/down main, left/right second receiver
inline constexpr int offset_sign = 5;    // X O: a sign key or Enter
inline constexpr int offset_digits = 6;  // after the sign: offset digits
inline constexpr int af_gain = 7;        // A: up/down main, left/right second receiver
inline constexpr int menu_number = 8;    // N: menu number digits
inline constexpr int menu_value = 9;     // Enter after the number: value digits
inline constexpr int level = 10;         // L: the level of `level_target`
inline constexpr int keyer = 11;         // K: CW practice with break-in off
inline constexpr int mic_gain = 12;      // F11: arrows set the microphone gain
inline constexpr int extended = 14;      // X: second function of C, A, O, M, F, S
}  // namespace ks


// Band indexes (`band_index`); 1..9 are 160 m to 12 m.
namespace band {
inline constexpr int m160 = 1, m80 = 2, m60 = 3, m40 = 4, m30 = 5, m20 = 6, m17 = 7, m15 = 8,
                     m12 = 9, m10 = 10, m6 = 11, m2 = 12, cm70 = 13, general = 14;
}  // namespace band

// Mode predicates, one set for every caller. A code outside 1..7 (a damaged
// row or reply) is none of these. C4FM is digital: not "FM" for the tone,
// squelch and step rules.
inline bool is_sideband(int m) { return m == mode::lsb || m == mode::usb; }
inline bool is_fm(int m) { return m == mode::fm_narrow || m == mode::fm; }
inline bool is_cw(int m) { return m == mode::cw; }

}  // namespace vlr
