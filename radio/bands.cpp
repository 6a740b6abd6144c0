// The band rows: one remembered state per band, kept up to date from the
// radio's frequency replies, and the arrow-key band stepping.
//   sends: BS (band stack), FA/FB (the row's frequency)
#include "radio/bands.hpp"

#include "base/names.hpp"
#include "base/rows.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "radio/channels.hpp"
#include "speech/player.hpp"
#include "speech/values.hpp"

namespace vlr {

namespace {

// The highest band the radio has, from top_band ("7" = band 13, 70 cm).
int top_band_number(const State& s) {
    if (s.top_band == "1") return 10;
    if (s.top_band == "6") return 11;
    if (s.top_band == "2") return 12;
    return 13;
}

// The row text of a band, whatever index the state holds.
std::string& band_row(State& s, int band) {
    return s.band_table[static_cast<std::size_t>(safe_band(band))];
}

// Band number from the last frequency reply, for store_band_row: notes the
// current band, lets the store move it, and puts it back.
void store_keeping_band(Context& c) {
    const int noted = c.st.band_index;
    store_band_row(c);
    c.st.band_index = noted;
}

}  // namespace

void fill_band_rows(State& s) {
    static const char* const rows[14] = {
        "01A001900000B0019000009990", "01A003600000B0036000009990", "02A005400000B0054000009990",
        "01A007100000B0071000009990", "03A010100000B0100000009990", "02A014200000B0142000009991",
        "02A018100000B0181000009991", "02A021200000B0212000009991", "02A024890000B0248900009991",
        "02A028500000B0285000009991", "02A050150000B0501500009991", "05A145000000B1450000009990",
        "05A432000000B4320000009990", "04A009670000B0096700009990",
    };
    for (int band = 1; band <= 14; ++band)
        s.band_table[static_cast<std::size_t>(band)] = rows[band - 1];
}

int safe_band(int band) {
    // Anything that is not a band row (a damaged file or record, the band 15
    // of the general-coverage key) is general coverage, the catch-all row.
    return band >= 1 && band <= 14 ? band : 14;
}

std::string band_stack_command(int band) {
    band = safe_band(band);
    // The radio numbers its bands 0..8 for 160 m to 12 m, then 9 (10 m),
    // 10 (6 m), 15 (2 m), 16 (70 cm) and 11 (general coverage).
    if (band <= band::m12) return cmd::band_stack(band - 1);
    switch (band) {
        case band::m10:
            return cmd::band_stack(9);
        case band::m6:
            return cmd::band_stack(10);
        case band::m2:
            return cmd::band_stack(15);
        case band::cm70:
            return cmd::band_stack(16);
        default:
            return cmd::band_stack(11);
    }
}

void band_from_frequency(Context& c) {
    State& s = c.st;
    s.band_row_valid = 1;
    const int mhz = text_num(right(s.last_freq_reply, 9)) / 1000000;
    s.band_index = band_of_mhz(mhz);
    // HF rows never keep an FM mode, and only 2 m and 70 cm keep C4FM.
    if (s.band_index < band::m10 && s.mode_code > mode::am) s.band_row_valid = 0;
    if (s.band_index < band::m2 && s.mode_code == mode::c4fm) s.band_row_valid = 0;
}

void store_band_row(Context& c) {
    State& s = c.st;
    const std::string prefix =
        (s.repeater_on == 1 ? std::string("5") : digit_of(s.vfo_b_selected)) +
        digit_of(s.mode_code);
    band_from_frequency(c);
    if (s.band_row_valid == 0 || s.band_index > band::general) return;
    if (mid(s.last_freq_reply, 3, 3) == "000" || s.last_freq_reply.size() != 11) {
        s.last_freq_reply = "FA001000000";
        return;
    }
    const std::string& current = band_row(s, s.band_index);
    const std::string reported = right(s.last_freq_reply, 9);
    std::string a = row_vfo_a_digits(current), b = row_vfo_b_digits(current);
    // The other VFO keeps what the row had; a row without a readable field
    // (a short line in the file) takes the reported frequency there too.
    if (s.vfo_b_selected) {
        b = reported;
        if (a.size() != 9) a = reported;
    } else {
        a = reported;
        if (b.size() != 9) b = reported;
    }
    s.row_build = prefix + "A" + a + "B" + b;
    if (s.repeater_on == 1) {
        // Repeater bands keep the offset in the VFO B field; a band without
        // one keeps its VFO B digits so the row stays 26 characters.
        if (OffsetPair shift = shift_in_use(s, s.band_index))
            s.row_build = left(s.row_build, 13) + left(*shift.sign + " ", 1) + "0000" +
                          right("0000" + *shift.digits, 4);
    }
    if (s.radio_initiated) return;  // another program is driving the radio
    // A tone code still being typed is not a tone yet.
    const std::string tone = all_digits(s.tone_code, 3) ? s.tone_code : "999";
    band_row(s, s.band_index) = cut(s.row_build + tone + digit_of(s.preamp));
}

void band_step_up(Context& c) {
    State& s = c.st;
    store_keeping_band(c);
    ++s.band_index;
    if (s.band_index == band::general) {
        say(c, "band");
        say(c, "un");
    }
    s.tone_active = false;
    s.tone_code = "999";
    if (s.band_index > top_band_number(s) || s.band_index < band::m160) s.band_index = band::m160;
    s.ant_check = 1;
    select_band_stack(c);
    select_band(c);
}

void band_step_down(Context& c) {
    State& s = c.st;
    store_keeping_band(c);
    --s.band_index;
    const int top = top_band_number(s);
    if (s.band_index < band::m160 || s.band_index > top) s.band_index = top;
    s.ant_check = 1;
    select_band_stack(c);
    select_band(c);
}

void select_band_stack(Context& c) {
    State& s = c.st;
    send_cat(c, band_stack_command(s.band_index));
    if (s.ant_check == 0) say_band(c);
    s.ant_check = 0;
}

// B: a bank digit follows while a channel key is pending, else a band key.
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

}  // namespace vlr
