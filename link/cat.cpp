#include "link/cat.hpp"

#include "base/names.hpp"
#include "base/text.hpp"
#include "link/commands.hpp"
#include "link/exchange.hpp"
#include "link/log.hpp"
#include "link/ports.hpp"
#include "link/reconnect.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {


constexpr int max_reply_read = 255;

// The longest start of a reply kept waiting for its end: every reply is far
// shorter, so more is noise that never ends in ";".
constexpr std::size_t max_unfinished = 128;

// Reads of a line that keeps chattering, before clearing it gives up.
constexpr int max_clearing_reads = 64;

bool is_upper(char ch) { return ch >= 'A' && ch <= 'Z'; }

bool is_printable(char ch) {
    const auto byte = static_cast<unsigned char>(ch);
    return byte >= 0x20 && byte < 0x7f;
}

// The reply at the end of one ";"-ended piece of the stream, or "" when it
// holds none. A reply is printable text: two capital letters (the command's
// code), its values (digits, signs, at most a single capital), ";"; or the
// radio's "?;" for a command it refused. Whatever stands before it came from
// the line, or is the start of a reply whose rest was lost: the last code in
// the piece is where the reply begins.
std::string reply_in(const std::string& piece) {
    std::size_t from = piece.size();
    while (from > 0 && is_printable(piece[from - 1])) --from;
    const std::string text = piece.substr(from);
    for (std::size_t i = text.size(); i >= 3; --i) {
        const std::size_t at = i - 3;  // the code at `at`, its first value after it
        if (is_upper(text[at]) && is_upper(text[at + 1]) && !is_upper(text[at + 2]))
            return text.substr(at);
    }
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "?;") == 0) return "?;";
    return {};
}

void log_with_prefix(Context& c, const char* prefix, const std::string& text) {
    c.st.log_line = cut(prefix + text);
    write_log_line(c, c.st.log_line);
}

// A command is printable ASCII and its only ";" is the terminator. Commands
// are built from band rows and channels of savmem.dat, the configuration and
// another program's bytes; a ";" among them would start a second command of
// its own (a power off, a transmit) and other bytes only garble the line.
bool is_cat_text(const std::string& command) {
    for (std::size_t i = 0; i + 1 < command.size(); ++i) {
        const auto ch = static_cast<unsigned char>(command[i]);
        if (ch < 0x20 || ch > 0x7e || ch == ';') return false;
    }
    return true;
}

}  // namespace

void send_command(Context& c) {
    State& s = c.st;
    // Callers always write "FA"; the frequency traffic follows the operating
    // VFO here, in one place.
    if (s.vfo_b_selected && begins_with(s.cat_command, "FA")) s.cat_command[1] = 'B';
    // The terminator must survive the 255 limit: a command without it would
    // run into the next one on the wire.
    s.cat_command = cut(s.cat_command);
    if (s.cat_command.size() == max_text) s.cat_command.pop_back();
    s.cat_command += ';';
    // Such a command is not sent at all: any part of it could mean something
    // else to the radio.
    if (!is_cat_text(s.cat_command)) {
        s.cat_command.clear();
        return;
    }
    if ((begins_with(s.cat_command, "FA") || begins_with(s.cat_command, "FB")) &&
        s.cat_command.size() >= 6) {
        s.last_freq_command = s.cat_command;
        s.stale_freq_replies = s.freq_polls_unanswered;
    }
    write_port(c, s.radio_port, s.cat_command);
    note_sent(s, s.cat_command);
    note_transmitter(s, s.cat_command);
    if (s.debug_log_on) log_with_prefix(c, "TX=", s.cat_command);
}

void note_transmitter(State& s, const std::string& command) {
    if (command == "TX1;" || command == "TX2;") s.radio_may_be_keyed = true;
    if (command == "TX0;") s.radio_may_be_keyed = false;
}

void release_transmitter(Context& c) {
    if (c.st.radio_may_be_keyed) send_cat(c, cmd::set(cmd::transmit, false));
}

void apply_frequency_floor(std::string& reply) {
    if (begins_with(reply, "F") && mid(reply, 3, 3) == "000") reply = left(reply, 2) + "001000000";
}

