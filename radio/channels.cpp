// The hundred memory channels, and applying a band row.
//   sends: FA/FB, MD0x (through show_mode), PA (preamp), CT/CN (tone), OS and
//          EX (repeater shift and offset), ST (split off)
#include "radio/channels.hpp"

#include "base/names.hpp"
#include "base/rows.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "memory/bank_file.hpp"
#include "memory/channel_names.hpp"
#include "panel/front_panel.hpp"
#include "panel/text_output.hpp"
#include "radio/bands.hpp"
#include "radio/functions.hpp"
#include "radio/mode.hpp"
#include "radio/tone.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

// A channel entry number from the bank and channel digits, inside 0..99.
int channel_slot(int bank, int channel) {
    const int slot = bank * 10 + channel;
    return slot >= 0 && slot <= 99 ? slot : 0;
}

int preamp_from_digit(const std::string& d) { return d == "1" ? 1 : d == "2" ? 2 : 0; }

// The repeater part of a channel record (characters 16..24): the shift in
// use on a repeater band; a band without one records the minus shift the
// radio was given and no offset of ours.
std::string repeater_part(State& s) {
    if (OffsetPair shift = shift_in_use(s, s.band_index))
        return left(*shift.sign + " ", 1) + "0000" + right("0000" + *shift.digits, 4);
    return "-00000000";
}

std::string build_channel_record(State& s) {
    const std::string& row = s.band_table[static_cast<std::size_t>(safe_band(s.band_index))];
    const std::string band = band_digits(safe_band(s.band_index));
    std::string record;
    if (s.repeater_on == 1) {
        record = "5" + digit_of(s.mode_code) + band + mid(row, 3, 11) + repeater_part(s);
    } else {
        record = digit_of(s.vfo_b_selected) + digit_of(s.mode_code) + band;
        if (safe_band(s.band_index) == 14) {
            const std::string nine = nine_digits(s.vfo_frequency);
            record += "A" + nine + "B" + nine;
        } else {
            s.vfo_a_text = row_vfo_a_body(row);
            // VFO B: the same frequency unless split; in split the last VFO B
            // frequency the radio reported, or the row's when none came yet.
            if (!s.vfo_b_selected || !all_digits(mid(s.vfo_b_text, 2, 9), 9) ||
                left(s.vfo_b_text, 1) != "B")
                s.vfo_b_text =
                    "B" + (!s.vfo_b_selected ? right(s.vfo_a_text, 9) : row_vfo_b_digits(row));
            record += s.vfo_a_text + s.vfo_b_text;
        }
    }
    const bool tone_on = s.tone_active && all_digits(s.tone_code, 3);
    record += tone_on ? s.tone_code : "999";
    record += digit_of(s.preamp);
    return cut(record);
}

// The offset of a recalled repeater channel, sent only when the band has a
// repeater offset menu; bands 12 and 13 count it in 50 kHz steps.
void send_recalled_offset(Context& c, const std::string& sign, const std::string& offset) {
    State& s = c.st;
    OffsetPair shift = shift_in_use(s, s.band_index);
    if (!shift) return;
    *shift.sign = sign;
    *shift.digits = offset;
    std::string value;
    if (s.band_index >= band::m2) {
        const std::string q = digits(text_num(offset) / 50);
        value = (q.size() == 2 ? "00" : "0") + q;
    } else {
        value = offset;
    }
    send_cat(c, cmd::menu("0103" + std::to_string(6 + s.band_index), value));
}

// "14.200000" from "FA014200000": the MHz digits lose up to two leading zeros.
std::string band_frequency_text(const std::string& command) {
    std::string mhz = mid(command, 3, 3);
    for (int i = 0; i < 2 && !mhz.empty() && mhz[0] == '0'; ++i) mhz.erase(0, 1);
    return mhz + "." + right(command, 6);
}

}  // namespace

void store_channel(Context& c) {
    State& s = c.st;
    const int d = s.key_code - 48;
    say(c, std::string(1, static_cast<char>('0' + d)));
    const int n = channel_slot(s.bank_digit, d);
    s.memory_channels[static_cast<std::size_t>(n)] = build_channel_record(s);
    // A save that failed has said so instead.
    if (save_memory_file(c)) say(c, "ok");
    s.channel_op = 0;
}

