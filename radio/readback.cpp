// The start-up read-back: make sure the expected radio (model 0840) is on the
// line, put it into the state of the current band row, and take over the
// settings the program cannot decide by itself from the radio's answers.
//   reads: ID, GT0, AG0/AG1, ML0/ML1, PC, PR0, VX, BI, and the row's
//          settings;  sends: GT02/AG0030 when those go unanswered, PS0 on a
//          wrong radio when asked to switch it off
#include "radio/readback.hpp"

#include "base/names.hpp"
#include "base/rows.hpp"
#include "base/text.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "link/log.hpp"
#include "link/ports.hpp"
#include "link/reply.hpp"
#include "memory/bank_file.hpp"
#include "panel/front_panel.hpp"
#include "radio/bands.hpp"
#include "radio/mode.hpp"
#include "radio/tone.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

constexpr int expected_radio = 840;

// The identity is asked up to this many times, each time waiting this many
// pauses for the answer: about two seconds in all.
constexpr int identity_asks = 4;
constexpr int pauses_per_ask = 3;

const std::string& current_row(const State& s) {
    static const std::string none;
    if (s.band_index < band::m160 || s.band_index > band::general) return none;
    return s.band_table[static_cast<std::size_t>(s.band_index)];
}

// Not our radio: nothing may be left running or unsaved, and the radio is
// switched off when the operator asked for that on exit.
void end_without_radio(Context& c) {
    State& s = c.st;
    say(c, "rnvlr.wav");
    if (c.window) c.window->stop_timer(1);
    save_memory_file(c);
    if (c.window) c.window->close();
    s.main_window.open = false;
    if (s.power_off_on_exit) {
        send_cat(c, cmd::set(cmd::power_switch, false));
        pause_word(c);
    }
    close_port(c, s.radio_port);
    close_debug_log(c);
}

// An FM row with the repeater flag: the shift in use takes the row's sign and
// offset and the radio gets the band's offset menu item and the direction.
void apply_row_shift(Context& c, const std::string& row) {
    State& s = c.st;
    s.repeater_on = 1;
    const std::string sign = row_shift_sign(row);
    const std::string offset = row_shift_digits(row);
    // The 2 m and 70 cm menu items take the offset in 50 kHz steps.
    const std::string steps = zero_pad(text_num(offset) / 50, 4);
    // Only bands 10..13 have an offset menu item; elsewhere only the direction goes out.
    if (OffsetPair shift = shift_in_use(s, s.band_index)) {
        static const char* const menu_item[] = {"010316", "010317", "010318", "010319"};
        *shift.sign = sign;
        *shift.digits = offset;
        const bool in_steps = s.band_index >= band::m2;  // 2 m and 70 cm
        send_cat(c, cmd::menu(menu_item[s.band_index - 10], in_steps ? steps : offset));
    }
    send_cat(c, cmd::set(cmd::repeater_shift, sign == "+" ? 1 : 2));
}

void apply_row_fm_settings(Context& c, const std::string& row) {
    State& s = c.st;
    if (row_kind(row) != "5") {
        s.repeater_on = 2;  // switches the shift off without words
        toggle_repeater(c);
    } else {
        apply_row_shift(c, row);
    }
    const std::string tone = row_tone(row);
    // A damaged row tone is treated as no tone rather than sent to the radio.
    if (tone != "999" && all_digits(tone, 3)) {
        s.tone_code = tone;
        s.tone_active = true;
        if (text_num(tone) > 499) s.tone_is_dcs = true;
        apply_tone(c);
    }
}

void read_agc(Context& c) {
    State& s = c.st;
    query_cat(c, cmd::ask(cmd::ask_agc));
    if (const auto agc = reply_field(s.cat_reply, "GT0", 3, 1)) {
        s.agc_setting = *agc;
    } else {
        s.agc_setting = 2;
        send_cat(c, cmd::set(cmd::agc, 2));
    }
}

// An unanswered gain is set to a known value on the radio as well.
void read_af_gain(Context& c, cmd::Level level, int& gain) {
    State& s = c.st;
    query_cat(c, cmd::ask({level.code}));
    if (const auto answered = reply_field(s.cat_reply, "AG", 3, 3)) {
        gain = *answered;
    } else {
        gain = 30;
        send_cat(c, cmd::set(level, 30));
    }
}

