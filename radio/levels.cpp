// Stepped controls: the Up and Down arrows raise or lower the value chosen by
// key_state one step, send it at once and say "max"/"min" at a limit. The new
// value itself is not spoken.
//   sends: SH0 NA0 (width), PC (power), RG AG (gains), MG (mic), KS (keyer),
//          ML1 NL RL CO PL (the level of the function chosen with L)
#include "radio/levels.hpp"

#include <algorithm>

#include "base/text.hpp"
#include "base/names.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "radio/bands.hpp"
#include "radio/frequency.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {


// ---- filter width -------------------------------------------------------

void width_up(Context& c) {
    State& s = c.st;
    s.width_quiet = false;
    if (is_sideband(s.mode_code) && s.width_index == 21) s.width_index = 20;
    if (is_cw(s.mode_code) && s.width_index > 12) s.width_index = 12;
    s.width_index += 1;
    // Leaving the narrow CW filters: the radio's narrow switch goes off first.
    if (is_cw(s.mode_code) && s.width_index == 11) send_cat(c, cmd::set(cmd::narrow, false));
    send_width(c);
}

void width_down(Context& c) {
    State& s = c.st;
    s.width_quiet = false;
    if (is_sideband(s.mode_code) && s.width_index == 9) s.width_index = 10;
    if (is_cw(s.mode_code) && s.width_index < 1) s.width_index = 0;
    s.width_index -= 1;
    if (is_cw(s.mode_code) && s.width_index == 10) send_cat(c, cmd::set(cmd::narrow, true));
    send_width(c);
}

// ---- transmit power ------------------------------------------------------

// 1 W steps up to 10 W, 10 W steps above.
void power_up(Context& c) {
    State& s = c.st;
    s.power_level += s.power_level < 10 ? 1 : 10;
    if (s.radio_variant == 0 && s.power_level > 9) {
        s.power_level = 10;
        say(c, "max");
    }
    if (s.radio_variant == 1 && s.band_index > band::m6 && s.power_level > 49) {
        s.power_level = 50;
        say(c, "max");
    }
    if (s.radio_variant == 1 && s.power_level > 99) {
        s.power_level = 100;
        say(c, "max");
    }
    send_power(c);
}

void power_down(Context& c) {
    State& s = c.st;
    s.power_level -= s.power_level < 11 ? 1 : 10;
    if (s.radio_variant == 0) {
        if (s.power_level < 2) say(c, "min");
        if (s.power_level < 1) s.power_level = 1;
    }
    if (s.radio_variant == 1) {
        if (s.power_level < 6) say(c, "min");
        if (s.power_level < 5) s.power_level = 5;
    }
    send_power(c);
}

// ---- main receiver gains ---------------------------------------------------

void rf_gain_up(Context& c) {
    State& s = c.st;
    s.main_rf_gain += 20;
    if (s.main_rf_gain > 240) s.main_rf_gain = 255;
    send_rf_gain(c);
    if (s.main_rf_gain == 255) say(c, "max");
}

void rf_gain_down(Context& c) {
    State& s = c.st;
    s.main_rf_gain -= 20;
    if (s.main_rf_gain < 20) s.main_rf_gain = 0;
    send_rf_gain(c);
}

void af_gain_up(Context& c) {
    State& s = c.st;
    s.main_af_gain = std::min(s.main_af_gain + 10, 250);
    send_af_gain(c);
    if (s.main_af_gain == 250) say(c, "max");
}

// Silent at 0: the operator hears the audio fade out.
void af_gain_down(Context& c) {
    State& s = c.st;
    s.main_af_gain = std::max(s.main_af_gain - 10, 0);
    send_af_gain(c);
}

// ---- the level of the function chosen by level_target ------------------------

void send_monitor(Context& c) { send_cat(c, cmd::set(cmd::monitor_level, c.st.monitor_level)); }
void send_nb_level(Context& c) { send_cat(c, cmd::set(cmd::noise_blanker, c.st.nb_level)); }
void send_nr_level(Context& c) { send_cat(c, cmd::set(cmd::noise_reduction, c.st.nr_level)); }
void send_contour(Context& c) { send_cat(c, cmd::set(cmd::contour_level, c.st.contour_level)); }
void send_proc_level(Context& c) { send_cat(c, cmd::set(cmd::processor_level, c.st.proc_level)); }

