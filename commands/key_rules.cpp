// The key rules, in the order they are tried (see key_rules.hpp). The last
// row re-sends the frequency, so in the tuning states every key that no
// earlier row took keeps the radio on the frequency the program believes in.
#include "commands/key_rules.hpp"

#include "base/names.hpp"
#include "commands/entries.hpp"
#include "commands/transmit.hpp"
#include "link/log.hpp"
#include "radio/bands.hpp"
#include "radio/channels.hpp"
#include "radio/frequency.hpp"
#include "radio/functions.hpp"
#include "radio/levels.hpp"
#include "radio/mode.hpp"
#include "radio/tone.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

using enum Then;

// ---- What the keyboard itself keeps ----------------------------------------

// A held key repeats: it acts once, until it is let go.
bool take_key_press(Context& c) {
    State& s = c.st;
    if (s.key_busy) return false;
    s.key_code = s.event_param;
    s.key_busy = true;
    return true;
}

void note_key(Context& c) {
    c.st.radio_initiated = false;
    if (c.st.debug_log_on) write_log_line(c, key_log_text(c.st.key_code));
}

void fold_numeric_pad(Context& c) {
    int& k = c.st.key_code;
    if (k >= vk::pad0 && k <= vk::pad9) k -= vk::pad0 - '0';
    if (k == vk::pad_point) k = vk::point;
}

void extended_key(Context& c) {
    State& s = c.st;
    say(c, "extcm");
    const bool was_on = s.key_state == ks::extended;
    s.key_state = was_on ? ks::normal : ks::extended;
    say(c, was_on ? "off" : "on");
}

void back_to_normal(Context& c) { c.st.key_state = ks::normal; }
void ignore(Context&) {}
void say_tuning(Context& c) { say(c, "ton"); }
void say_not_connected(Context& c) { say(c, "nc"); }
void say_help(Context& c) { say_async(c, "help.wav"); }
void drop_tone_entry(Context& c) { c.st.tone_active = false; }
void end_antenna_check(Context& c) {
    c.st.ant_check = 0;
    c.st.key_state = ks::normal;
}
void forget_channel_step(Context& c) { c.st.channel_step = 0; }
void forget_bank(Context& c) { c.st.bank_index = 99; }
void end_channel_key(Context& c) {
    c.st.channel_op = 0;
    c.st.bank_digit = 0;
}

void band_6m(Context& c) { select_band_by_key(c, band::m6); }
void band_2m(Context& c) { select_band_by_key(c, band::m2); }
void band_70cm(Context& c) { select_band_by_key(c, band::cm70); }
void band_general(Context& c) { select_band_by_key(c, band::general_key); }

// ---- Conditions beyond the key and its state -------------------------------

bool tuning_carrier(const State& s) { return s.tune_active; }
bool tone_entry_abandoned(const State& s) { return s.tone_active && s.tone_code == "999"; }
bool not_connected(const State& s) { return !s.radio_connected || s.vfo_frequency == 0; }
bool antenna_check_done(const State& s) { return s.ant_check == 2; }
bool mic_monitor_on(const State& s) { return s.mic_monitor >= 1; }
bool channel_key_pending(const State& s) { return s.channel_op >= 1; }
bool no_tone_entry(const State& s) { return !s.tone_active; }
bool tone_code_typed(const State& s) { return s.tone_active && !s.freq_entry_active; }
bool frequency_typed(const State& s) { return s.entry_value != 999; }

constexpr int F1 = vk::f(1), F2 = vk::f(2), F3 = vk::f(3), F4 = vk::f(4), F5 = vk::f(5),
              F6 = vk::f(6), F7 = vk::f(7), F8 = vk::f(8), F9 = vk::f(9), F11 = vk::f(11),
              F12 = vk::f(12);

