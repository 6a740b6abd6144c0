// The timer step: the radio never speaks unasked, so every tick either sends
// the next poll or reads the answer to the last one. Polls alternate between
// the VFO frequency and a meter (S-meter receiving, SWR transmitting or
// tuning, ALC while the microphone monitor runs).
#include "commands/poll.hpp"

#include "base/names.hpp"
#include "base/rows.hpp"
#include "base/text.hpp"
#include "commands/passthru.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "link/log.hpp"
#include "link/ports.hpp"
#include "link/reconnect.hpp"
#include "link/reply.hpp"
#include "radio/frequency.hpp"
#include "speech/player.hpp"
#include "speech/values.hpp"

namespace vlr {

namespace {

constexpr int max_poll_read = 255;

// More bytes waiting than one read takes is not a radio's answer but noise (a
// chattering adapter, a burst on the line): the rest is read out and dropped,
// up to this many reads per tick, so that the next poll finds its own fresh
// answer instead of the tail of the noise.
constexpr int flood_reads_per_tick = 256;

// The quit key waits for the radio to confirm receive with two frequency
// replies; a radio that has fallen silent (or a transmission that keeps the
// frequency poll off) must not keep the operator from leaving. Three seconds.
constexpr int quit_wait_limit = 60;

// Frequency polls counted as still waiting for their answers. A radio that
// is slower than the poll has up to two out; more would only mean answers
// that never came (or that a key's own query read), and every one counted
// makes one more answer suspect after the next frequency command.
constexpr int most_unanswered_freq_polls = 2;


bool freq_command_digits(const std::string& cmd) {
    if (cmd.size() != 12 || cmd[11] != ';') return false;
    for (int i = 2; i < 11; ++i)
        if (!is_digit_char(cmd[static_cast<std::size_t>(i)])) return false;
    return true;
}

// The meter poll of phase 1 for the current state.
std::string meter_poll(const State& s) {
    // The microphone monitor reads the ALC meter; its handling below needs
    // the RM4 answers.
    if (s.mic_monitor >= 1) return cmd::ask(cmd::alc_meter);
    if (s.tune_active || s.transmit_state > 0) return cmd::ask(cmd::swr_meter);
    return cmd::ask(cmd::s_meter);
}

// Without a radio (simulate_radio 1) the poll answers itself, so the whole
// program runs: the frequency last set (or the band row's), a steady S7, a
// flat SWR and a moderate ALC reading.
std::string simulated_poll_reply(const State& s) {
    const bool freq_phase = s.poll_phase == 1;  // the phase was flipped when sent
    if (freq_phase) {
        if (s.transmit_state > 0) return {};  // nothing was sent
        const std::string vfo = s.vfo_b_selected ? "FB" : "FA";
        if (freq_command_digits(s.last_freq_command))
            return vfo + mid(s.last_freq_command, 3, 9) + ";";
        if (s.band_index >= band::m160 && s.band_index <= band::general) {
            const std::string row_digits =
                row_vfo_a_digits(s.band_table[static_cast<std::size_t>(s.band_index)]);
            if (row_digits.size() == 9) return vfo + row_digits + ";";
        }
        return vfo + "007100000;";
    }
    const std::string meter = meter_poll(s);
    if (meter == "SM0") return "SM0100;";
    if (meter == "RM6") return "RM6100000;";
    return "RM4080;";
}

// Reads out and drops what waits in the radio port. Bounded, so a line that
// never stops chattering still lets the tick end.
void drop_flood(Context& c) {
    const int port = c.st.radio_port;
    for (int i = 0; i < flood_reads_per_tick && bytes_waiting(c, port) > 0; ++i)
        if (read_port(c, port, max_poll_read).empty()) break;
}

// Fetches the answer to the last poll into cat_reply; false when nothing came.
bool fetch_poll_reply(Context& c) {
    State& s = c.st;
    if (s.simulate_radio) {
        s.cat_reply = simulated_poll_reply(s);
        s.reply_count = static_cast<int>(s.cat_reply.size());
        return s.reply_count >= 1;
    }
    // Replies a key read early (to hear of a refusal) count as arrived.
    s.reply_count = bytes_waiting(c, s.radio_port) + static_cast<int>(s.replies_held.size());
    if (s.reply_count < 1) return false;
    s.cat_reply = cut(take_radio_replies(c));
    if (s.reply_count > max_poll_read) drop_flood(c);
    return !s.cat_reply.empty();
}

// The S-meter reading only updates the panel: a spoken S-meter every 200 ms
// would drown everything else, so the words are muted.
void take_s_meter(Context& c) {
    State& s = c.st;
    // A reading cut short or mangled on the line is no reading: "01" of
    // "0100" would show and speak a wrong value.
    const auto reading = reply_field(s.cat_reply, "SM", 3, 3);
    if (!reading) return;
    s.s_meter_value = *reading;
    s.wave_folder = "xx";
    say_s_meter(c);
    s.wave_folder = default_wave_folder();
}

void take_swr(Context& c) {
    State& s = c.st;
    const auto value = reply_field(s.cat_reply, "RM6", 3, 3);
    if (!value) return;
    const std::string reading = zero_pad(*value, 3);
    // While transmitting, after the first settling replies, keep the peak.
    if (s.transmit_state > 0 && s.tx_settle_count == 0) {
        if (text_num_rounded(reading) > text_num_rounded(s.swr_peak_text))
            s.swr_peak_text = reading;
    } else {
        s.swr_peak_text = reading;
    }
    if (s.auto_swr > 0 || s.transmit_state == 0) say_swr(c);
    if (s.tx_settle_count > 0) s.tx_settle_count -= 1;
}

void take_mic_level(Context& c) {
    State& s = c.st;
    const auto reading = reply_field(s.cat_reply, "RM4", 3, 3);
    if (!reading) return;
    const int level = *reading;
    if (level > s.mic_level_peak) s.mic_level_peak = level;
    // About every half second the peak is spoken (say_mic_level restarts the count).
    if (s.tick_count >= 11) say_mic_level(c);
}

// One complete reply of a poll's answer.
void take_poll_reply(Context& c) {
    State& s = c.st;
    // A reading below 1 MHz is taken as exactly 1 MHz; the floored reply keeps
    // its ";" so that the frequency routine accepts it as a complete reply.
    const bool complete_reply = instr(s.cat_reply, ";") == 12;
    apply_frequency_floor(s.cat_reply);
    if (complete_reply && s.cat_reply.size() == 11) s.cat_reply += ";";
    if (begins_with(s.cat_reply, "FA") || begins_with(s.cat_reply, "FB")) {
        if (s.freq_polls_unanswered > 0) --s.freq_polls_unanswered;
        take_frequency_reply(c);
    }
    if (begins_with(s.cat_reply, "SM")) take_s_meter(c);
    const int swr_at = instr(s.cat_reply, "RM6");
    if (swr_at >= 1) take_swr(c);
    const int alc_at = instr(s.cat_reply, "RM4");
    if (alc_at >= 1 && s.mic_monitor >= 1) take_mic_level(c);
}

void read_poll_answer(Context& c) {
    State& s = c.st;
    s.poll_pending = false;
    // A reply that has not come within one tick is not waited for.
    if (!fetch_poll_reply(c)) return;
    if (s.debug_log_on) {
        s.log_line = cut("RX=" + s.cat_reply);
        write_log_line(c, s.log_line);
    }
    // A late answer arrives together with the next one ("SM0100;FA014250000;"
    // on a slow line): every reply in the read counts, not only the first.
    const std::string read = s.cat_reply;
    std::size_t from = 0;
    while (from < read.size()) {
        const std::size_t end = read.find(';', from);
        s.cat_reply = read.substr(from, end == std::string::npos ? std::string::npos : end - from + 1);
        take_poll_reply(c);
        if (end == std::string::npos) break;
        from = end + 1;
    }
}

void send_next_poll(Context& c) {
    State& s = c.st;
    // The pass-through is served only between our own exchanges.
    if (passthru_in_use(s)) poll_passthru(c);
    if (s.poll_phase == 0) {
        s.cat_command = s.transmit_state > 0 ? "" : cmd::ask(cmd::frequency_poll);
    } else {
        s.cat_command = meter_poll(s);
    }
    const bool freq_poll = s.cat_command == "FA";
    s.poll_phase = 1 - s.poll_phase;
    if (!s.cat_command.empty()) send_command(c);
    if (freq_poll && s.freq_polls_unanswered < most_unanswered_freq_polls)
        ++s.freq_polls_unanswered;
    s.poll_pending = true;
}

void limit_quit_wait(Context& c) {
    State& s = c.st;
    if (s.quit_pending <= 0) {
        s.quit_wait_ticks = 0;
        return;
    }
    if (++s.quit_wait_ticks <= quit_wait_limit) return;
    // The shutdown saves the memory banks as the confirmed quit would have.
    s.quit_wait_ticks = 0;
    s.quit_pending = 0;
    s.running = false;
}

}  // namespace

void timer_tick(Context& c) {
    State& s = c.st;
    // A radio menu item is being read or written: keep off the line.
    if (s.menu_busy) return;
    s.tick_count += 1;
    // The count wraps to 1, not 0: 0 means "a new frequency is on its way"
    // (after an entry or a tune start), when F waits; a wrap to 0 would make
    // every 21st F go unanswered.
    if (s.tick_count > 20) s.tick_count = 1;
    // A vanished device is closed here and reopened in later ticks; nothing
    // is polled while it is away.
    watch_radio_link(c);
    limit_quit_wait(c);
    if (s.link_lost) return;
    watch_passthru_link(c);
    if (s.poll_pending)
        read_poll_answer(c);
    else
        send_next_poll(c);
}

}  // namespace vlr