void target_level_up(Context& c) {
    State& s = c.st;
    switch (s.level_target) {
        case level_of::monitor:
            s.monitor_level += 5;
            if (s.monitor_level > 99) {
                s.monitor_level = 100;
                send_monitor(c);
                say(c, "max");
            } else {
                send_monitor(c);
            }
            break;
        case level_of::noise_blanker:
            s.nb_level += 1;
            if (s.nb_level > 9) {
                s.nb_level = 10;
                say(c, "max");
            }
            send_nb_level(c);
            break;
        case level_of::noise_reduction:
            s.nr_level += 1;
            if (s.nr_level > 9) {
                s.nr_level = 10;
                say(c, "max");
            }
            send_nr_level(c);
            break;
        case level_of::contour:
            s.contour_level = std::min(s.contour_level + 100, 3200);
            send_contour(c);
            if (s.contour_level == 3200) say(c, "max");
            break;
        case level_of::processor:
            s.proc_level += 10;
            if (s.proc_level > 100) {
                s.proc_level = 100;
                say(c, "max");
            }
            send_proc_level(c);
            break;
        default:
            break;
    }
}

void target_level_down(Context& c) {
    State& s = c.st;
    switch (s.level_target) {
        case level_of::monitor:
            s.monitor_level -= 5;
            if (s.monitor_level < 5) {
                s.monitor_level = 1;
                say(c, "min");
            }
            send_monitor(c);
            break;
        case level_of::noise_blanker:
            s.nb_level -= 1;
            if (s.nb_level < 2) {
                s.nb_level = 1;
                say(c, "min");
            }
            send_nb_level(c);
            break;
        case level_of::noise_reduction:
            s.nr_level -= 1;
            if (s.nr_level < 2) {
                s.nr_level = 1;
                say(c, "min");
            }
            send_nr_level(c);
            break;
        case level_of::contour:
            // The contour's lowest setting is 10 Hz, not 0.
            s.contour_level -= 100;
            if (s.contour_level < 100) s.contour_level = 10;
            send_contour(c);
            if (s.contour_level == 10) say(c, "min");
            break;
        case level_of::processor:
            s.proc_level -= 10;
            if (s.proc_level < 1) {
                s.proc_level = 0;
                say(c, "min");
            }
            send_proc_level(c);
            break;
        default:
            break;
    }
}

// ---- keyer speed and microphone gain -------------------------------------------

void keyer_up(Context& c) {
    State& s = c.st;
    s.keyer_speed = std::min(s.keyer_speed + 1, 60);
    if (s.keyer_speed == 60) say(c, "max");
    send_keyer_speed(c);
}

void keyer_down(Context& c) {
    State& s = c.st;
    s.keyer_speed = std::max(s.keyer_speed - 1, 4);
    if (s.keyer_speed == 4) say(c, "min");
    send_keyer_speed(c);
}

// A new gain starts a new peak of the microphone monitor.
void mic_gain_up(Context& c) {
    State& s = c.st;
    s.mic_gain += 1;
    if (s.mic_gain > 100) {
        s.mic_gain = 100;
        say(c, "max");
    }
    s.mic_level_peak = 0;
    send_mic_gain(c);
}

void mic_gain_down(Context& c) {
    State& s = c.st;
    s.mic_gain -= 1;
    if (s.mic_gain < 0) {
        s.mic_gain = 0;
        say(c, "min");
    }
    s.mic_level_peak = 0;
    send_mic_gain(c);
}

}  // namespace

void level_up(Context& c) {
    switch (c.st.key_state) {
        case ks::normal:
            step_frequency_up(c);
            break;
        case ks::band:
            band_step_up(c);
            break;
        case ks::width:
            width_up(c);
            break;
        case ks::power:
            power_up(c);
            break;
        case ks::rf_gain:
            rf_gain_up(c);
            break;
        case ks::af_gain:
            af_gain_up(c);
            break;
        case ks::level:
            target_level_up(c);
            break;
        case ks::keyer:
            keyer_up(c);
            break;
        case ks::mic_gain:
            mic_gain_up(c);
            break;
        default:
            break;  // entry states: the arrows change nothing here
    }
}

