// Frequency replies from the radio, the frequency commands the program sends,
// and the VFO A/B split.
//   sends: FA/FB (nine digits), ST (split)
//   reads: FA/FB replies to the poll ("FA014250000;")
#include "radio/frequency.hpp"

#include "base/names.hpp"
#include "base/rows.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "memory/bank_file.hpp"
#include "panel/text_output.hpp"
#include "radio/bands.hpp"
#include "radio/functions.hpp"
#include "speech/player.hpp"
#include "speech/values.hpp"

namespace vlr {

namespace {

// The first reply after start-up only proves the radio is there: the operator
// hears where the program starts (the start band's frequency) and "connected".
void announce_connection(Context& c) {
    say_frequency(c);
    say_mode(c);
    apply_preamp(c);
    say(c, "connected");
    c.st.radio_connected = true;
}

// "  7.100000": MHz part without leading zeros, right-aligned in ten
// characters so the panel and the speech see a fixed-width text.
std::string aligned_frequency_text(const std::string& nine) {
    std::string text = mid(nine, 1, 3) + "." + mid(nine, 4, 6);
    std::size_t zeros = 0;
    while (zeros < 3 && zeros < text.size() && text[zeros] == '0') ++zeros;
    return std::string(zeros, ' ') + text.substr(zeros);
}

void show_vfo_and_frequency(Context& c, const std::string& text) {
    const State& s = c.st;
    move_to(c, 80, 150);
    if (s.vfo_b_selected && s.repeater_on == 0) print_text(c, "B   \r\n");
    print_text(c, s.repeater_on == 1 ? "R   \r\n" : "    \r\n");
    if (!s.vfo_b_selected) print_text(c, "    \r\n");
    move_to(c, 285, 150);
    print_text(c, text + std::string(13, ' ') + "\r\n");
}

// After a channel recall the operator hears what the radio now reports.
void announce_recalled_channel(Context& c) {
    State& s = c.st;
    s.channel_recalled = false;
    say_frequency(c);
    say_mode(c);
    if (s.channel_step != 0) return;
    say(c, "preamp");
    if (s.preamp == 1 || s.preamp == 2) {
        say(c, digit_of(s.preamp));
        say(c, "on");
    } else {
        say(c, "off");
    }
}

// The band row after a split change, in its 26-character layout: kind, mode,
// "A" and VFO A digits, "B" and VFO B digits, tone, preamp.
void rewrite_split_row(State& s, const std::string& kind, const std::string& a_digits,
                       const std::string& b_digits) {
    std::string& row = s.band_table[static_cast<std::size_t>(safe_band(s.band_index))];
    std::string mode = row_mode_digit(row);
    if (mode.empty()) mode = digit_of(s.mode_code);
    std::string tone = row_tone(row);
    if (!all_digits(tone, 3)) tone = "999";
    std::string preamp = row.size() >= 26 ? row_preamp_digit(row) : digit_of(s.preamp);
    row = kind + mode + "A" + a_digits + "B" + b_digits + tone + preamp;
}

// Nine digits from a frequency text, or the fallback when it holds none.
std::string digits_or(const std::string& digits, const std::string& fallback) {
    return all_digits(digits, 9) ? digits : fallback;
}

}  // namespace

void take_frequency_reply(Context& c) {
    State& s = c.st;
    if (!s.radio_connected) {
        announce_connection(c);
        return;
    }
    // Only a whole reply counts: code, nine digits, ";" at character 12.
    if (instr(s.cat_reply, ";") != 12 || !all_digits(mid(s.cat_reply, 3, 9), 9)) return;
    // An answer asked for before the program last set a frequency reports
    // where the radio was. Taken, it would be announced after a recall, filed
    // in a band row with the new mode, or take a tuning step back. Only one
    // that already reports the frequency sent is as good as a fresh one.
    if (s.stale_freq_replies > 0 && mid(s.cat_reply, 3, 9) == mid(s.last_freq_command, 3, 9))
        s.stale_freq_replies = 0;
    if (s.skip_freq_reply || s.stale_freq_replies > 0) {
        // After a band select the next answer is dropped whatever it says.
        s.skip_freq_reply = false;
        if (s.stale_freq_replies > 0) --s.stale_freq_replies;
        s.cat_reply.clear();
        return;
    }
    s.last_freq_reply = left(s.cat_reply, 11);
    const std::string nine = mid(s.last_freq_reply, 3, 9);
    if (left(s.last_freq_reply, 2) == "FA") s.vfo_a_text = "A" + nine;
    if (left(s.last_freq_reply, 2) == "FB") s.vfo_b_text = "B" + nine;

    store_band_row(c);
    s.vfo_frequency = text_num(nine);

    const std::string text = aligned_frequency_text(nine);
    show_vfo_and_frequency(c, text);
    s.freq_text = text;
    s.poll_pending = false;
    s.cat_reply.clear();

    if (s.quit_pending > 0) {
        // The quit key waits for the radio to confirm receive before ending.
        ++s.quit_pending;
        if (s.quit_pending > 2) {
            save_memory_file(c);
            s.quit_pending = 0;
            s.running = false;
            return;
        }
    }
    if (s.channel_recalled) announce_recalled_channel(c);
}

void send_vfo_frequency(Context& c) {
    const std::string command = cmd::frequency(c.st.vfo_frequency);
    if (command.size() >= 6) send_cat(c, command);
}

void snap_to_khz(Context& c) {
    State& s = c.st;
    const int whole = s.vfo_frequency / 1000 * 1000;
    const bool usb = s.mode_code == mode::usb;
    if (whole == s.vfo_frequency)
        s.vfo_frequency = usb ? whole + 1000 : whole - 1000;
    else
        s.vfo_frequency = usb ? whole + 1000 : whole;
    // At either end of the range the snap stays on the last whole kilohertz
    // a frequency command can carry.
    if (s.vfo_frequency > 999'999'000) s.vfo_frequency = 999'999'000;
    if (s.vfo_frequency < 1'000'000) s.vfo_frequency = 1'000'000;
    send_cat(c, cmd::frequency(s.vfo_frequency));
}

void step_frequency_up(Context& c) {
    State& s = c.st;
    s.vfo_frequency += s.mode_code == mode::cw ? 500 : 1000;
    // Nor above what the nine digits of a frequency command can carry: the
    // key's command would otherwise get a tenth digit.
    if (s.vfo_frequency > 999'999'999) s.vfo_frequency = 999'999'999;
}

void step_frequency_down(Context& c) {
    State& s = c.st;
    s.vfo_frequency -= s.mode_code == mode::cw ? 500 : 1000;
    // A key never takes the frequency below 1 MHz.
    if (s.vfo_frequency < 1000000) s.vfo_frequency = 1000000;
}

void start_split(Context& c) {
    State& s = c.st;
    s.vfo_b_selected = true;
    say(c, "split");
    // VFO A's frequency to come back to; when no frequency command went out
    // yet, the frequency the program knows stands in for it.
    const std::string sent = mid(s.last_freq_command, 3, 9);
    s.saved_vfo_a = "A" + digits_or(sent, nine_digits(s.vfo_frequency));
    send_cat(c, cmd::set(cmd::split, true));
    s.split_on = true;
    if (!s.radio_initiated) {
        // Both VFOs now sit on the current frequency.
        const std::string a = mid(s.saved_vfo_a, 2, 9);
        rewrite_split_row(s, "1", a, a);
    }
    send_cat(c, cmd::vfo_frequency(s.saved_vfo_a));
}

void end_split(Context& c) {
    State& s = c.st;
    s.vfo_b_selected = false;
    send_cat(c, cmd::set(cmd::split, false));
    s.split_on = false;
    send_cat(c, cmd::vfo_frequency(s.saved_vfo_a));
    if (!s.radio_initiated) {
        // VFO A is back where the split began; VFO B keeps where it ended.
        const std::string& row = s.band_table[static_cast<std::size_t>(safe_band(s.band_index))];
        const std::string a =
            digits_or(mid(s.saved_vfo_a, 2, 9),
                      digits_or(row_vfo_a_digits(row), nine_digits(s.vfo_frequency)));
        const std::string b = digits_or(row_vfo_b_digits(row), a);
        rewrite_split_row(s, "0", a, b);
    }
}

// ---- The frequency read-out (F, X F) ---------------------------------------

namespace {

// Nine frequency digits (leading zeros allowed) as MHz with a point after the
// third digit, leading zeros removed: "014200000" -> "14.200000".
std::string mhz_text(const std::string& nine) {
    std::string t = left(nine, 3) + "." + mid(nine, 4);
    std::size_t zeros = 0;
    while (zeros < t.size() && t[zeros] == '0') ++zeros;
    return t.substr(zeros);
}

// The transmit frequency through the repeater: the receive frequency moved by
// the shift in use on this band.
std::string repeater_tx_text(State& s) {
    long long n = s.vfo_frequency;
    OffsetPair shift = shift_in_use(s, s.band_index);
    if (shift.sign) {
        long long offset_hz = static_cast<long long>(text_num(*shift.digits)) * 1000;
        n += *shift.sign != "-" ? offset_hz : -offset_hz;
    }
    if (n < 0) n = 0;
    if (n > 999'999'999) n = 999'999'999;
    return mhz_text(zero_pad(n, 9));
}

// Reads a derived frequency as a transmit frequency, then the mode, and puts
// the panel's frequency text back.
void say_tx_frequency(Context& c, const std::string& text) {
    State& s = c.st;
    std::string kept = s.freq_text;
    s.freq_text = text;
    s.tx_announce = true;
    say_frequency(c);
    s.tx_announce = false;
    say_mode(c);
    s.freq_text = kept;
    s.key_state = ks::normal;
}

void plain_readout(Context& c) {
    State& s = c.st;
    s.key_state = ks::normal;
    s.tune_active = false;
    say_frequency(c);
    say_mode(c);
    if (s.tone_active) {
        say(c, !s.tone_code.empty() && s.tone_code[0] > '4' ? "dcs" : "ctcss");
        for (char ch : left(s.tone_code, 3)) say(c, std::string(1, ch));
    }
}

}  // namespace

void frequency_readout(Context& c) {
    State& s = c.st;
    if (s.tick_count == 0) return;  // the radio has not reported the new frequency yet
    if (s.key_state == ks::extended && s.repeater_on == 1) {
        say_tx_frequency(c, repeater_tx_text(s));
        return;
    }
    if (s.key_state == ks::extended && s.vfo_b_selected) {
        say(c, "vfoa");
        say_tx_frequency(c, mhz_text(row_vfo_a_digits(s.band_table[static_cast<std::size_t>(safe_band(s.band_index))])));
        return;
    }
    plain_readout(c);
}

}  // namespace vlr
