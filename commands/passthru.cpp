#include "commands/passthru.hpp"

#include <algorithm>

#include "base/modes.hpp"
#include "base/names.hpp"
#include "base/text.hpp"
#include "link/cat.hpp"
#include "link/log.hpp"
#include "link/ports.hpp"
#include "panel/front_panel.hpp"
#include "radio/frequency.hpp"
#include "radio/mode.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

constexpr int max_read = 255;

void log_with_prefix(Context& c, const char* prefix, const std::string& text) {
    if (!c.st.debug_log_on) return;
    c.st.log_line = cut(prefix + text);
    write_log_line(c, c.st.log_line);
}

// `inbuf` when it is one whole command and nothing else, ";" included;
// "" otherwise.
std::string single_waiting_command(const std::string& inbuf) {
    const auto end = inbuf.find(';');
    return end != std::string::npos && end + 1 == inbuf.size() ? inbuf : std::string();
}

// Adds what the other program has sent to the text still waiting. Only as
// much is read as fits in the buffer: commands queued behind the one being
// handled must not be cut off, and bytes left unread wait safely in the port.
//
// A client that finds the answer slow (the pause and the wait for the next
// tick take longer than some clients wait: rigctl gives up after 100 ms
// while it opens the radio) sends the same command again, having nothing
// else outstanding. A copy that comes in a later read while that command is
// all that waits here, or is with the radio (`in_flight`, whose answer is
// about to go back), gets that one answer: answered twice, the client would
// take every later answer for the command after the one it belongs to.
// Copies within one read, or behind other commands, are the client's own
// doing and all go through.
void take_new_bytes(Context& c, const std::string& in_flight = {}) {
    State& s = c.st;
    s.passthru_chunk.clear();
    const int room = static_cast<int>(max_text) - static_cast<int>(s.passthru_inbuf.size());
    if (room <= 0 || bytes_waiting(c, s.passthru_port) < 1) return;
    s.passthru_chunk = read_port(c, s.passthru_port, std::min(room, max_read));
    const std::string repeated =
        s.passthru_inbuf.empty() ? in_flight : single_waiting_command(s.passthru_inbuf);
    std::size_t skip = 0;
    while (!repeated.empty() && s.passthru_chunk.compare(skip, repeated.size(), repeated) == 0)
        skip += repeated.size();
    s.passthru_inbuf = cut(s.passthru_inbuf + s.passthru_chunk.substr(skip));
}

// The program's mode code for a mode setting "MD0" + `radio_mode`, found
// through the program's own mode commands: the radio numbers its modes
// differently (its 4 is FM, the program's 4 is AM). A mode the program has no
// name for is 0, which the panel leaves undrawn and never sends back.
int mode_code_for(const State& s, char radio_mode) {
    const std::string command = std::string("MD0") + radio_mode;
    for (const ModeRow& row : mode_rows)
        if (*mode_command(s, row.code) == command) return row.code;
    return 0;
}

// The other program has set the mode: the panel follows it. The radio is
// already where the other program put it, so the mode display must not send
// the band row's frequency: that row is frozen while the other program is in
// control (radio_initiated) and would pull the radio back to where the
// operator last left it. The channel flag makes the display skip exactly
// that step; its own value is kept.
void follow_mode(Context& c, char radio_mode) {
    State& s = c.st;
    s.mode_code = mode_code_for(s, radio_mode);
    const bool applied = s.channel_applied;
    s.channel_applied = true;
    show_mode(c);
    s.channel_applied = applied;
}

// The radio's complete answers as they came, for the other program. cat_reply,
// the reply count and the "RX=" line are as every other read leaves them;
// only the frequency floor stays out of the bytes passed back: the other
// program must get the radio's own reply, terminator included.
std::string read_answer(Context& c) {
    State& s = c.st;
    if (s.simulate_radio) {
        read_reply(c);
        return s.cat_reply;
    }
    const std::string raw = take_radio_replies(c);
    s.reply_count = static_cast<int>(raw.size());
    s.cat_reply = raw;
    apply_frequency_floor(s.cat_reply);
    if (!s.cat_reply.empty()) log_with_prefix(c, "RX=", s.cat_reply);
    return raw;
}

// A frequency answer is the program's own news as well. The "FA" reply may
// stand behind other text (a late answer still in the port): the reply is
// taken from its "FA" to its own ";". Only a whole reply is handed on, so a
// piece of one never counts as the radio's first answer.
void take_frequency_answer(Context& c, const std::string& answer) {
    State& s = c.st;
    const auto at = answer.find("FA");
    if (at == std::string::npos) return;
    const auto end = answer.find(';', at);
    std::string reply =
        end == std::string::npos ? answer.substr(at) : answer.substr(at, end - at + 1);
    // Below 1 MHz counts as exactly 1 MHz, as for every frequency read.
    if (instr(reply, ";") == 12 && mid(reply, 3, 3) == "000") reply = "FA001000000;";
    s.cat_reply = cut(reply);
    if (instr(s.cat_reply, ";") == 12) take_frequency_reply(c);
}

// An answer to one of the program's own polls that came after its tick had
// given up on it is still in the radio port. Left there, it would be read
// with the other program's answer and passed to it as part of that answer,
// which no client can make sense of. It is read out (and logged) first; the
// next poll asks again anyway.
void discard_late_answers(Context& c) {
    State& s = c.st;
    if (s.simulate_radio) return;
    s.cat_reply = take_radio_replies(c);
    s.reply_count = static_cast<int>(s.cat_reply.size());
    if (!s.cat_reply.empty()) log_with_prefix(c, "RX=", s.cat_reply);
    // The start of a late answer must not be joined to the client's one.
    s.reply_stream.clear();
}

void pass_back_answer(Context& c, const std::string& request) {
    State& s = c.st;
    pause_word(c);
    const std::string answer = read_answer(c);
    if (answer.empty() || answer == ";") return;
    take_new_bytes(c, request);  // a copy sent meanwhile gets this answer
    log_with_prefix(c, "***VTX1=", answer);
    write_port(c, s.passthru_port, answer);
    take_frequency_answer(c, answer);
}

}  // namespace

void poll_passthru(Context& c) {
    State& s = c.st;
    take_new_bytes(c);
    const auto end = s.passthru_inbuf.find(';');
    if (end == std::string::npos) {
        // A full buffer without a terminator can never become a command;
        // holding on to it would shut the other program out for good.
        if (s.passthru_inbuf.size() >= max_text) s.passthru_inbuf.clear();
        return;
    }

    discard_late_answers(c);
    s.radio_initiated = true;
    log_with_prefix(c, "***VRX1=", s.passthru_inbuf);

    // One command per poll; what the other program sent behind it (clients
    // write "FA014250000;FA;" at once and wait for the second answer) stays
    // for the next poll.
    const std::string request = s.passthru_inbuf.substr(0, end + 1);
    s.cat_command = s.passthru_inbuf.substr(0, end);
    s.passthru_inbuf.erase(0, end + 1);
    // Its "?;", if the radio refuses it, is the client's answer, not the operator's news.
    s.command_sender = from::passthru;
    send_command(c);
    s.command_sender = from::program;

    const std::string& sent = s.cat_command;
    if (begins_with(sent, "MD0") && sent.size() >= 4 && sent[3] != ';')
        follow_mode(c, sent[3]);  // a mode setting: nothing comes back
    else
        pass_back_answer(c, request);
    s.passthru_chunk.clear();
}

}  // namespace vlr
