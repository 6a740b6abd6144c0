// Named views of band rows (26 characters) and channel records (28), so code
// reads like their layout tables rather than like raw positions.
#pragma once

#include <string>

#include "base/state.hpp"
#include "base/text.hpp"

namespace vlr {

// Band row: kind(1) mode(1) "A"(1) VFO A(9) "B"(1) VFO B or shift(9) tone(3) preamp(1)
inline std::string row_kind(const std::string& r) { return mid(r, 1, 1); }
inline std::string row_mode_digit(const std::string& r) { return mid(r, 2, 1); }
inline std::string row_vfo_a_body(const std::string& r) { return mid(r, 3, 10); }  // "A" + 9 digits
inline std::string row_vfo_a_digits(const std::string& r) { return mid(r, 4, 9); }
inline std::string row_vfo_b_digits(const std::string& r) { return mid(r, 14, 9); }
inline std::string row_shift_sign(const std::string& r) { return mid(r, 14, 1); }
inline std::string row_shift_digits(const std::string& r) { return mid(r, 19, 4); }
inline std::string row_tone(const std::string& r) { return mid(r, 23, 3); }
inline std::string row_preamp_digit(const std::string& r) { return right(r, 1); }

// Channel record: kind(1) mode(1) band(2) "A"(1) VFO A(9) "B"(1) VFO B or shift(9) tone(3)
// preamp(1)
inline std::string chan_kind(const std::string& r) { return mid(r, 1, 1); }
inline std::string chan_mode_digit(const std::string& r) { return mid(r, 2, 1); }
inline std::string chan_band_digits(const std::string& r) { return mid(r, 3, 2); }
// "A" + 9 digits
inline std::string chan_vfo_a_body(const std::string& r) { return mid(r, 5, 10); }
inline std::string chan_vfo_a_digits(const std::string& r) { return mid(r, 6, 9); }
inline std::string chan_vfo_b_digits(const std::string& r) { return mid(r, 16, 9); }
inline std::string chan_shift_sign(const std::string& r) { return mid(r, 16, 1); }
inline std::string chan_shift_digits(const std::string& r) { return mid(r, 21, 4); }
inline std::string chan_tone(const std::string& r) { return mid(r, 25, 3); }
inline std::string chan_preamp_digit(const std::string& r) { return right(r, 1); }
inline bool chan_empty(const std::string& r) { return r.empty() ? false : r[0] == '9'; }

// Two band-number digits of a channel record: "01".."09", "10".."13", "14".
inline std::string band_digits(int band) { return zero_pad(band, 2); }

// Whole MHz to band (1..13, 14 when outside every band).
inline int band_of_mhz(int mhz) {
    switch (mhz) {
        case 1:
            return 1;
        case 3:
            return 2;
        case 5:
            return 3;
        case 7:
            return 4;
        case 10:
            return 5;
        case 14:
            return 6;
        case 18:
            return 7;
        case 21:
            return 8;
        case 24:
            return 9;
        case 28:
        case 29:
            return 10;
        default:
            break;
    }
    if (mhz >= 50 && mhz <= 54) return 11;
    if (mhz >= 144 && mhz <= 148) return 12;
    if (mhz >= 420 && mhz <= 449) return 13;
    return 14;
}

// The one-character digit of a small setting (a VFO flag, a mode code, a
// preamp step); anything outside 0..9 would not fit the one-character field.
inline std::string digit_of(int v) {
    return std::string(1, v >= 0 && v <= 9 ? static_cast<char>('0' + v) : '0');
}

// Nine digits of a frequency field in Hz, leading zeros; values outside what
// nine digits can hold are clamped so the field never changes width.
inline std::string nine_digits(long long hz) {
    if (hz < 0) hz = 0;
    if (hz > 999999999) hz = 999999999;
    return zero_pad(hz, 9);
}

// A band's repeater offset pair (sign and four kHz digits). Only bands 10..13
// have one; elsewhere both pointers are null.
struct OffsetPair {
    std::string* sign = nullptr;
    std::string* digits = nullptr;
    explicit operator bool() const { return sign != nullptr; }
};

// The shift in use on a band (what the radio was last given).
inline OffsetPair shift_in_use(State& s, int band) {
    switch (band) {
        case 10:
            return {&s.shift10_sign, &s.shift10_digits};
        case 11:
            return {&s.shift6_sign, &s.shift6_digits};
        case 12:
            return {&s.shift2_sign, &s.shift2_digits};
        case 13:
            return {&s.shift70_sign, &s.shift70_digits};
        default:
            return {};
    }
}

// The offset entered for a band (configuration or the offset keys).
inline OffsetPair entered_offset(State& s, int band) {
    switch (band) {
        case 10:
            return {&s.offset10_sign, &s.offset10_digits};
        case 11:
            return {&s.offset6_sign, &s.offset6_digits};
        case 12:
            return {&s.offset2_sign, &s.offset2_digits};
        case 13:
            return {&s.offset70_sign, &s.offset70_digits};
        default:
            return {};
    }
}

}  // namespace vlr
