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
// General coverage picked with B U: it is announced, and uses the general
// coverage row (it has none of its own).
inline constexpr int general_key = 15;
}  // namespace band

// Which function's level L and the arrows then set (`level_target`): the one
// switched on last.
namespace level_of {
inline constexpr int none = 0, monitor = 1, noise_blanker = 2, noise_reduction = 3, contour = 4,
                     processor = 5;
}  // namespace level_of

// What T does with the antenna tuner (`tuner_mode`, line 4 of the configuration).
namespace tuner {
inline constexpr int automatic = 0;     // the tuner tunes, then the carrier ends
inline constexpr int off = 1;           // a carrier for tuning by hand
inline constexpr int both = 2;          // the tuner tunes, then a carrier for tuning by hand
inline constexpr int carrier_only = 3;  // this time only: no tuner above 6 m
}  // namespace tuner

// `transmit_state` while the space bar or a network client keeps the radio
// keyed is this plus the parked `auto_swr`, so the space bar can always unkey.
inline constexpr int keyed_transmit_base = 10;
// Who is sending commands to the radio (`command_sender`): a refusal is
// told to whoever sent the refused command.
namespace from {
inline constexpr int program = 0;   // start-up, the poll, the program's own steps
inline constexpr int key = 1;       // the operator's key being handled
inline constexpr int passthru = 2;  // a program on the pass-through port
inline constexpr int network = 3;   // a client of the network control port
}  // namespace from

// Mode predicates, one set for every caller. A code outside 1..7 (a damaged
// row or reply) is none of these. C4FM is digital: not "FM" for the tone,
// squelch and step rules.
inline bool is_sideband(int m) { return m == mode::lsb || m == mode::usb; }
inline bool is_fm(int m) { return m == mode::fm_narrow || m == mode::fm; }
inline bool is_cw(int m) { return m == mode::cw; }

}  // namespace vlr
