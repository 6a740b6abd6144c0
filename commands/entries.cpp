// Entries that a key opens and later keys complete: a band picked by one
// key, a frequency typed in MHz, a repeater offset, a radio menu item, the
// next memory channel, and the frequency read-outs. The digits themselves
// are routed by digit_key, at the end of this file.
#include "commands/entries.hpp"

#include <climits>
#include <string>

#include "base/names.hpp"
#include "base/rows.hpp"
#include "base/text.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "panel/front_panel.hpp"
#include "radio/bands.hpp"
#include "radio/channels.hpp"
#include "radio/functions.hpp"
#include "radio/mode.hpp"
#include "radio/tone.hpp"
#include "speech/player.hpp"
#include "speech/values.hpp"

namespace vlr {

namespace {

void say_each(Context& c, const std::string& chars) {
    for (char ch : chars) say(c, std::string(1, ch));
}

void say_sign(Context& c, const std::string& sign) {
    if (sign == "+") say(c, "plus");
    if (sign == "-") say(c, "minus");
}

// A band's row; anything outside 1..14 (band 15 included) is general coverage.
const std::string& band_row(const State& s, int band) {
    return s.band_table[static_cast<std::size_t>(band >= 1 && band <= 14 ? band : 14)];
}

void abandon_frequency_entry(Context& c) {
    State& s = c.st;
    say(c, "invalid");
    s.key_state = ks::normal;
    s.entry_value = 0;
    s.freq_entry_active = false;
    s.entry_point_typed = false;
}

// The MHz digits are placed by how many were typed; zeros typed in front
// ("0 1 4 . 2 5") are not in entry_value and must not count, or the
// frequency would land ten times too high.
void drop_leading_zeros(State& s) {
    if (s.entry_value > 0) s.entry_int_digits = static_cast<int>(digits(s.entry_value).size());
}

// The frequency command the typed digits stand for ("FA" and nine digits, the
// MHz placed by how many were typed before the point), or "" when they can be
// none: more than three MHz digits, more than six after the point, nothing
// or zero typed (the radio has no frequency below 1 MHz), or whole MHz from
// 450 up (they never met the point's limit; the radio refuses them, and the
// band row would keep a frequency no band select can restore).
std::string typed_frequency_command(State& s, bool point_typed) {
    if (!point_typed) drop_leading_zeros(s);
    std::string nine = (s.entry_int_digits == 1   ? "00"
                        : s.entry_int_digits == 2 ? "0"
                                                  : "") +
                       digits(s.entry_value);
    if (nine.size() > 9 || s.entry_int_digits > 3) return {};
    while (nine.size() < 9) nine += "0";
    const int hz = text_num(nine);
    if (hz < 1'000'000 || hz >= 450'000'000) return {};
    return cmd::frequency_a_digits(nine);
}

// The longest value the radio's menu items take; a longer one cannot be
// meant and is not sent.
constexpr std::size_t menu_value_max = 8;

void menu_read(Context& c) {
    State& s = c.st;
    // Whatever the radio sent unasked would otherwise be read as the answer.
    pause_word(c);
    read_reply(c);
    send_cat(c, cmd::menu(s.menu_number_text));
    pause_word(c);
    read_reply(c);
    // The value follows "EX" and the six menu digits; a reply cut short has
    // no ";" and is read as far as it came.
    int end = instr(s.cat_reply, ";");
    std::string value = end == 0  ? mid(s.cat_reply, 9)
                        : end > 9 ? mid(s.cat_reply, 9, end - 9)
                                  : std::string();
    for (char ch : value) say(c, ch == '.' ? std::string("point") : std::string(1, ch));
}

void menu_set(Context& c) {
    State& s = c.st;
    bool all_digits = s.menu_value_text.find_first_not_of("0123456789") == std::string::npos;
    if (!all_digits || s.menu_value_text.size() > menu_value_max) {
        say(c, "invalid");
        return;
    }
    send_cat(c, cmd::menu(s.menu_number_text, s.menu_value_text));
    say(c, "ok");
}

}  // namespace

// ---- Band select by key -----------------------------------------------------

void select_band_by_key(Context& c, int band) {
    State& s = c.st;
    if (band == band::general_key) say(c, "band");
    store_band_row(c);
    s.band_index = band;
    s.key_state = ks::normal;
    // Before the row is applied, so the row's own tone is the one that stays.
    s.tone_code = "999";
    select_band(c);
}

// ---- Frequency entry --------------------------------------------------------

void start_frequency_entry(Context& c) {
    State& s = c.st;
    s.entry_value = 0;
    s.key_state = ks::normal;
    say(c, "EF");
    s.entry_int_digits = 0;
    s.freq_entry_active = true;
    s.entry_point_typed = false;
}

void frequency_point(Context& c) {
    State& s = c.st;
    // The value of an entry already completed is no frequency being typed.
    if (!s.freq_entry_active || s.entry_value >= 450 || s.entry_value < 1) {
        abandon_frequency_entry(c);
        return;
    }
    store_band_row(c);
    s.entry_point_typed = true;
    drop_leading_zeros(s);
    const int band = s.band_index;
    band_for_frequency(c);
    s.saved_band = s.band_index;
    // The radio stays on its band until the Enter sends the new frequency,
    // and an Enter that refuses the entry sends nothing.
    s.band_index = band;
    say(c, "point");
}

void frequency_enter(Context& c) {
    State& s = c.st;
    if (!s.freq_entry_active) return;
    s.freq_entry_active = false;
    const bool point_typed = s.entry_point_typed;
    s.entry_point_typed = false;
    // Checked before anything goes out: a refused entry must leave the radio
    // on its band, mode and frequency, and the band rows as they were.
    const std::string command = typed_frequency_command(s, point_typed);
    if (command.empty()) {
        say(c, "invalid");
        s.entry_int_digits = 0;
        return;
    }
    s.tick_count = 0;
    if (!point_typed) {
        store_band_row(c);
        band_for_frequency(c);  // all digits are MHz
        s.saved_band = s.band_index;
    }
    s.band_index = s.saved_band;
    select_band_stack(c);
    if (s.band_index < band::general_key) {
        const std::string& row = band_row(s, s.band_index);
        s.mode_code = text_num(row_mode_digit(row));
        s.vfo_b_selected = row_kind(row) == "1";
        show_mode(c);
    }
    if (s.entry_value < 25 && (s.mode_code == mode::fm_narrow || s.mode_code == mode::fm)) {
        // No FM below 25 MHz: AM is the nearest the radio allows.
        s.mode_code = mode::am;
        show_mode(c);
    }
    send_cat(c, command);
    s.band_index = s.saved_band;
    std::string preamp_digit = row_preamp_digit(band_row(s, s.band_index));
    s.preamp = preamp_digit == "1" ? 1 : preamp_digit == "2" ? 2 : 0;
    apply_preamp(c);
    say(c, "ok");
}

// ---- Repeater offset --------------------------------------------------------

void offset_sign(Context& c) {
    State& s = c.st;
    if (s.key_code == 187) {
        s.offset_entry = "+";
        say(c, "plus");
    } else {
        s.offset_entry = "-";
        say(c, "minus");
    }
    s.key_state = ks::offset_digits;
}

bool offset_enter_accepted(Context& c) {
    State& s = c.st;
    const std::size_t n = s.offset_entry.size();
    if (n < 4 || n > 5) {
        say(c, "ofs");
        say(c, "invalid");
        s.key_state = ks::normal;
        return false;
    }
    say_band(c);
    say(c, "ofs");
    say_sign(c, left(s.offset_entry, 1));
    say_each(c, mid(s.offset_entry, 2));
    say(c, "khz");
    // Three digits are kHz below 1000: stored as four, "-600" as "-0600".
    if (n == 4) s.offset_entry.insert(1, "0");
    OffsetPair pair = entered_offset(s, s.band_index);
    if (pair.sign) {
        *pair.sign = left(s.offset_entry, 1);
        *pair.digits = mid(s.offset_entry, 2, 4);
    }
    s.key_state = ks::normal;
    return true;
}

void offset_enter(Context& c) { offset_enter_accepted(c); }

bool offset_readout_given(Context& c) {
    State& s = c.st;
    if (s.repeater_on == 1) {
        say(c, "rio");
        s.key_state = ks::normal;
        return false;
    }
    OffsetPair pair = entered_offset(s, s.band_index);
    s.offset_entry = pair.sign ? *pair.sign + *pair.digits : std::string();
    say_band(c);
    say(c, "std");
    say_sign(c, left(s.offset_entry, 1));
    say_each(c, mid(s.offset_entry, mid(s.offset_entry, 2, 1) == "0" ? 3 : 2));
    say(c, "khz");
    s.key_state = ks::normal;
    return true;
}

void offset_readout(Context& c) { offset_readout_given(c); }

void start_offset_entry(Context& c) {
    State& s = c.st;
    if (s.band_index < band::m10) return;  // no repeaters below 10 m
    say(c, "eofs");
    s.key_state = ks::offset_sign;
    s.offset_entry.clear();
}

// ---- Radio menu -------------------------------------------------------------

void menu_start(Context& c) {
    State& s = c.st;
    s.key_state = ks::menu_number;
    s.menu_number_text.clear();
    say(c, "mn");
}

void menu_enter(Context& c) {
    State& s = c.st;
    if (s.key_state == ks::menu_number) {
        s.key_state = ks::menu_value;
        if (s.menu_number_text.size() == 6) {
            say(c, "mp");
            s.menu_value_text.clear();
        } else {
            say(c, "invalid");
            s.key_state = ks::normal;
        }
        return;
    }
    if (s.key_state != ks::menu_value) return;
    s.menu_busy = true;  // the poll would take the answer otherwise
    if (s.menu_value_text.empty())
        menu_read(c);
    else
        menu_set(c);
    s.key_state = ks::normal;
    s.menu_busy = false;
}

// ---- Next memory channel ----------------------------------------------------

void next_channel(Context& c) {
    State& s = c.st;
    if (s.bank_index < 0 || s.bank_index > 9) {
        say(c, "ncs");
        return;
    }
    // Ten steps come back to the channel we started from; a bank with no
    // stored channel at all has nothing to step to.
    int index = s.channel_index;
    bool found = false;
    for (int step = 0; step < 10 && !found; ++step) {
        index = (index + 1) % 10;
        if (index < 0) index += 10;
        const std::string& row =
            s.memory_channels[static_cast<std::size_t>(s.bank_index * 10 + index)];
        found = !row.empty() && !chan_empty(row);
    }
    if (!found) {
        say(c, "ncs");
        return;
    }
    s.channel_index = index;
    say(c, "channel");
    s.channel_op = 2;
    s.channel_step = 1;
    s.bank_digit = s.bank_index;  // recall from the bank just searched
    s.key_code = '0' + index;
    digit_key(c);
}

// Where a digit key goes: the bank digit of a channel, the menu number or
// value, the offset, a channel store or recall, the frequency entry, the band
// digit, or a tone code.
void digit_key(Context& c) {
    State& s = c.st;
    if (s.key_code < 48 || s.key_code > 57) return;
    if (s.key_state == ks::normal && !s.freq_entry_active && s.channel_op == 0 && !s.tone_active)
        return;
    const int d = s.key_code - 48;
    const std::string word(1, static_cast<char>(s.key_code));
    s.cat_command.clear();
    if (s.bank_digit == -1) {
        s.bank_digit = d;
        say(c, word);
        say(c, "channel");
        return;
    }
    if (s.key_state == ks::menu_number || s.key_state == ks::menu_value || s.key_state == ks::offset_digits) {
        std::string& entry = s.key_state == ks::menu_number   ? s.menu_number_text
                             : s.key_state == ks::menu_value ? s.menu_value_text
                                                : s.offset_entry;
        entry = cut(entry + word);
        say(c, word);
        return;
    }
    if (s.channel_op == 1) return store_channel(c);
    if (s.channel_op == 2 || s.channel_step == 1) return recall_channel(c);
    if (s.key_state == ks::normal && s.freq_entry_active) {
        if (!s.entry_point_typed) ++s.entry_int_digits;
        // Held at the largest number: far too long for a frequency, so the
        // Enter refuses it, and the count never wraps.
        const long long value = static_cast<long long>(s.entry_value) * 10 + d;
        s.entry_value = value > INT_MAX ? INT_MAX : static_cast<int>(value);
        say(c, word);
        return;
    }
    if (s.key_state == ks::band) {
        store_band_row(c);
        s.band_index = d == 0 ? 10 : d;
        s.vfo_b_selected = false;
        select_band(c);
        s.key_state = ks::normal;
        return;
    }
    if (s.tone_active) {
        s.tone_code = cut(s.tone_code + word);
        say(c, word);
    }
}

}  // namespace vlr
