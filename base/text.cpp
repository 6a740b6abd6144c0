#include "base/text.hpp"

#include <cmath>
#include <limits>

namespace vlr {

double text_value(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    double value = 0;
    bool any = false;
    while (i < s.size() && is_digit_char(s[i])) {
        value = value * 10 + (s[i] - '0');
        any = true;
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < s.size() && is_digit_char(s[i])) {
            value += (s[i] - '0') * scale;
            scale /= 10;
            any = true;
            ++i;
        }
    }
    if (!any) return 0;
    return negative ? -value : value;
}

static int clamp_int(double v) {
    if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

int text_num(std::string_view s) { return clamp_int(std::trunc(text_value(s))); }

int text_num_rounded(std::string_view s) { return clamp_int(std::nearbyint(text_value(s))); }

}  // namespace vlr
