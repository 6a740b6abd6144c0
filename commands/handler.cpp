// The main window's event handler: every operator action is one key press,
// tried against the key rules in a fixed order. A rule either ends the
// handling of the key or lets the later rules see it too; the last rule
// re-sends the frequency, so in the tuning states every key that no earlier
// rule took keeps the radio on the frequency the program believes in.
#include "commands/handler.hpp"

#include <array>
#include <string>

#include "base/text.hpp"
#include "base/names.hpp"
#include "commands/entries.hpp"
#include "commands/poll.hpp"
#include "commands/refusals.hpp"
#include "commands/transmit.hpp"
#include "link/cat.hpp"
#include "link/reply.hpp"
#include "link/log.hpp"
#include "panel/front_panel.hpp"
#include "radio/mode.hpp"
#include "radio/channels.hpp"
#include "radio/frequency.hpp"
#include "radio/functions.hpp"
#include "radio/levels.hpp"
#include "radio/tone.hpp"
#include "speech/player.hpp"
#include "speech/values.hpp"

namespace vlr {

namespace {

using platform::event_close, platform::event_key_down, platform::event_key_up,
    platform::event_timer;

constexpr int lowest_hz = 1'000'000;
// Nine digits is all the frequency command has room for.
constexpr int highest_hz = 999'999'999;

bool is_digit_key(int k) { return k >= '0' && k <= '9'; }

// ---- Preparation -----------------------------------------------------------

void quit_key(Context& c) {
    say(c, "quit");
    if (c.st.radio_connected == 1) {
        // The program ends on the second frequency reply after this, so the
        // memory banks are saved with the radio's last frequency.
        send_cat(c, "TX0");
        c.st.quit_pending = 1;
    } else {
        c.st.running = 0;
    }
}

// ---- Extended state and early rules ----------------------------------------

void extended_key(Context& c) {
    say(c, "extcm");
    if (c.st.key_state == ks::extended) {
        c.st.key_state = ks::normal;
        say(c, "off");
    } else {
        c.st.key_state = ks::extended;
        say(c, "on");
    }
}

void stop_mic_monitor(Context& c) {
    State& s = c.st;
    s.mic_monitor = -1;
    say(c, "micgain");
    say(c, "lev");
    s.mic_level_peak = s.mic_gain;
    say_mic_level(c);
    s.mic_monitor = 0;
    s.mic_level_peak = 0;
    say(c, "off");
}

void fold_numeric_pad(State& s) {
    if (s.key_code >= vk::pad0 && s.key_code <= vk::pad9) s.key_code -= vk::pad0 - '0';
    if (s.key_code == vk::pad_point) s.key_code = vk::point;
}

// Back from keyer practice to the mode the operator had before.
void leave_keyer(Context& c) {
    State& s = c.st;
    s.key_state = ks::normal;
    s.mode_code = s.saved_mode;
    show_mode(c);
    if (s.break_in_on == 1) send_cat(c, "BI1");
}

void band_key(Context& c) {
    State& s = c.st;
    if (s.channel_op >= 1) {
        say(c, "bank");
        s.bank_digit = -1;
    } else {
        s.key_state = ks::band;
        say(c, "band");
        say_band(c);
    }
}

// ---- Letter keys ------------------------------------------------------------

void level_key(Context& c) {
    static const std::array<const char*, 5> words{"mon", "nb", "nr", "co", "spc"};
    State& s = c.st;
    if (s.level_target >= 1) {
        s.key_state = ks::level;
        if (s.level_target <= 5) say(c, words[static_cast<std::size_t>(s.level_target - 1)]);
    }
    say(c, "lev");
}

void keyer_key(Context& c) {
    State& s = c.st;
    say(c, "ks");
    if (s.key_state == ks::keyer) {
        s.key_state = ks::normal;
        s.mode_code = s.saved_mode;
        show_mode(c);
        say(c, "off");
        say_keyer_speed(c);
        if (s.break_in_on == 1) send_cat(c, "BI1");
        return;
    }
    s.saved_mode = s.mode_code;
    s.mode_code = mode::cw;
    show_mode(c);
    s.key_state = ks::keyer;
    query_cat(c, "KS");
    s.keyer_speed = reply_field(c.st.cat_reply, "KS", 2, 3).value_or(s.keyer_speed);
    say(c, "on");
    // Practice without keying the transmitter.
    send_cat(c, "BI0");
    say_keyer_speed(c);
}

// The way back from C4FM sends the kept code as a CTCSS tone number. Only a
// code the tone entry accepted as one may go: a code still being typed when
// D was pressed ("355"), or a DCS code, would be refused by the radio while
// the program took the tone for on.
bool restorable_tone(const std::string& code) {
    if (code.size() != 3) return false;
    for (char ch : code)
        if (ch < '0' || ch > '9') return false;
    return text_num(code) <= 49;
}

void c4fm_key(Context& c) {
    State& s = c.st;
    if (s.mode_code < mode::fm_narrow) return;
    if (is_fm(s.mode_code)) {
        // The mode change drops the tone; keep it for the way back.
        s.saved_tone_code = s.tone_code;
        s.mode_code = mode::c4fm;
        show_mode(c);
    } else {
        s.mode_code = s.fm_wide == 1 ? 7 : 5;
        show_mode(c);
        if (restorable_tone(s.saved_tone_code)) {
            s.tone_code = s.saved_tone_code;
            s.tone_active = 1;
            send_cat(c, "CN00" + s.tone_code);
            send_cat(c, "CT01");
        }
    }
    say_mode(c);
}

void tone_key(Context& c) {
    State& s = c.st;
    if (!is_fm(s.mode_code)) {
        say(c, "wrong");
        say(c, "mode");
        return;
    }
    s.freq_entry_active = 0;
    s.key_state = ks::normal;
    if (s.tone_active == 1) {
        send_cat(c, "CT00");
        s.tone_active = 0;
        bool dcs = !s.tone_code.empty() && s.tone_code[0] > '4' && s.tone_is_dcs == 1;
        say(c, dcs ? "dcs" : "ctcss");
        say(c, "off");
        s.tone_code = "999";
    } else {
        say(c, s.dcs_allowed == 1 ? "ecd" : "ec");
        s.tone_active = 1;
        s.tone_code.clear();  // the digits follow
    }
}

void options_key(Context& c) {
    State& s = c.st;
    auto on = [&](const char* word) {
        say(c, word);
        say(c, "on");
    };
    say(c, "options");
    if (s.preamp == 1 || s.preamp == 2) {
        say(c, "preamp");
        say(c, s.preamp == 1 ? "1" : "2");
        say(c, "on");
    }
    if (s.att_on == 1) on("at");
    if (s.nb_on == 1) on("nb");
    if (s.nr_on >= 1) on("nr");
    if (s.notch_on == 1) on("notch");
    if (s.contour_on >= 1) on("co");
    if (s.speech_proc_on == 1 && is_sideband(s.mode_code)) on("spc");
    if (s.break_in_on == 1 && is_cw(s.mode_code)) on("bkin");
    if (s.vox_on == 1) on("vox");
    if (s.monitor_on == 1) on("mon");
    if (s.tone_code != "999" && !s.tone_code.empty()) {
        say(c, s.tone_code[0] <= '3' ? "ctcss" : "dcs");
        for (char ch : s.tone_code) say(c, std::string(1, ch));
    }
    say(c, s.antenna2 == 1 ? "ant2" : "ant1");
    say(c, "tuner");
    say(c, "is");
    if (s.tuner_mode == 0) say(c, "on");
    if (s.tuner_mode == 1) say(c, "off");
    if (s.tuner_mode == 2) say(c, "both");
}

// Enter completing a tone code or a typed frequency, or the "." of a
// frequency. Returns true when the key was taken.
bool entry_completion(Context& c) {
    State& s = c.st;
    if (s.key_code == vk::point) {
        frequency_point(c);
        return true;
    }
    if (s.key_code != vk::enter) return false;
    if (s.tone_active == 1 && s.freq_entry_active == 0) {
        // Also re-sends a code already on, so the radio surely has it.
        complete_tone_entry(c);
        return true;
    }
    if (s.entry_value != 999) {
        frequency_enter(c);
        return true;
    }
    return false;
}

void split_key(Context& c) {
    State& s = c.st;
    if (s.band_index == band::general) {
        say(c, "split");
        say(c, "invalid");
        return;
    }
    s.key_state = ks::normal;
    if (s.band_index >= band::m10 && s.mode_code >= mode::fm_narrow && s.mode_code <= mode::fm) {
        // On the FM bands the split key works the repeater shift instead.
        toggle_repeater(c);
        return;
    }
    if (s.vfo_b_selected == 0) {
        s.vfo_b_selected = 1;
        start_split(c);
    } else {
        end_split(c);
        say(c, "split");
        say(c, "off");
    }
}

void zero_key(Context& c) {
    say(c, "0");
    say(c, "ok");
    if (is_cw(c.st.mode_code))
        send_cat(c, "ZI");
    else
        snap_to_khz(c);
}

void preamp_key(Context& c) {
    State& s = c.st;
    s.preamp += 1;
    int limit = s.band_index >= band::m2 ? 2 : 3;
    if (s.preamp >= limit || s.preamp < 0) s.preamp = 0;
    apply_preamp(c);
}

void power_key(Context& c) {
    State& s = c.st;
    query_cat(c, "PC");
    s.power_level = reply_field(c.st.cat_reply, "PC", 3, 3).value_or(s.power_level);
    say(c, "Power");
    s.key_state = ks::power;
    say_power(c);
}

void mic_gain_key(Context& c) {
    State& s = c.st;
    say(c, "micgain");
    s.key_state = ks::mic_gain;
    s.tick_count = 0;
    say(c, "lev");
    query_cat(c, "MG");
    s.mic_gain = reply_field(c.st.cat_reply, "MG", 2, 3).value_or(s.mic_gain);
    s.mic_level_peak = s.mic_gain;
    s.mic_monitor = -1;
    say_mic_level(c);
    pause_word(c);
    s.mic_level_peak = 0;
    // The timer now reports the microphone level until the next key.
    s.mic_monitor = 1;
}

void width_key(Context& c) {
    State& s = c.st;
    if (s.mode_code == mode::am || is_fm(s.mode_code)) return;
    s.key_state = ks::width;
    say_width(c);
}

void fm_width_key(Context& c) {
    State& s = c.st;
    if (s.mode_code == mode::fm_narrow) {
        s.mode_code = mode::fm;
        s.fm_wide = 1;
    } else if (s.mode_code == mode::fm) {
        s.mode_code = mode::fm_narrow;
        s.fm_wide = 0;
    }
    show_mode(c);
    say_mode(c);
    s.key_state = ks::normal;
}

void mode_key(Context& c) {
    State& s = c.st;
    s.mode_code += 1;
    if ((s.fm_wide == 1 && s.mode_code == 8) || (s.fm_wide == 0 && s.mode_code >= mode::c4fm))
        s.mode_code = mode::lsb;
    if (s.mode_code > mode::fm || s.mode_code < mode::lsb) s.mode_code = mode::lsb;
    // FM only where it is allowed: 10 m and up, at or above 27 MHz.
    if (s.mode_code == mode::fm_narrow && (s.band_index < band::m10 || s.vfo_frequency < 27'000'000)) s.mode_code = mode::lsb;
    if (s.mode_code == mode::fm_narrow && s.fm_wide == 1)
        s.mode_code = mode::fm;
    else if (s.mode_code == mode::fm && s.fm_wide == 0)
        s.mode_code = mode::fm_narrow;
    show_mode(c);
    say_mode(c);
}

// ---- Tuning keys in states 0 and 2 -----------------------------------------

bool on_fm_channel_band(const State& s) {
    return s.band_index == band::m2 || s.band_index == band::cm70 || s.band_index == 15;
}

// A step that leaves the repeater's input frequency also leaves its shift.
void drop_repeater(Context& c) {
    if (c.st.repeater_on == 1) toggle_repeater(c);
}

// Changes vfo_frequency for the tuning keys. Returns false when the key was
// the squelch in FM, which ends the key's handling.
bool tuning_step(Context& c) {
    State& s = c.st;
    long long f = s.vfo_frequency;
    switch (s.key_code) {
        case vk::plus:
        case vk::minus:
            f += s.key_code == vk::plus ? 1'000'000 : -1'000'000;
            s.vfo_frequency = static_cast<int>(f < lowest_hz    ? lowest_hz
                                               : f > highest_hz ? highest_hz
                                                                : f);
            if (s.repeater_on == 1) toggle_repeater(c);
            return true;
        case vk::page_up:
            if (s.mode_code >= mode::am && on_fm_channel_band(s)) {
                f += 12'500;
                drop_repeater(c);
            } else {
                f += 10'000;
            }
            break;
        case vk::page_down:
            if (s.mode_code == mode::fm_narrow && on_fm_channel_band(s)) {
                f -= 12'500;
                drop_repeater(c);
            } else {
                f -= 10'000;
            }
            break;
        case vk::right:
            if (is_fm(s.mode_code)) {
                squelch_up(c);
                return false;
            }
            f += is_cw(s.mode_code) ? 10 : 100;
            break;
        case vk::left:
            if (is_fm(s.mode_code)) {
                squelch_down(c);
                return false;
            }
            f -= is_cw(s.mode_code) ? 10 : 100;
            break;
        default:
            return true;
    }
    if (f < lowest_hz) f = lowest_hz;
    if (f > highest_hz) f = highest_hz;
    s.vfo_frequency = static_cast<int>(f);
    return true;
}

// ---- The key rules ----------------------------------------------------------

// The stop and repeat keys work on what is said, never on the radio, so
// they work before the radio is connected too. A held key acts once.
bool speech_key(Context& c) {
    State& s = c.st;
    const int k = s.event_param;
    if (k != vk::escape && k != vk::backspace) return false;
    if (s.key_busy == 1) return true;
    s.key_busy = 1;
    if (k == vk::escape)
        stop_speech(c);
    else
        repeat_reading(c);
    return true;
}

// Rules up to the connection check. Returns false when the key is done.
bool preparation(Context& c) {
    State& s = c.st;
    if (s.key_busy == 1) return false;  // a held key repeats: one action only
    s.key_code = s.event_param;
    s.key_busy = 1;
    s.radio_initiated = 0;
    if (s.debug_log_on == 1) write_log_line(c, key_log_text(s.key_code));
    const int k = s.key_code;
    if (s.tune_active == 1 && k != 'S' && k != 'T') {
        say(c, "ton");
        return false;
    }
    if (s.tone_active == 1 && s.tone_code == "999" && k != vk::enter && !is_digit_key(k))
        s.tone_active = 0;
    if (k == 'Q') {
        quit_key(c);
        return false;
    }
    if (s.radio_connected == 0 || s.vfo_frequency == 0) {
        say(c, "nc");
        return false;
    }
    return true;
}

// Rules from X to the mic monitor. Returns false when the key is done.
bool early_rules(Context& c) {
    State& s = c.st;
    const int k = s.key_code;
    if (k == 'X' && s.key_state == ks::band) {
        select_band_by_key(c, 11);
        return false;
    }
    if (k == 'X') {
        extended_key(c);
        return false;
    }
    if (k == 'C' && s.key_state == ks::extended) {
        antenna_key(c);
        return false;
    }
    if (s.ant_check == 2 && k != 'S') {
        s.ant_check = 0;
        s.key_state = ks::normal;
    }
    if (k == 'S') {
        if (s.key_state == ks::band)
            select_band_by_key(c, 13);
        else if (s.tune_active == 1 || s.transmit_state > 0)
            say_swr(c);
        else
            say_s_meter(c);
        return false;
    }
    if (k == 'A' && s.key_state == ks::extended) {
        agc_key(c);
        return false;
    }
    if (k == vk::enter && s.key_state == ks::offset_sign && !offset_readout_given(c)) return false;
    if (k == vk::enter && s.key_state == ks::offset_digits && !offset_enter_accepted(c)) return false;
    if (k == 'O' && s.key_state == ks::extended) {
        if (s.band_index >= band::m10) {
            say(c, "eofs");
            s.key_state = ks::offset_sign;
            s.offset_entry.clear();
        }
        return false;
    }
    if (s.key_state == ks::af_gain && (k == vk::right || k == vk::left)) {
        if (k == vk::right)
            second_gain_up(c, s.second_af_gain, "AG1");
        else
            second_gain_down(c, s.second_af_gain, "AG1");
        return false;
    }
    if (s.key_state == ks::rf_gain && (k == vk::right || k == vk::left)) {
        if (k == vk::right)
            second_gain_up(c, s.second_rf_gain, "RG1");
        else
            second_gain_down(c, s.second_rf_gain, "RG1");
        return false;
    }
    if (s.key_state == ks::extended && k != 'M' && k != 'F' && k != 'S' && k != 'X') {
        s.key_state = ks::normal;
        return false;
    }
    if (k == vk::f(9)) monitor_key(c);
    if (k == vk::shift || k == vk::ctrl || k == vk::insert || k == vk::win) return false;
    if (s.mic_monitor >= 1 && k != vk::up && k != vk::down) {
        stop_mic_monitor(c);
        if (k == vk::f(11)) return false;
    }
    return true;
}

// Rules from the numeric pad folding to the channel keys. Returns false when
// the key is done.
bool channel_rules(Context& c) {
    State& s = c.st;
    fold_numeric_pad(s);
    const int k = s.key_code;
    if (s.key_state == ks::keyer && k != 'K' && k != vk::up && k != vk::down) leave_keyer(c);
    if (s.key_state == ks::band && (k == 'T' || k == 'U')) {
        select_band_by_key(c, k == 'T' ? 12 : 15);
        return false;
    }
    if (k == 'U') {
        next_channel(c);
        return false;
    }
    s.channel_step = 0;
    if (k != 'S' && k != 'F') s.bank_index = 99;
    if (k == 'B') {
        band_key(c);
        return false;
    }
    if (s.channel_op >= 1 && !is_digit_key(k)) {
        s.channel_op = 0;
        s.bank_digit = 0;
    }
    return true;
}

// Keys that end their handling once taken. Returns true when one did.
bool command_key(Context& c) {
    State& s = c.st;
    switch (s.key_code) {
        case vk::space:
            toggle_transmit(c);
            return true;
        case 'L':
            level_key(c);
            return true;
        case 'K':
            keyer_key(c);
            return true;
        case 'D':
            c4fm_key(c);
            return true;
        case 'I':
            tone_key(c);
            return true;
        case 'H':
            say_async(c, "help.wav");
            return true;
        default:
            break;
    }
    if ((s.key_code == 'N' && s.tone_active != 1) ||
        (s.key_code == vk::enter && (s.key_state == ks::menu_number || s.key_state == ks::menu_value))) {
        if (s.key_code == 'N')
            menu_start(c);
        else
            menu_enter(c);
        return true;
    }
    switch (s.key_code) {
        case 'O':
            options_key(c);
            return true;
        case 'C':
            s.channel_op = 1;
            say(c, "sch");
            return true;
        case 'G':
            s.channel_op = 2;
            say(c, "gch");
            return true;
        case 'A':
            s.key_state = ks::af_gain;
            say(c, "af");
            return true;
        default:
            break;
    }
    return false;
}

// Rules from E to the tuning keys. Returns false when the key is done.
bool later_rules(Context& c) {
    State& s = c.st;
    if (s.key_code == 'E') start_frequency_entry(c);
    if (entry_completion(c)) return false;
    switch (s.key_code) {
        case 'V':
            split_key(c);
            return false;
        case 'Z':
            zero_key(c);
            return false;
        case vk::f(1):
            preamp_key(c);
            break;
        case vk::f(2):
            toggle_attenuator(c);
            break;
        case vk::f(3):
            toggle_noise_blanker(c);
            break;
        case vk::f(4):
            toggle_noise_reduction(c);
            break;
        default:
            break;
    }
    if (is_digit_key(s.key_code)) {
        digit_key(c);
        return false;
    }
    switch (s.key_code) {
        case vk::f(5):
            notch_key(c);
            break;
        case vk::f(6):
            contour_key(c);
            return false;
        case vk::f(7):
            if (is_sideband(s.mode_code))
                toggle_speech_processor(c);
            else
                say(c, "na");
            return false;
        case vk::f(8):
            if (is_cw(s.mode_code))
                toggle_break_in(c);
            else
                toggle_vox(c);
            break;
        case vk::f(12):
            tuner_key(c);
            return false;
        case 'F':
            frequency_readout(c);
            return false;
        case 'P':
            power_key(c);
            return false;
        case vk::f(11):
            mic_gain_key(c);
            return false;
        case 'R':
            say(c, "rf");
            s.key_state = ks::rf_gain;
            break;
        case 'T':
            tune_key(c);
            return false;
        case 'W':
            width_key(c);
            return false;
        default:
            break;
    }
    if (s.key_state == ks::extended) {  // only M gets this far in state 14
        fm_width_key(c);
        return false;
    }
    if (s.key_code == 'M') {
        mode_key(c);
        return false;
    }
    if (s.key_code == vk::up) level_up(c);
    if (s.key_code == vk::down) level_down(c);
    if (s.key_state == ks::offset_sign && (s.key_code == vk::plus || s.key_code == vk::minus)) {
        offset_sign(c);
        return false;
    }
    return true;
}

// The last rules: tuning keys and the frequency re-send in states 0 and 2.
void tuning_rules(Context& c) {
    State& s = c.st;
    if (s.key_state != ks::normal && s.key_state != ks::width) return;
    if (!tuning_step(c)) return;
    send_cat(c, "FA" + zero_pad(s.vfo_frequency, 9));
}

}  // namespace

void handle_key_down(Context& c) {
    if (speech_key(c)) return;
    if (!preparation(c)) return;
    if (!early_rules(c)) return;
    if (!channel_rules(c)) return;
    if (command_key(c)) return;
    if (!later_rules(c)) return;
    tuning_rules(c);
}

void handle_event(Context& c) {
    begin_reading(c);
    switch (c.st.event_id) {
        case event_close:
            c.st.running = 0;
            break;
        case event_timer:
            timer_tick(c);
            tell_refusals(c);  // a key's refusal that came after its words
            break;
        case event_key_down:
            begin_key_commands(c);
            handle_key_down(c);
            end_key_commands(c);
            break;
        case event_key_up:
            c.st.key_busy = 0;
            break;
        default:
            break;
    }
    end_reading(c);
}

}  // namespace vlr
