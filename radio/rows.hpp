// Named views of band rows (26 characters) and channel records (28), so code
// reads like their layout tables rather than like raw positions.
#pragma once

#include <string>

#include "app/text.hpp"

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

// Channel record: kind(1) mode(1) band(2) "A"(1) VFO A(9) "B"(1) VFO B or shift(9) tone(3) preamp(1)
inline std::string chan_kind(const std::string& r) { return mid(r, 1, 1); }
inline std::string chan_mode_digit(const std::string& r) { return mid(r, 2, 1); }
inline std::string chan_band_digits(const std::string& r) { return mid(r, 3, 2); }
inline std::string chan_vfo_a_body(const std::string& r) { return mid(r, 5, 10); }  // "A" + 9 digits
inline std::string chan_vfo_a_digits(const std::string& r) { return mid(r, 6, 9); }
inline std::string chan_vfo_b_digits(const std::string& r) { return mid(r, 16, 9); }
inline std::string chan_shift_sign(const std::string& r) { return mid(r, 16, 1); }
inline std::string chan_shift_digits(const std::string& r) { return mid(r, 21, 4); }
inline std::string chan_tone(const std::string& r) { return mid(r, 25, 3); }
inline std::string chan_preamp_digit(const std::string& r) { return right(r, 1); }
inline bool chan_empty(const std::string& r) { return r.empty() ? false : r[0] == '9'; }

// Two band-number digits of a channel record: "01".."09", "10".."13", "14".
inline std::string band_digits(int band) { return zero_pad(band, 2); }

}  // namespace vlr
