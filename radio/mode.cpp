// The mode: what selecting a mode does to the radio (see mode.hpp).
#include "radio/mode.hpp"

#include "base/names.hpp"
#include "base/rows.hpp"
#include "base/text.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "panel/front_panel.hpp"
#include "radio/frequency.hpp"
#include "radio/levels.hpp"
#include "radio/tone.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

bool band_has_row(int band) { return band >= band::m160 && band <= band::general; }

// The squelch level only exists in FM; its reply also tells the band-row
// logic that the radio answered in this mode.
void read_squelch(Context& c) {
    read_reply(c);  // whatever arrived before belongs to earlier commands
    pause_word(c);
    send_cat(c, cmd::ask(cmd::ask_squelch));
    pause_word(c);
    read_reply(c);
    c.st.band_row_valid = instr(c.st.cat_reply, "SQ");
    if (c.st.band_row_valid > 0) c.st.squelch_level = text_num_rounded(mid(c.st.cat_reply, 4, 3));
}

// Outside FM the band's own frequency and width go with the mode.
void apply_band_row(Context& c) {
    State& s = c.st;
    if (!band_has_row(s.band_index)) return;  // no row to take a frequency from
    // A damaged row (a savmem.dat line) has no frequency to go to: the radio
    // stays where it is rather than being sent to 0 Hz.
    const std::string digits =
        row_vfo_a_digits(s.band_table[static_cast<std::size_t>(s.band_index)]);
    if (all_digits(digits, 9)) {
        s.vfo_frequency = text_num(digits);
        send_vfo_frequency(c);
    }
    if (s.mode_code < mode::am) send_width(c);
    set_band_row_mode(c);
}

}  // namespace

void show_mode(Context& c) {
    State& s = c.st;
    s.width_quiet = true;

    if (s.repeater_on == 1) toggle_repeater(c);
    if (s.tone_active) {
        send_cat(c, cmd::set(cmd::tone_mode, 0));
        s.tone_code = "999";
        s.tone_active = false;
    }

    // Each mode brings back its stored filter width.
    const std::string* command = mode_command(s, s.mode_code);
    if (command != nullptr) {
        if (is_sideband(s.mode_code)) s.width_index = s.ssb_width;
        if (is_cw(s.mode_code)) s.width_index = s.cw_width;
        s.cat_command = *command;
        draw_mode_label(c);
    }

    // A mode the radio reported itself is only shown, not sent back. A mode
    // outside the table has no command: sending whatever cat_command held
    // last would repeat an unrelated command.
    if (!s.radio_initiated && command != nullptr) send_command(c);

    send_cat(c, cmd::set(cmd::narrow, s.mode_code == mode::cw && s.width_index < 11));
    show_status_line(c);

    if (is_fm(s.mode_code)) {
        read_squelch(c);
    } else if (!s.channel_applied) {
        apply_band_row(c);
    }
    // A recalled channel brings its own frequency; that holds for the
    // recall's own mode display only, later mode changes take the band row.
    s.channel_applied = false;
}

void set_band_row_mode(Context& c) {
    State& s = c.st;
    if (s.radio_initiated) return;
    // A mode without a table row is no mode: it must not become the band's.
    if (!band_has_row(s.band_index) || mode_row(s.mode_code) == nullptr) return;
    std::string& row = s.band_table[static_cast<std::size_t>(s.band_index)];
    row = cut(left(row, 1) + static_cast<char>('0' + s.mode_code) + right(row, 24));
}

}  // namespace vlr
