// Text rules used everywhere: positions count from 1, texts hold at most 255
// characters, numbers turn into text with a leading blank when not negative.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vlr {

inline constexpr std::size_t max_text = 255;

// Cuts a text to the 255 characters every text variable can hold.
inline std::string cut(std::string s) {
    if (s.size() > max_text) s.resize(max_text);
    return s;
}

// Characters from 1-based position `pos`, `len` of them (or to the end when
// len < 0). Positions before 1 or past the end give what exists of the range.
inline std::string mid(std::string_view s, int pos, int len = -1) {
    if (pos < 1) pos = 1;
    if (static_cast<std::size_t>(pos) > s.size()) return {};
    std::size_t start = static_cast<std::size_t>(pos - 1);
    if (len < 0) return std::string(s.substr(start));
    return std::string(s.substr(start, static_cast<std::size_t>(len)));
}

inline std::string left(std::string_view s, int n) { return n <= 0 ? std::string() : std::string(s.substr(0, static_cast<std::size_t>(n))); }

inline std::string right(std::string_view s, int n) {
    if (n <= 0) return {};
    if (static_cast<std::size_t>(n) >= s.size()) return std::string(s);
    return std::string(s.substr(s.size() - static_cast<std::size_t>(n)));
}

// 1-based position of the first occurrence of `what` in `s`, 0 when absent.
inline int instr(std::string_view s, std::string_view what) {
    if (what.empty()) return s.empty() ? 0 : 1;
    auto p = s.find(what);
    return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

// Number to text: decimal digits, a blank in front when not negative.
inline std::string num_text(long long n) {
    return n < 0 ? std::to_string(n) : " " + std::to_string(n);
}

// Number to text without the leading blank.
inline std::string digits(long long n) { return std::to_string(n); }

// Zero-padded decimal digits of a non-negative number (never signed).
inline std::string zero_pad(long long n, int width) {
    if (n < 0) n = 0;
    std::string d = std::to_string(n);
    if (static_cast<int>(d.size()) < width) d.insert(0, static_cast<std::size_t>(width) - d.size(), '0');
    return d;
}

// Leading number of a text as a double: optional blanks, sign, digits, point,
// digits. A text that does not start with a number gives 0.
double text_value(std::string_view s);

// Text to a whole number, fraction dropped; clamped to the 32-bit range.
int text_num(std::string_view s);

// Text to a whole number, rounded to the nearest (halves to even, as the
// numeric conversion of the original platform did).
int text_num_rounded(std::string_view s);

inline bool is_digit_char(char ch) { return ch >= '0' && ch <= '9'; }

// True when `s` is one or more decimal digits.
inline bool all_digits(const std::string& s) {
    if (s.empty()) return false;
    for (char ch : s)
        if (!is_digit_char(ch)) return false;
    return true;
}

// True when `s` is exactly `n` decimal digits.
inline bool all_digits(const std::string& s, std::size_t n) { return s.size() == n && all_digits(s); }

// True when `s` starts with `prefix`.
inline bool begins_with(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace vlr