void recall_channel(Context& c) {
    State& s = c.st;
    const int d = s.key_code - 48;
    say(c, std::string(1, static_cast<char>('0' + d)));
    s.recall_slot = channel_slot(s.bank_digit, d);
    s.bank_index = s.bank_digit;
    s.channel_index = d;
    const std::string record = s.memory_channels[static_cast<std::size_t>(s.recall_slot)];
    // An empty text (a line missing from the file) holds nothing either.
    if (record.empty() || chan_empty(record)) {
        say(c, "invalid");
        s.channel_op = 0;
        s.bank_index = 99;
        return;
    }
    if (c.text_speech) say_text(c, read_channel_names(c.paths, s)[static_cast<std::size_t>(s.recall_slot)]);
    s.tick_count = 0;
    const std::string kind = chan_kind(record);
    const bool repeater = kind == "5";
    if (repeater) {
        s.vfo_b_selected = false;
    } else if (kind == "1") {
        s.vfo_b_selected = true;
        if (s.channel_step != 1) say(c, "split");
        send_cat(c, cmd::set(cmd::split, true));
    } else {
        s.vfo_b_selected = false;
        send_cat(c, cmd::set(cmd::split, false));
    }
    if (repeater) s.repeater_on = 1;

    s.band_index = safe_band(text_num(chan_band_digits(record)));
    select_band_stack(c);
    s.saved_vfo_a = chan_vfo_a_body(record);
    send_cat(c, cmd::frequency_a_digits(chan_vfo_a_digits(record)));

    s.mode_code = text_num(chan_mode_digit(record));
    s.channel_applied = true;
    show_mode(c);

    if (repeater) {
        const std::string sign = chan_shift_sign(record);
        if (s.band_row_valid > 0) send_recalled_offset(c, sign, chan_shift_digits(record));
        s.repeater_on = 0;
        send_cat(c, cmd::set(cmd::repeater_shift, sign == "+" ? 1 : 2));
        say(c, "repeater");
        say(c, "on");
        s.repeater_on = 1;
    }

    s.channel_recalled = true;
    s.tone_code = chan_tone(record);
    if ((s.mode_code == mode::fm_narrow || s.mode_code == mode::fm) && s.tone_code != "999") {
        s.tone_active = true;
        // A CTCSS channel after a DCS one must not keep the DCS flag.
        s.tone_is_dcs = text_num(s.tone_code) > 499;
        s.tone_say_on = false;
        apply_tone(c);
        s.tone_active = true;
    } else {
        s.tone_active = false;
        s.tone_code = "999";
        send_cat(c, cmd::set(cmd::tone_mode, 0));
    }
    s.preamp = preamp_from_digit(chan_preamp_digit(record));
    send_cat(c, cmd::set(cmd::preamp_hf, s.preamp));
    s.channel_op = 0;
}

void select_band(Context& c) {
    State& s = c.st;
    // Keep the band among those the radio has; 15 is the general-coverage key.
    struct Wrap {
        const char* top;
        int below, above, to_top;
    };
    static const Wrap wraps[] = {
        {"1", 0, 11, 10}, {"6", 0, 12, 11}, {"2", 0, 13, 12}, {"7", 0, 14, 13}};
    for (const Wrap& w : wraps) {
        if (s.top_band != w.top) continue;
        if (s.band_index == w.below)
            s.band_index = w.to_top;
        else if (s.band_index == w.above)
            s.band_index = band::m160;
    }
    if (s.band_index == band::general_key) s.band_index = band::general;
    s.band_index = safe_band(s.band_index);
    const std::string row = s.band_table[static_cast<std::size_t>(s.band_index)];

    move_to(c, 50, 45);
    s.tick_count = 0;
    if (s.vfo_b_selected) send_cat(c, cmd::set(cmd::split, false));
    if (s.tone_active) {
        s.tone_active = false;
        s.tone_code = "999";
        send_cat(c, cmd::set(cmd::tone_mode, 0));
    }
    select_band_stack(c);

    const std::string command = cmd::vfo_frequency(row_vfo_a_body(row));
    s.freq_text = band_frequency_text(command);
    send_cat(c, command);

    s.mode_code = text_num(row_mode_digit(row));
    show_mode(c);
    if (row_kind(row) == "5") {
        s.repeater_on = 0;
        toggle_repeater(c);
    }

    s.tone_code = row_tone(row);
    s.saved_vfo_a = row_vfo_a_body(row);
    if ((s.mode_code == mode::fm_narrow || s.mode_code == mode::fm) && s.tone_code != "999" && s.tone_code != "000") {
        s.tone_active = true;
        const char first = s.tone_code.empty() ? '0' : s.tone_code[0];
        const bool dcs = first > '4';
        s.tone_is_dcs = dcs;  // keeps the flag true to the code shown
        if (dcs)
            send_cat(c, cmd::dcs_code(first == '6', right(s.tone_code, 2)));
        else
            send_cat(c, cmd::ctcss_tone(s.tone_code));
        send_cat(c, cmd::set(cmd::tone_mode, 1));
        say(c, dcs ? "dcs" : "ctcss");
        for (char ch : s.tone_code) say(c, std::string(1, ch));
    }
    s.preamp = preamp_from_digit(row_preamp_digit(row));
    apply_preamp(c);
    s.width_quiet = true;
    s.skip_freq_reply = true;
}

void store_key(Context& c) {
    c.st.channel_op = 1;
    say(c, "sch");
}

void recall_key(Context& c) {
    c.st.channel_op = 2;
    say(c, "gch");
}

}  // namespace vlr
