// Tone squelch (CTCSS tone numbers and DCS codes) and the repeater shift.
//   sends: CT0x (tone mode), CN00/CN01 (tone or DCS number), OS0x (shift),
//          EX (the band's offset menu item)
#include "radio/tone.hpp"

#include <cstdio>

#include "base/names.hpp"
#include "base/rows.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "panel/front_panel.hpp"
#include "radio/bands.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

void refuse_tone(Context& c) {
    State& s = c.st;
    say(c, "invalid");
    s.tone_active = false;
    s.tone_code = "999";
    s.tone_say_on = false;
    show_status_line(c);
}

bool all_digit_chars(const std::string& t) {
    for (char ch : t)
        if (!is_digit_char(ch)) return false;
    return true;
}

// An offset in kHz as the radio's 50 kHz steps: a whole number when it
// divides evenly, otherwise with two decimals (625 kHz gives "12.50").
std::string fifty_khz_steps(const std::string& offset_digits) {
    const int khz = text_num(offset_digits);
    if (khz % 50 == 0) return digits(khz / 50);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", khz / 50.0);
    return buf;
}

// The offset menu command of a repeater band, or "" for a band without one.
std::string offset_menu_command(int band, const std::string& digits) {
    switch (band) {
        case 10:
            return cmd::menu("010316", digits);
        case 11:
            return cmd::menu("010317", digits);
        case 12:
            return cmd::menu("010318", std::string("00") + (digits.size() < 3 ? "0" : "") +
                                           fifty_khz_steps(digits));
        case 13: {
            const std::string steps = fifty_khz_steps(digits);
            return cmd::menu("010319", std::string("0") + (steps.size() < 3 ? "0" : "") + steps);
        }
        default:
            return {};
    }
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

}  // namespace

void restore_saved_tone(Context& c) {
    State& s = c.st;
    if (!restorable_tone(s.saved_tone_code)) return;
    s.tone_code = s.saved_tone_code;
    s.tone_active = true;
    send_cat(c, cmd::ctcss_tone(s.tone_code));
    send_cat(c, cmd::set(cmd::tone_mode, 1));
}

void tone_key(Context& c) {
    State& s = c.st;
    if (!is_fm(s.mode_code)) {
        say(c, "wrong");
        say(c, "mode");
        return;
    }
    s.freq_entry_active = false;
    s.key_state = ks::normal;
    if (s.tone_active) {
        send_cat(c, cmd::set(cmd::tone_mode, 0));
        s.tone_active = false;
        bool dcs = !s.tone_code.empty() && s.tone_code[0] > '4' && s.tone_is_dcs;
        say(c, dcs ? "dcs" : "ctcss");
        say(c, "off");
        s.tone_code = "999";
    } else {
        say(c, s.dcs_allowed ? "ecd" : "ec");
        s.tone_active = true;
        s.tone_code.clear();  // the digits follow
    }
}

void complete_tone_entry(Context& c) {
    State& s = c.st;
    s.tone_is_dcs = false;
    // Nothing typed is no code at all; one or two digits mean the tone
    // number the operator typed, written with the radio's three digits.
    if (s.tone_code.empty() || !all_digit_chars(s.tone_code)) return refuse_tone(c);
    if (s.tone_code.size() < 3) s.tone_code = zero_pad(text_num(s.tone_code), 3);
    const int v = text_num(s.tone_code);
    if (v > 803 || (v > 503 && v < 700) || s.tone_code.size() > 3 || (v > 49 && v < 500))
        return refuse_tone(c);
    s.tone_say_on = true;
    if (v > 499 && !s.dcs_allowed) return refuse_tone(c);
    if (v > 499) s.tone_is_dcs = true;
    apply_tone(c);
    s.tone_say_on = false;
}

void apply_tone(Context& c) {
    State& s = c.st;
    const int v = text_num(s.tone_code);
    const bool quiet = s.channel_step == 1;
    const char first = s.tone_code.empty() ? '0' : s.tone_code[0];
    if (s.tone_is_dcs) {
        send_cat(c, cmd::menu("086", first > '6' ? "3" : "0"));
        if (!quiet) {
            say(c, "dcs");
            say(c, "on");
        }
        const bool high = (v > 599 && v < 703) || (v > 799 && v < 900);
        send_cat(c, cmd::dcs_code(high, right(s.tone_code, 2)));
        return;
    }
    if (!quiet) say(c, "ctcss");
    const std::string command = cmd::ctcss_tone(s.tone_code);
    if (!quiet) {
        if (s.tone_say_on)
            say(c, "on");
        else
            for (char ch : s.tone_code) say(c, std::string(1, ch));
    }
    send_cat(c, command);
    send_cat(c, cmd::set(cmd::tone_mode, first > '4' ? 3 : 1));
}

void toggle_repeater(Context& c) {
    State& s = c.st;
    const bool quiet = s.channel_step != 0;
    if (s.repeater_on < 2 && !quiet) say(c, "repeater");
    if (s.repeater_on > 0) {
        if (s.repeater_on == 1 && !quiet) say(c, "off");
        s.repeater_on = 0;
        s.vfo_b_selected = false;
        send_cat(c, cmd::set(cmd::repeater_shift, 0));
        return;
    }
    s.repeater_on = 1;
    std::string sign;
    if (OffsetPair shift = shift_in_use(s, s.band_index)) {
        OffsetPair entered = entered_offset(s, s.band_index);
        *shift.sign = *entered.sign;
        *shift.digits = *entered.digits;
        send_cat(c, offset_menu_command(s.band_index, *shift.digits));
        sign = *shift.sign;
    }
    // A band without a repeater offset of ours gets no offset command: the
    // radio shifts by its own setting, in the "otherwise" (minus) direction.
    send_cat(c, cmd::set(cmd::repeater_shift, sign == "+" ? 1 : 2));
    if (s.channel_step != 1) say(c, "on");
    if (s.tone_active) send_cat(c, cmd::set(cmd::tone_mode, s.tone_is_dcs ? 3 : 1));
}

void band_for_frequency(Context& c) {
    State& s = c.st;
    s.band_index = band::general;
    if (s.tone_active) {
        send_cat(c, cmd::set(cmd::tone_mode, 0));
        s.tone_active = false;
        s.tone_code = "999";
    }
    s.band_index = band_of_mhz(s.entry_value);
    if (s.band_index == band::general && s.vfo_b_selected) s.vfo_b_selected = false;
}

}  // namespace vlr