std::string take_complete_replies(std::string& stream) {
    std::string replies;
    std::size_t end;
    while ((end = stream.find(';')) != std::string::npos) {
        replies += reply_in(stream.substr(0, end + 1));
        stream.erase(0, end + 1);
    }
    if (stream.size() > max_unfinished) stream.erase(0, stream.size() - max_unfinished);
    return replies;
}

std::string take_radio_replies(Context& c) {
    State& s = c.st;
    if (bytes_waiting(c, s.radio_port) >= 1)
        s.reply_stream += read_port(c, s.radio_port, max_reply_read);
    const std::string fresh = take_complete_replies(s.reply_stream);
    note_replies(c, fresh);
    std::string replies = s.replies_held + fresh;
    s.replies_held.clear();
    if (!replies.empty()) note_radio_answer(c);
    return replies;
}

void clear_radio_input(Context& c) {
    State& s = c.st;
    for (int i = 0; i < max_clearing_reads && bytes_waiting(c, s.radio_port) >= 1; ++i)
        if (read_port(c, s.radio_port, max_reply_read).empty()) break;
    s.reply_stream.clear();
    forget_unanswered(s);
}

void hold_arrived_replies(Context& c) {
    if (c.st.simulate_radio) return;
    c.st.replies_held = take_radio_replies(c);
}

void read_reply(Context& c) {
    State& s = c.st;
    s.cat_reply.clear();
    if (s.simulate_radio) {
        s.cat_reply = simulated_reply(s);
    } else {
        s.reply_count = bytes_waiting(c, s.radio_port);
        s.cat_reply = cut(take_radio_replies(c));
        apply_frequency_floor(s.cat_reply);
    }
    if (s.debug_log_on && !s.cat_reply.empty()) log_with_prefix(c, "RX=", s.cat_reply);
}

std::string simulated_reply(const State& s) {
    const std::string& cmd = s.cat_command;
    auto is = [&cmd](const char* prefix) { return begins_with(cmd, prefix); };
    std::string r;
    // Every rule that matches overwrites the ones before it, so the order of
    // these lines is the table's order.
    if (is("EX")) r = cmd.size() > 5 ? left(cmd, 8) + "23.49;" : left(cmd, 5) + "19.234;";
    if (is("AG0")) r = "AG0090";
    if (is("AG1")) r = "AG1080";
    if (is("SQ")) r = "SQ0008";
    if (is("NR0")) r = "NR01";
    if (is("NL")) r = "NL0005";
    if (is("RL")) r = "RL008";
    if (is("EX010319")) r = "EX0103190100";
    if (is("EX030704")) r = "EX030704" + digits(s.antenna2);
    if (is("ML0")) r = "ML0130";
    if (is("ML1")) r = "ML1040";
    if (is("SM0")) r = "SM00199";
    if (is("PR")) r = "PR01";
    if (is("FA"))
        r = s.last_freq_command.empty()
                ? std::string()
                : left(s.last_freq_command, static_cast<int>(s.last_freq_command.size()) - 1);
    if (is("MD")) r = std::string("MD0") + static_cast<char>(48 + s.mode_code);
    if (is("PL")) r = "PL050";
    if (is("ID")) r = "ID0840";
    if (is("BI")) r = "BI1";
    if (is("VX")) r = "VX0";
    if (is("PC") && s.band_index < band::m2) r = "PC1005";
    if (is("PC") && s.band_index == band::m2) r = "PC2020";
    if (is("PC") && s.band_index == band::cm70) r = "PC2015";
    if (is("PC") && s.band_index == band::m6) r = "PC2030";
    if (is("MG")) r = "MG040";
    if (is("AC")) r = "AC000";
    if (is("RM6")) r = "RM6100000";
    if (is("GT")) r = "GT02";
    return cut(r + ";");
}

void send_cat(Context& c, const std::string& command) {
    c.st.cat_command = cut(command);
    send_command(c);
}

void query_cat(Context& c, const std::string& command) {
    send_cat(c, command);
    pause_word(c);
    read_reply(c);
}

}  // namespace vlr
