#include "speech/values.hpp"

#include <cmath>
#include <string>

#include "base/text.hpp"
#include "base/names.hpp"
#include "panel/text_output.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

// One character of a text as a word; past the end it is the empty name,
// which the player skips like the blank in front of a short number.
void say_char(Context& c, const std::string& text, int pos) { say(c, mid(text, pos, 1)); }

}  // namespace

void say_mode(Context& c) {
    if (c.st.channel_step == 1) return;
    const ModeRow* row = mode_row(c.st.mode_code);
    if (row == nullptr) return;
    for (const char* word : row->words)
        if (word != nullptr) say(c, word);
}

// The decimals are spoken only as far as a non-zero digit remains, so
// 14.250000 ends "2" "5" "mhz". Positions run to 11, the end of the
// right-aligned ten-character text with room for one more digit.
void say_frequency(Context& c) {
    const State& s = c.st;
    if (s.channel_step == 1) return;
    const std::string f = s.freq_text;
    if (f.empty()) {
        say(c, "nc");
        return;
    }
    const int p = instr(f, ".");
    if (!s.vfo_b_selected && s.repeater_on == 1) say(c, "repeater");
    if (s.tx_announce && s.repeater_on == 1) say(c, "tx");
    if (s.vfo_b_selected && s.repeater_on == 0 && !s.tx_announce) say(c, "vfob");
    for (int i = 1; i <= p - 1; ++i) say_char(c, f, i);
    if (right(f, 6) == "000000") {
        say(c, "mhz");
        return;
    }
    say(c, "point");
    for (int i = p + 1; i <= 11; ++i) {
        say_char(c, f, i);
        if (text_num(mid(f, i + 1, 11 - i)) == 0) {
            say(c, "mhz");
            return;
        }
    }
    say(c, "mhz");
}

// Sideband widths in kHz with one decimal (index 9 is 1.8 kHz, 21 is 3.1),
// every other mode in Hz (index × 50, with 800 and 1200 Hz at 11 and 12).
void say_width(Context& c) {
    const int w = c.st.width_index;
    say(c, "bw");
    if (c.st.mode_code < mode::cw) {
        say(c, w < 11 ? "1.wav" : w <= 19 ? "2.wav" : "3.wav");
        say(c, "point");
        if (w == 9) say(c, "8.wav");
        else if (w == 10) say(c, "9.wav");
        else if (w >= 11 && w <= 19) say(c, right(num_text(w - 10), 1));
        else if (w == 20) say(c, "0.wav");
        else if (w == 21) say(c, "1.wav");
        say(c, "khz");
        return;
    }
    if (w == 11) {
        say(c, "8"), say(c, "0");
    } else if (w == 12) {
        say(c, "1"), say(c, "2"), say(c, "0");
    } else {
        const int h = w / 2;
        if (h > 0) say(c, digits(h));
        say(c, w % 2 == 0 ? "0" : "5");
    }
    say(c, "0");
    say(c, "hz");
}

void say_power(Context& c) {
    const std::string t = num_text(c.st.power_level);
    say_char(c, t, 2);
    if (t.size() > 2) say_char(c, t, 3);
    if (t.size() == 4) say(c, right(t, 1));
    say(c, "watts");
}

void say_band(Context& c) {
    static const char* const names[] = {"160", "80", "60", "40", "30", "20", "17",
                                        "15",  "12", "10", "6",  "2",  "70", "un"};
    const int b = c.st.band_index;
    if (b >= 1 && b <= 14) say(c, names[b - 1]);
    if (b < 14) say(c, "metres");
}

void say_mic_level(Context& c) {
    if (c.st.mic_monitor == 1) {
        say(c, "alc");
        c.st.mic_monitor = 2;
    }
    const std::string t = num_text(c.st.mic_level_peak);
    for (int i = 2; i <= static_cast<int>(t.size()); ++i) say_char(c, t, i);
    // The monitor's tick count restarts so the next report comes a full
    // interval after this one has been spoken.
    c.st.tick_count = 0;
}

void say_keyer_speed(Context& c) {
    const int k = c.st.keyer_speed;
    if (k > 9) say(c, digits(k / 10));
    say(c, digits(k % 10));
    say(c, "wpm");
}

// Speaks the S unit and writes it in the S-meter field. Both happen even
// while speech is muted: an S-meter report the radio sends of its own accord
// updates the panel silently.
void say_s_meter(Context& c) {
    struct Unit {
        int above;
        const char* word;
        const char* text;
    };
    static const Unit units[] = {
        {108, "8.wav", "S8  "}, {96, "7.wav", "S7  "}, {82, "6.wav", "S6  "},
        {68, "5.wav", "S5  "},  {54, "4.wav", "S4  "}, {40, "3.wav", "S3  "},
        {20, "2.wav", "S2  "},  {10, "1.wav", "S1  "},
    };
    const int r = c.st.s_meter_value;
    move_to(c, 750, 45);
    say(c, "s.wav");
    if (r > 122) {
        say(c, "9.wav");
        print_text(c, "S9\r\n");
        if (r > 156) {
            say(c, "plus.wav");
            print_text(c, "+\r\n");
        } else {
            print_text(c, "  \r\n");
        }
        return;
    }
    for (const Unit& u : units) {
        if (r > u.above) {
            say(c, u.word);
            print_text(c, std::string(u.text) + "\r\n");
            return;
        }
    }
    say(c, "0.wav");
    print_text(c, "S0  \r\n");
}

int swr_tenths(int reading) {
    if (reading < 50) return 10;
    if (reading <= 119) return 10 + (reading - 50) / 7;
    if (reading <= 159) return 20 + (reading - 120) / 10;
    if (reading <= 179) return 30 + (reading - 160) / 2;
    if (reading <= 199) return 40 + static_cast<int>(std::lround((reading - 180) / 2.5));
    return 50;
}

// The first reading of a series is framed "swr" … "21" ("to one"); the
// readings after it are the bare value.
void say_swr(Context& c) {
    State& s = c.st;
    if (s.tuner_mode == tuner::automatic && s.transmit_state == 0) return;
    const int tenths = swr_tenths(text_num_rounded(s.swr_peak_text));
    if (s.ant_check == 0) say(c, "swr");
    // Five and more is "greater than five", with no tenths.
    const std::string whole = tenths >= 50 ? "gt5" : digits(tenths / 10);
    const int d = tenths >= 50 ? 0 : tenths % 10;
    say(c, whole);
    say(c, "point");
    say(c, digits(d));
    if (s.ant_check == 0) say(c, "21");
    s.ant_check = 1;
    if (s.auto_swr == 1) s.auto_swr = 2;
}

}  // namespace vlr
