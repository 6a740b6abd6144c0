#include "panel/front_panel.hpp"

#include "app/text.hpp"
#include "link/cat.hpp"
#include "panel/text_output.hpp"
#include "radio/frequency.hpp"
#include "radio/levels.hpp"
#include "radio/rows.hpp"
#include "radio/tone.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

// Which stored filter width a mode brings back when it is selected.
enum class WidthRestore { none, ssb, cw };

struct ModeRow {
    // Each label carries enough trailing blanks to cover the longest label
    // drawn before it: the panel never clears, it only overdraws.
    const char* label;
    std::string State::*command;
    WidthRestore width;
};

// Rows by mode_code 1..7.
const ModeRow mode_table[] = {
    {"LSB    ", &State::mode_cmd_lsb, WidthRestore::ssb},
    {"USB    ", &State::mode_cmd_usb, WidthRestore::ssb},
    {"CW      ", &State::mode_cmd_cw, WidthRestore::cw},
    {"AM     ", &State::mode_cmd_am, WidthRestore::none},
    {"FMN     ", &State::mode_cmd_fmn, WidthRestore::none},
    {"C4FM  ", &State::mode_cmd_c4fm, WidthRestore::none},
    {"FM      ", &State::mode_cmd_fm, WidthRestore::none},
};

const ModeRow* mode_row(int mode_code) {
    if (mode_code < 1 || mode_code > 7) return nullptr;
    return &mode_table[mode_code - 1];
}

bool is_fm_mode(int mode_code) { return mode_code == 5 || mode_code == 7; }

bool band_has_row(int band) { return band >= 1 && band <= 14; }


// The squelch level only exists in FM; its reply also tells the band-row
// logic that the radio answered in this mode.
void read_squelch(Context& c) {
    read_reply(c);  // whatever arrived before belongs to earlier commands
    pause_word(c);
    send_cat(c, "SQ0");
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
    if (s.mode_code < 4) send_width(c);
    set_band_row_mode(c);
}

std::string blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

void status_field(Context& c, int x, const std::string& text) {
    move_to(c, x, 250);
    print_text(c, text);
}

std::string tone_field_text(const State& s) {
    const std::string& code = s.tone_code;
    if (code == "999" || code == "000") return blanks(30);
    // Compared as text: a first digit 5..9 marks a DCS code.
    if (!code.empty() && static_cast<unsigned char>(code[0]) > '4')
        return s.tone_is_dcs == 1 ? "dcs=" + code + blanks(14) : blanks(28);
    return "ctcss=" + code + blanks(13);
}

}  // namespace

void show_mode(Context& c) {
    State& s = c.st;
    set_font(c, "Ariel", 50, 700);
    move_to(c, 50, 45);
    s.width_quiet = 1;

    if (s.repeater_on == 1) toggle_repeater(c);
    if (s.tone_active == 1) {
        send_cat(c, "CT00");
        s.tone_code = "999";
        s.tone_active = 0;
    }

    const ModeRow* row = mode_row(s.mode_code);
    if (row != nullptr) {
        if (row->width == WidthRestore::ssb) s.width_index = s.ssb_width;
        if (row->width == WidthRestore::cw) s.width_index = s.cw_width;
        s.cat_command = s.*(row->command);
        // Every label names the main window, C4FM's too: the label belongs on
        // the panel even if nothing has named the window before.
        print_text(c, std::string(row->label) + "\r\n");
    }

    // A mode the radio reported itself is only shown, not sent back. A mode
    // outside the table has no command: sending whatever cat_command held
    // last would repeat an unrelated command.
    if (s.radio_initiated == 0 && row != nullptr) send_command(c);

    send_cat(c, s.mode_code == 3 && s.width_index < 11 ? "NA01" : "NA00");
    show_status_line(c);

    if (is_fm_mode(s.mode_code)) {
        read_squelch(c);
    } else if (s.channel_applied == 0) {
        apply_band_row(c);
    }
    // A recalled channel brings its own frequency; that holds for the
    // recall's own mode display only, later mode changes take the band row.
    s.channel_applied = 0;
}

void set_band_row_mode(Context& c) {
    State& s = c.st;
    if (s.radio_initiated != 0) return;
    // A mode without a table row is no mode: it must not become the band's.
    if (!band_has_row(s.band_index) || mode_row(s.mode_code) == nullptr) return;
    std::string& row = s.band_table[static_cast<std::size_t>(s.band_index)];
    row = cut(left(row, 1) + static_cast<char>('0' + s.mode_code) + right(row, 24));
}

void show_status_line(Context& c) {
    const State& s = c.st;
    set_font(c, "Ariel", 20, 20);

    status_field(c, 40, s.preamp > 0 ? "preamp" + digits(s.preamp) : blanks(14));
    status_field(c, 170, s.att_on == 1 ? "att" : blanks(4));
    status_field(c, 240, s.nb_on == 1 ? "nb" : blanks(4));
    status_field(c, 310, s.nr_on == 1 ? "nr" : blanks(3));
    status_field(c, 360, s.notch_on == 1 ? "notch" : blanks(9));
    status_field(c, 460, s.contour_on > 0 ? "Cont." : blanks(8));
    bool sideband = s.mode_code == 1 || s.mode_code == 2;
    status_field(c, 550, s.speech_proc_on > 0 && sideband ? "spc" : blanks(7));
    if (s.mode_code == 3)
        status_field(c, 620, s.break_in_on == 1 ? "bin " : blanks(5));
    else
        status_field(c, 620, s.vox_on == 1 ? "vox" : blanks(5));
    // The monitor's blanks follow the 620 field wherever it ended, as the
    // panel always drew them.
    if (s.monitor_on == 1)
        status_field(c, 690, "mon");
    else
        print_text(c, blanks(11));
    status_field(c, 780, tone_field_text(s));

    // The other fields are drawn in the large font.
    set_font(c, "Ariel", 50, 700);
}

void print_banner_and_help(Context& c) {
    move_to(c, 280, 10);
    print_text(c, c.st.banner_text + "  " + "Talking front panel for Yaesu radios" + "\r\n");
    move_to(c, 140, 380);
    print_text(c,
               "b=Band  f=Freq  e=Entry m=Mode  w=Filter width p=Power a=af gain r=RF gain q=Quit  "
               "s=SMeter/swr\r\n");
    move_to(c, 140, 405);
    print_text(c,
               "F1=Preamp F2=Attenuator F3=Noise Blanker F4=Noise Reduction F5=Notch F6=Speech "
               "Proc.\r\n");
}

}  // namespace vlr
