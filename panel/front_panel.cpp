#include "panel/front_panel.hpp"

#include "base/names.hpp"
#include "base/text.hpp"
#include "panel/text_output.hpp"

namespace vlr {

namespace {

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
        return s.tone_is_dcs ? "dcs=" + code + blanks(14) : blanks(28);
    return "ctcss=" + code + blanks(13);
}

}  // namespace

void draw_mode_label(Context& c) {
    const ModeRow* row = mode_row(c.st.mode_code);
    if (row == nullptr) return;
    set_font(c, "Ariel", 50, 700);
    move_to(c, 50, 45);
    // Every label names the main window, C4FM's too: the label belongs on
    // the panel even if nothing has named the window before.
    print_text(c, std::string(row->panel_label) + "\r\n");
}

void show_status_line(Context& c) {
    const State& s = c.st;
    set_font(c, "Ariel", 20, 20);

    status_field(c, 40, s.preamp > 0 ? "preamp" + digits(s.preamp) : blanks(14));
    status_field(c, 170, s.att_on ? "att" : blanks(4));
    status_field(c, 240, s.nb_on ? "nb" : blanks(4));
    status_field(c, 310, s.nr_on ? "nr" : blanks(3));
    status_field(c, 360, s.notch_on ? "notch" : blanks(9));
    status_field(c, 460, s.contour_on > 0 ? "Cont." : blanks(8));
    bool sideband = is_sideband(s.mode_code);
    status_field(c, 550, s.speech_proc_on > 0 && sideband ? "spc" : blanks(7));
    if (s.mode_code == mode::cw)
        status_field(c, 620, s.break_in_on ? "bin " : blanks(5));
    else
        status_field(c, 620, s.vox_on ? "vox" : blanks(5));
    // The monitor's blanks follow the 620 field wherever it ended, as the
    // panel always drew them.
    if (s.monitor_on)
        status_field(c, 690, "mon");
    else
        print_text(c, blanks(11));
    status_field(c, 780, tone_field_text(s));

    // The other fields are drawn in the large font.
    set_font(c, "Ariel", 50, 700);
}

void show_refusal(Context& c, const std::string& command) {
    // As wide as the longest refusal shown, so the next one covers it.
    constexpr std::size_t field_width = 60;
    std::string text = command.empty() ? "" : "refused " + command;
    text.resize(field_width, ' ');
    set_font(c, "Ariel", 20, 20);
    move_to(c, 40, 280);
    print_text(c, text);
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
               "F1=Preamp F2=Attenuator F3=Noise Blanker F4=Noise Reduction F5=Notch F6=Contour "
               "F7=Speech Proc.\r\n");
    move_to(c, 140, 430);
    print_text(c, "Esc=Stop speech  Backspace=Say again\r\n");
}

}  // namespace vlr