void read_monitor(Context& c) {
    State& s = c.st;
    query_cat(c, cmd::ask(cmd::ask_monitor));
    if (reply_field(s.cat_reply, "ML0", 3, 1) == 1) s.monitor_on = true;
    query_cat(c, cmd::ask(cmd::ask_monitor_level));
    s.monitor_level = reply_field(s.cat_reply, "ML1", 3, 3).value_or(s.monitor_level);
}

// The 10 W transmitter answers "PC1..."; the 100 W one, or silence, means 1.
void read_variant(Context& c) {
    State& s = c.st;
    query_cat(c, cmd::ask(cmd::power));
    s.radio_variant = 1;
    if (reply_field(s.cat_reply, "PC", 2, 1) == 1) s.radio_variant = 0;
}

void read_speech_processor(Context& c) {
    State& s = c.st;
    query_cat(c, cmd::ask(cmd::ask_processor));
    s.speech_proc_on = false;
    if (reply_field(s.cat_reply, "PR", 3, 1) == 1) s.speech_proc_on = true;
}

// "VX1;" / "BI1;": anything but 0 or 1 is taken as off.
void read_switch(Context& c, cmd::Switch sw, bool& on) {
    State& s = c.st;
    query_cat(c, cmd::ask({sw.code}));
    if (s.cat_reply.find(sw.code) != std::string::npos)
        on = reply_field(s.cat_reply, sw.code, 2, 1) == 1;
}

// The radio's identity, 0 when none came. What waited on the line before
// (bytes of an earlier program, noise while the radio powered up) is cleared
// first; a radio that answers late, or whose answer is lost in noise, is
// given more time and asked again. The answer counts wherever it stands
// among the replies; one that names another radio ends the asking.
int ask_identity(Context& c) {
    State& s = c.st;
    clear_radio_input(c);
    for (int ask = 0; ask < identity_asks; ++ask) {
        send_cat(c, cmd::ask(cmd::identity));
        for (int wait = 0; wait < pauses_per_ask; ++wait) {
            pause_word(c);
            read_reply(c);
            if (const auto id = reply_field(s.cat_reply, "ID", 2, 4)) return *id;
        }
    }
    return 0;
}

}  // namespace

bool read_back_radio(Context& c) {
    State& s = c.st;

    s.radio_id = ask_identity(c);
    if (s.radio_id != expected_radio) {
        end_without_radio(c);
        return false;
    }

    send_cat(c, cmd::menu("030703", "0"));
    send_cat(c, cmd::antenna(1));

    select_band_stack(c);
    pause_word(c);

    const std::string row = current_row(s);
    // A damaged row must not put a malformed frequency command on the line.
    if (row_vfo_a_body(row).size() == 10 && row_vfo_a_body(row)[0] == 'A' &&
        all_digits(row_vfo_a_digits(row), 9))
        send_cat(c, cmd::vfo_frequency(row_vfo_a_body(row)));

    s.mode_code = text_num_rounded(row_mode_digit(row));
    if (s.mode_code == mode::fm) s.fm_wide = true;
    s.saved_mode = s.mode_code;
    show_mode(c);
    show_mode(c);

    s.tone_code = "999";
    s.tone_active = false;
    s.tone_is_dcs = false;
    if (s.mode_code >= mode::fm_narrow && s.mode_code <= mode::fm) apply_row_fm_settings(c, row);

    send_cat(c, cmd::set(cmd::attenuator, false));
    send_cat(c, cmd::set(cmd::noise_blanker, 0));
    s.agc_setting = 2;
    send_cat(c, cmd::set(cmd::contour_full, 0));

    read_agc(c);
    s.tuner_engaged = false;
    read_af_gain(c, cmd::af_gain, s.main_af_gain);
    read_af_gain(c, cmd::second_af_gain, s.second_af_gain);
    read_monitor(c);
    read_variant(c);
    read_speech_processor(c);

    query_cat(c,
              cmd::ask(cmd::ask_tuner));  // the answer does not matter: the configuration decides
    send_cat(c, cmd::fixed(s.tuner_mode == tuner::automatic || s.tuner_mode == tuner::both
                               ? cmd::tuner_on
                               : cmd::tuner_off));

    read_switch(c, cmd::vox, s.vox_on);
    read_switch(c, cmd::break_in, s.break_in_on);

    show_status_line(c);

    // The preamp command follows with the first frequency reply.
    const std::string preamp = row_preamp_digit(row);
    s.preamp = preamp == "1" ? 1 : preamp == "2" ? 2 : 0;

    if (passthru_in_use(s)) {
        open_serial(c, s.passthru_port);
        say_if_not_permitted(c, s.passthru_port);
    }
    return true;
}

}  // namespace vlr