void level_down(Context& c) {
    switch (c.st.key_state) {
        case ks::normal:
            step_frequency_down(c);
            break;
        case ks::band:
            band_step_down(c);
            break;
        case ks::width:
            width_down(c);
            break;
        case ks::power:
            power_down(c);
            break;
        case ks::rf_gain:
            rf_gain_down(c);
            break;
        case ks::af_gain:
            af_gain_down(c);
            break;
        case ks::level:
            target_level_down(c);
            break;
        case ks::keyer:
            keyer_down(c);
            break;
        case ks::mic_gain:
            mic_gain_down(c);
            break;
        default:
            break;
    }
}

void send_width(Context& c) {
    State& s = c.st;
    const bool announce = !s.width_quiet;
    if (is_sideband(s.mode_code)) {
        s.width_index = std::clamp(s.width_index, 9, 21);
        s.ssb_width = s.width_index;
        if (s.width_index == 21 && announce) say(c, "max");
        if (s.width_index == 9 && announce) say(c, "min");
    } else if (is_cw(s.mode_code)) {
        s.width_index = std::clamp(s.width_index, 1, 12);
        s.cw_width = s.width_index;
        if (s.width_index == 12 && announce) say(c, "max");
    }
    if (s.width_index == 1 && announce) say(c, "min");
    // Outside LSB/USB/CW the index goes out as it stands; the field is still
    // two digits wide.
    send_cat(c, cmd::set(cmd::width, std::clamp(s.width_index, 0, 99)));
    s.width_quiet = false;
}

void send_power(Context& c) {
    State& s = c.st;
    // A power never read from the radio (0 from the start) or read from a
    // reply cut off mid-way would go out as a value the radio refuses, and
    // after a tune it would stay on the tune carrier's power: send the
    // nearest power it takes instead.
    const int lowest = s.radio_variant == 1 ? 5 : 1;
    const int highest = s.radio_variant == 1 ? 100 : 10;
    s.power_level = std::clamp(s.power_level, lowest, highest);
    send_cat(c, cmd::set(s.radio_variant == 1 ? cmd::power_100w : cmd::power_10w, s.power_level));
}

void send_rf_gain(Context& c) {
    State& s = c.st;
    // The radio's RF gain has no setting between 0 and 20 that the steps use;
    // anything below 20 goes out as fully closed.
    const bool closed = s.main_rf_gain < 20;
    if (closed) say(c, "min");
    send_cat(c, cmd::set(cmd::rf_gain, closed ? 0 : s.main_rf_gain));
}

void send_af_gain(Context& c) { send_cat(c, cmd::set(cmd::af_gain, c.st.main_af_gain)); }

void send_squelch(Context& c) { send_cat(c, cmd::set(cmd::squelch, c.st.squelch_level)); }

void send_mic_gain(Context& c) { send_cat(c, cmd::set(cmd::mic_gain, c.st.mic_gain)); }

void send_keyer_speed(Context& c) { send_cat(c, cmd::set(cmd::keyer_speed, c.st.keyer_speed)); }

// Second receiver gain (AG1/RG1): steps of 10, 255 at the top.
void second_gain_up(Context& c, int& gain, cmd::Level level) {
    gain += 10;
    if (gain >= 251) gain = 255;
    send_cat(c, cmd::set(level, gain));
    if (gain >= 250) say(c, "max");
}

void second_gain_down(Context& c, int& gain, cmd::Level level) {
    gain -= 10;
    if (gain < 10) gain = 0;
    send_cat(c, cmd::set(level, gain));
    if (gain == 0) say(c, "min");
}

void squelch_up(Context& c) {
    State& s = c.st;
    s.squelch_level += s.squelch_level < 20 ? 1 : 10;
    if (s.squelch_level >= 256) {
        s.squelch_level = 255;
        say(c, "max");
    }
    send_squelch(c);
}

void squelch_down(Context& c) {
    State& s = c.st;
    if (s.squelch_level == 245) s.squelch_level = 240;
    s.squelch_level -= s.squelch_level >= 30 ? 10 : 1;
    if (s.squelch_level < 1) {
        s.squelch_level = 0;
        say(c, "0");
    }
    send_squelch(c);
}

}  // namespace vlr