const KeyRule rules[] = {
    // Before the connection check: speech keys, the carrier, quit.
    {any_state, any_key, take_key_press, ask},
    {any_state, keys(vk::escape), stop_speech, stop},
    {any_state, keys(vk::backspace), repeat_reading, stop},
    {any_state, any_key, note_key, go_on},
    {any_state, all_keys_but('S', 'T'), say_tuning, stop, tuning_carrier},
    {any_state, all_keys_but(vk::enter, '0', '1', '2', '3', '4', '5', '6', '7', '8', '9'),
     drop_tone_entry, go_on, tone_entry_abandoned},
    {any_state, keys('Q'), quit_key, stop},
    {any_state, any_key, say_not_connected, stop, not_connected},
    // The extended state (X) and the keys it changes.
    {in(ks::band), keys('X'), band_6m, stop},
    {any_state, keys('X'), extended_key, stop},
    {in(ks::extended), keys('C'), antenna_key, stop},
    {any_state, all_keys_but('S'), end_antenna_check, go_on, antenna_check_done},
    {in(ks::band), keys('S'), band_70cm, stop},
    {any_state, keys('S'), meter_key, stop},
    {in(ks::extended), keys('A'), agc_key, stop},
    {in(ks::offset_sign), keys(vk::enter), offset_readout_given, ask},
    {in(ks::offset_digits), keys(vk::enter), offset_enter_accepted, ask},
    {in(ks::extended), keys('O'), start_offset_entry, stop},
    {in(ks::af_gain), keys(vk::right), second_af_gain_up, stop},
    {in(ks::af_gain), keys(vk::left), second_af_gain_down, stop},
    {in(ks::rf_gain), keys(vk::right), second_rf_gain_up, stop},
    {in(ks::rf_gain), keys(vk::left), second_rf_gain_down, stop},
    {in(ks::extended), all_keys_but('M', 'F', 'S', 'X'), back_to_normal, stop},
    {any_state, keys(F9), monitor_key, go_on},
    {any_state, keys(vk::shift, vk::ctrl, vk::insert, vk::win), ignore, stop},
    {any_state, keys(F11), end_mic_monitor, stop, mic_monitor_on},
    {any_state, all_keys_but(vk::up, vk::down), end_mic_monitor, go_on, mic_monitor_on},
    // Channels and bands.
    {any_state, any_key, fold_numeric_pad, go_on},
    {in(ks::keyer), all_keys_but('K', vk::up, vk::down), leave_keyer, go_on},
    {in(ks::band), keys('T'), band_2m, stop},
    {in(ks::band), keys('U'), band_general, stop},
    {any_state, keys('U'), next_channel, stop},
    {any_state, any_key, forget_channel_step, go_on},
    {any_state, all_keys_but('S', 'F'), forget_bank, go_on},
    {any_state, keys('B'), band_key, stop},
    {any_state, all_keys_but('0', '1', '2', '3', '4', '5', '6', '7', '8', '9'), end_channel_key,
     go_on, channel_key_pending},
    // Command keys.
    {any_state, keys(vk::space), toggle_transmit, stop},
    {any_state, keys('L'), level_key, stop},
    {any_state, keys('K'), keyer_key, stop},
    {any_state, keys('D'), c4fm_key, stop},
    {any_state, keys('I'), tone_key, stop},
    {any_state, keys('H'), say_help, stop},
    {any_state, keys('N'), menu_start, stop, no_tone_entry},
    {in(ks::menu_number, ks::menu_value), keys(vk::enter), menu_enter, stop},
    {any_state, keys('O'), options_key, stop},
    {any_state, keys('C'), store_key, stop},
    {any_state, keys('G'), recall_key, stop},
    {any_state, keys('A'), af_gain_key, stop},
    // Entries, switches and read-outs.
    {any_state, keys('E'), start_frequency_entry, go_on},
    {any_state, keys(vk::point), frequency_point, stop},
    {any_state, keys(vk::enter), complete_tone_entry, stop, tone_code_typed},
    {any_state, keys(vk::enter), frequency_enter, stop, frequency_typed},
    {any_state, keys('V'), split_key, stop},
    {any_state, keys('Z'), zero_key, stop},
    {any_state, keys(F1), preamp_key, go_on},
    {any_state, keys(F2), toggle_attenuator, go_on},
    {any_state, keys(F3), toggle_noise_blanker, go_on},
    {any_state, keys(F4), toggle_noise_reduction, go_on},
    {any_state, digit_keys, digit_key, stop},
    {any_state, keys(F5), notch_key, go_on},
    {any_state, keys(F6), contour_key, stop},
    {any_state, keys(F7), processor_key, stop},
    {any_state, keys(F8), break_in_or_vox_key, go_on},
    {any_state, keys(F12), tuner_key, stop},
    {any_state, keys('F'), frequency_readout, stop},
    {any_state, keys('P'), power_key, stop},
    {any_state, keys(F11), mic_gain_key, stop},
    {any_state, keys('R'), rf_gain_key, go_on},
    {any_state, keys('T'), tune_key, stop},
    {any_state, keys('W'), width_key, stop},
    {in(ks::extended), any_key, fm_width_key, stop},  // only M gets this far
    {any_state, keys('M'), mode_key, stop},
    {any_state, keys(vk::up), level_up, go_on},
    {any_state, keys(vk::down), level_down, go_on},
    {in(ks::offset_sign), keys(vk::plus, vk::minus), offset_sign, stop},
    // Tuning, and the frequency re-sent for every other key.
    {in(ks::normal, ks::width), any_key, tuning_key, stop},
};

}  // namespace

std::span<const KeyRule> key_rules() { return rules; }

}  // namespace vlr
