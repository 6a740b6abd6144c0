#include "commands/net_levels.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/text.hpp"
#include "radio/levels.hpp"
#include "speech/values.hpp"

namespace vlr {

namespace {

// Hamlib's level bits.
constexpr unsigned long long level_af = 0x8, level_rf = 0x10, level_sql = 0x20,
                             level_rfpower = 0x1000, level_swr = 0x10000000, level_alc = 0x20000000,
                             level_strength = 0x40000000;

// The levels answered, and whether a client may set each.
struct Level {
    unsigned long long bit;
    bool settable;
};
constexpr Level levels[] = {
    {level_af, true},   {level_rf, true},   {level_sql, true},       {level_rfpower, true},
    {level_swr, false}, {level_alc, false}, {level_strength, false},
};

std::string hex_mask(bool settable_only) {
    unsigned long long mask = 0;
    for (const Level& l : levels)
        if (l.settable || !settable_only) mask |= l.bit;
    char text[24] = "0x";
    return std::string(text, std::to_chars(text + 2, text + sizeof text, mask, 16).ptr);
}

std::string fraction(double value) {
    char text[24];
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

// The meter readings where the spoken S unit changes (S1 at 11 .. S9 at
// 123), each 6 dB above the last; the rest of the scale is S9 to +60 dB.
struct MeterPoint {
    int reading, db;
};
constexpr std::array<MeterPoint, 11> s_units = {{{0, -54},
                                                 {11, -48},
                                                 {21, -42},
                                                 {41, -36},
                                                 {55, -30},
                                                 {69, -24},
                                                 {83, -18},
                                                 {97, -12},
                                                 {109, -6},
                                                 {123, 0},
                                                 {255, 60}}};

int full_power(const State& s) { return s.radio_variant == 1 ? 100 : 10; }

bool transmitting(const State& s) { return s.transmit_state > 0 || s.tune_active; }

}  // namespace

std::string net_get_level_mask() { return hex_mask(false); }
std::string net_set_level_mask() { return hex_mask(true); }

int s_meter_db(int reading) {
    reading = std::clamp(reading, 0, 255);
    for (std::size_t i = 1; i < s_units.size(); ++i) {
        const MeterPoint low = s_units[i - 1], high = s_units[i];
        if (reading >= high.reading) continue;
        // Rounded down, so that a client shows S9 only where the S9 is spoken.
        const double db = low.db + double(high.db - low.db) * (reading - low.reading) /
                                       (high.reading - low.reading);
        return static_cast<int>(std::floor(db));
    }
    return s_units.back().db;
}

bool get_net_level(const Context& c, const std::string& name, std::string& value) {
    const State& s = c.st;
    if (name == "STRENGTH")
        value = std::to_string(s_meter_db(s.s_meter_value));
    else if (name == "RFPOWER")
        value = fraction(double(s.power_level) / full_power(s));
    else if (name == "AF")
        value = fraction(s.main_af_gain / 255.0);
    else if (name == "RF")
        value = fraction(s.main_rf_gain / 255.0);
    else if (name == "SQL")
        value = fraction(s.squelch_level / 255.0);
    // The meters read while transmitting: the SWR's peak and the ALC peak of
    // the microphone monitor; receiving, they read as a flat line and none.
    else if (name == "SWR")
        value =
            fraction(swr_tenths(transmitting(s) ? text_num_rounded(s.swr_peak_text) : 0) / 10.0);
    else if (name == "ALC")
        value = fraction(transmitting(s) ? std::clamp(s.mic_level_peak, 0, 255) / 255.0 : 0.0);
    else
        return false;
    return true;
}

bool set_net_level(Context& c, const std::string& name, double value) {
    State& s = c.st;
    const double v = std::clamp(value, 0.0, 1.0);
    const int of255 = static_cast<int>(std::lround(v * 255));
    if (name == "RFPOWER") {
        s.power_level = static_cast<int>(std::lround(v * full_power(s)));
        send_power(c);
    } else if (name == "AF") {
        s.main_af_gain = of255;
        send_af_gain(c);
    } else if (name == "RF") {
        // As the keys leave it: below 20 the gain is closed.
        s.main_rf_gain = of255 < 20 ? 0 : of255;
        send_rf_gain(c);
    } else if (name == "SQL") {
        s.squelch_level = of255;
        send_squelch(c);
    } else {
        return false;
    }
    return true;
}

}  // namespace vlr
